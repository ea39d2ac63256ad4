#include "crash_inbox/cli/program_start.h"
#include "crash_inbox/cli/window_command_line.h"
#include "crash_inbox/window/inbox_application.h"

#include <cstdio>

// The window's program, which q5-crash-inbox runs when the window is asked for.
int main(int argc, char* argv[])
{
    quietQtMessages();
    const std::optional<WindowCommandLine> window =
        WindowCommandLine::parse(programArguments(argc, argv));
    if (!window) {
        std::fputs("q5-crash-inbox: the window takes [--database URL] [--theme THEME] "
                   "[open [FILE...]]; see q5-crash-inbox open --help\n",
                   stderr);
        return 2;
    }
    return runInboxWindow(argc, argv, *window);
}
