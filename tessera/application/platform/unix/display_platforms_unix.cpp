#include "tessera/application/platform/display_platforms.h"

#include <QByteArray>
#include <QList>
#include <QtGlobal>

namespace Tessera::Platform {

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

} // namespace Tessera::Platform
