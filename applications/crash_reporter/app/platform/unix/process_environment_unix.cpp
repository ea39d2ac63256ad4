#include "app/platform/process_environment.h"

#include "app/platform/termination_requests.h"

#include <QByteArray>
#include <QList>
#include <QtGlobal>

#include <csignal>
#include <pthread.h>

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

// Without a reachable display server QApplication aborts before "connected". The platforms the
// user chose, or else the desktops the environment names, are tried in turn, then offscreen, so
// the episode still runs (and saves its package) where no window can be shown: the display may
// be what failed.
void chooseDisplayPlatforms()
{
    const QByteArray chosen = qgetenv("QT_QPA_PLATFORM");
    if (!chosen.isEmpty()) {
        if (!chosen.split(';').contains("offscreen"))
            qputenv("QT_QPA_PLATFORM", chosen + ";offscreen");
        return;
    }
    QByteArray platforms;
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        platforms += "wayland;";
    if (!qEnvironmentVariableIsEmpty("DISPLAY"))
        platforms += "xcb;";
    platforms += "offscreen";
    qputenv("QT_QPA_PLATFORM", platforms);
}

} // namespace

void prepareProcessEnvironment()
{
    // Whoever started us may have gone: writing "connected" to its closed pipe must fail
    // quietly instead of ending the process before the crash is saved. A file size limit
    // makes a write fail as a full disk does, which the packaging knows how to survive.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    holdTerminationRequests();
    chooseDisplayPlatforms();
}
