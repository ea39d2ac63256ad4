#include "crash_inbox/cli/platform/window_program.h"

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

namespace CrashInbox::Platform {

int runWindowProgram(char** argv)
{
    char self[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) {
        std::fprintf(stderr, "q5-crash-inbox: the window's program cannot be found: %s\n",
                     std::strerror(errno));
        return 2;
    }
    std::string program(self, std::size_t(length));
    program = program.substr(0, program.rfind('/') + 1) + "q5-crash-inbox-window";
    ::execv(program.c_str(), argv);
    std::fprintf(stderr, "q5-crash-inbox: the window's program %s cannot be started: %s\n",
                 program.c_str(), std::strerror(errno));
    return 2;
}

} // namespace CrashInbox::Platform
