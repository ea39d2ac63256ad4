#pragma once

#include "crash_inbox/cli/window_command_line.h"

// The window that the command line asks for; the exit status.
int runInboxWindow(int& argc, char** argv, const WindowCommandLine& commandLine);
