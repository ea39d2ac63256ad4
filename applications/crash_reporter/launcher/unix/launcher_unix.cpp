// q5-crash-reporter on Linux: a program of the C library alone, so that it runs within a moment
// of its start, where the reporter itself spends its first milliseconds being loaded with its
// libraries. A shutdown signals every process at once, possibly then: the termination requests
// are blocked here, before anything else, and the episode program beside this one inherits
// them blocked (and any already pending) across exec, to take them up once it can.
#include <csignal>
#include <initializer_list>
#include <cstdio>
#include <cstring>
#include <limits.h>
#include <unistd.h>

namespace {

constexpr char EpisodeProgram[] = "q5-crash-reporter-episode";

// The folder of this program, with its final '/'; empty when it cannot be known.
bool programFolder(char (&folder)[PATH_MAX])
{
    const ssize_t length = ::readlink("/proc/self/exe", folder, sizeof folder - 1);
    if (length <= 0)
        return false;
    folder[length] = '\0';
    char* slash = std::strrchr(folder, '/');
    if (slash == nullptr)
        return false;
    slash[1] = '\0';
    return true;
}

} // namespace

int main(int, char* argv[])
{
    sigset_t requests;
    sigemptyset(&requests);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaddset(&requests, signal);
    sigprocmask(SIG_BLOCK, &requests, nullptr);

    char path[PATH_MAX];
    if (programFolder(path) && std::strlen(path) + sizeof EpisodeProgram <= sizeof path) {
        std::strcat(path, EpisodeProgram);
        ::execv(path, argv);
    }
    // Nothing else can keep the crash: the crash data file stays for the next reporter, and
    // the controller's side hears what it waits for and status 0, as always.
    std::fprintf(stderr, "q5-crash-reporter: %s cannot be started\n", EpisodeProgram);
    std::puts("connected");
    return 0;
}
