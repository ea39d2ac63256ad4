#include "orrery_core/platform/debugger_output.h"

#include <windows.h>

namespace Orrery::Platform {

void writeDebuggerOutput(const char* text)
{
    OutputDebugStringA(text);
}

} // namespace Orrery::Platform
