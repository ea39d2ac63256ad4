#pragma once

namespace Orrery::Platform {

// Hands one finished text to the platform's debugger channel: the debugger output on
// Windows, standard error elsewhere. Never standard output.
void writeDebuggerOutput(const char* text);

} // namespace Orrery::Platform
