#include "theme_resolution.h"

#include "tessera/theme/platform/system_theme.h"

namespace Tessera {

ThemeMode resolveThemeMode(ThemeMode mode)
{
    if (mode != ThemeMode::System)
        return mode;
    return Platform::systemUsesLightAppTheme() ? ThemeMode::Light : ThemeMode::Dark;
}

QStringList themeSearchPaths(ThemeMode mode)
{
    QStringList paths{QStringLiteral(":/")};
    paths.prepend(resolveThemeMode(mode) == ThemeMode::Light ? QStringLiteral(":/light")
                                                             : QStringLiteral(":/dark"));
    return paths;
}

} // namespace Tessera
