#include "tessera/theme/platform/system_theme.h"

#include <QOperatingSystemVersion>
#include <QSettings>

namespace Tessera::Platform {

// Windows 10 and later keep the choice in the registry value "AppsUseLightTheme".
bool systemUsesLightAppTheme()
{
    const QOperatingSystemVersion system = QOperatingSystemVersion::current();
    if (system.type() != QOperatingSystemVersion::Windows10.type() ||
        system < QOperatingSystemVersion::Windows10)
        return false;
    static QSettings personalisation(
        QStringLiteral("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\"
                       "Themes\\Personalize\\"),
        QSettings::NativeFormat);
    const QVariant value = personalisation.value(QStringLiteral("AppsUseLightTheme"));
    return value.isValid() && value.toBool();
}

} // namespace Tessera::Platform

namespace Tessera::Platform {

// Windows reports a change of the choice with QEvent::ThemeChange to every window.
void watchSystemTheme(QObject*, std::function<void()>) {}

} // namespace Tessera::Platform
