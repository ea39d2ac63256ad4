#include "crash_reporter/app/platform/process_environment.h"

#include "crash_reporter/app/platform/termination_requests.h"
#include "tessera/application/platform/display_platforms.h"

#include <QByteArray>
#include <QList>
#include <QtGlobal>

#include <csignal>
#include <pthread.h>

namespace CrashReporter::Platform {

namespace {

// A shutdown signals every process at once, maybe while the reporter is still being loaded:
// before the libraries' initialisers run (and long before main), the termination requests are
// blocked, to be taken up once the episode can handle them. Only an executable's pre-init array
// runs that early.
extern "C" void blockTerminationRequestsAtStart(int, char**, char**)
{
    sigset_t requests;
    sigemptyset(&requests);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaddset(&requests, signal);
    pthread_sigmask(SIG_BLOCK, &requests, nullptr);
}

[[gnu::section(".preinit_array"),
  gnu::used]] void (*const blockAtStart)(int, char**, char**) = &blockTerminationRequestsAtStart;

} // namespace

void prepareProcessEnvironment()
{
    // Whoever started us may have gone: writing "connected" to its closed pipe must fail
    // quietly instead of ending the process before the crash is saved. A file size limit
    // makes a write fail as a full disk does, which the packaging knows how to survive.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    holdTerminationRequests();
    // Without a reachable display server QApplication would abort before "connected"; the
    // episode still runs (and saves its package) where no window can be shown: the display may
    // be what failed.
    Tessera::Platform::chooseDisplayPlatforms();
}

} // namespace CrashReporter::Platform
