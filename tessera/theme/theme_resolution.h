#pragma once

#include "theme_mode.h"

#include <QStringList>

namespace Tessera {

// Dark or Light: System follows the operating system's choice for applications.
ThemeMode resolveThemeMode(ThemeMode mode);

// Where the "tessera" search path looks: the theme's folder first, the resource root second.
QStringList themeSearchPaths(ThemeMode mode);

} // namespace Tessera
