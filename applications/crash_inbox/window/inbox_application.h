#pragma once

#include "window_command_line.h"

// The window that the command line asks for; the exit status.
int runInboxWindow(int& argc, char** argv, const WindowCommandLine& commandLine);
