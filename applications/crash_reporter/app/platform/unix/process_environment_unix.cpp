#include "app/platform/process_environment.h"

#include "app/platform/termination_requests.h"

#include <QByteArray>
#include <QList>
#include <QtGlobal>

#include <csignal>

namespace {

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
    // quietly instead of ending the process before the crash is saved.
    std::signal(SIGPIPE, SIG_IGN);
    holdTerminationRequests();
    chooseDisplayPlatforms();
}
