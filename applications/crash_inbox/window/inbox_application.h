#pragma once

// q5-crash-inbox [--database URL] [--theme dark|light|system] [open [FILE...]]: the window;
// the exit status.
int runInboxWindow(int& argc, char** argv);

// Whether the arguments ask for the window rather than a command.
bool wantsInboxWindow(int argc, char** argv);
