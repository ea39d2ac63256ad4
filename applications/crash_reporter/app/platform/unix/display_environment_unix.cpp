#include "app/platform/display_environment.h"

#include <QByteArray>
#include <QtGlobal>

// Without a display server QApplication would abort before "connected"; the offscreen
// platform lets the episode run (and save its package) without any window.
void prepareDisplayEnvironment()
{
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
        !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return;
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
}
