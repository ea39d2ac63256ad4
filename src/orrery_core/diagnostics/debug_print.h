#pragma once

#include <QtGlobal>

#include <cstdarg>
#include <string>

namespace Orrery {

// Size of every formatted diagnostic or log text, terminator included.
inline constexpr int FormatBufferSize = 512;

// Formats printf-style into the buffer, cut to FormatBufferSize - 1 characters as vsnprintf
// cuts; false when the format cannot be applied.
bool formatText(char (&buffer)[FormatBufferSize], const char* format, va_list arguments);

// Formats printf-style and hands the text to the debugger output.
void debugPrint(const char* format, ...) Q_ATTRIBUTE_FORMAT_PRINTF(1, 2);

// Prints "Error <message> at line <line> in file <file>" and aborts.
[[noreturn]] void fatalError(const std::string& message, int line, const char* file);

// Prints the same line as fatalError and returns.
void reportError(const std::string& message, int line, const char* file);

template <typename T>
constexpr bool inRange(const T& low, const T& value, const T& high)
{
    return low <= value && value <= high;
}

} // namespace Orrery

#define ORRERY_ASSERT(expression)                                                                  \
    do {                                                                                           \
        if (!(expression))                                                                         \
            ::Orrery::fatalError("Assert: '" #expression "' is FALSE", __LINE__, __FILE__);        \
    } while (false)

#define ORRERY_LOGIC_CHECK(expression)                                                             \
    do {                                                                                           \
        if (!(expression))                                                                         \
            ::Orrery::reportError("Logic error: '" #expression "' is FALSE", __LINE__, __FILE__);  \
    } while (false)
