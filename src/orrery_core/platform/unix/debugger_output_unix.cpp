#include "orrery_core/platform/debugger_output.h"

#include <cstdio>

namespace Orrery::Platform {

void writeDebuggerOutput(const char* text)
{
    std::fputs(text, stderr);
    std::fflush(stderr);
}

} // namespace Orrery::Platform
