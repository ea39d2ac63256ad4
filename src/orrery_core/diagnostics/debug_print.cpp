#include "debug_print.h"

#include "orrery_core/platform/debugger_output.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace Orrery {

bool formatText(char (&buffer)[FormatBufferSize], const char* format, va_list arguments)
{
    return format != nullptr && std::vsnprintf(buffer, sizeof buffer, format, arguments) >= 0;
}

void debugPrint(const char* format, ...)
{
    char buffer[FormatBufferSize];
    va_list arguments;
    va_start(arguments, format);
    const bool formatted = formatText(buffer, format, arguments);
    va_end(arguments);
    if (formatted)
        Platform::writeDebuggerOutput(buffer);
}

void fatalError(const std::string& message, int line, const char* file)
{
    reportError(message, line, file);
    std::abort();
}

void reportError(const std::string& message, int line, const char* file)
{
    debugPrint("Error %s at line %d in file %s\n", message.c_str(), line, file);
}

} // namespace Orrery
