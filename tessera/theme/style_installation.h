#pragma once

#include "theme_mode.h"

namespace Tessera {

// Installs the toolkit style of a resolved theme: fresh icon caches, the "tessera" search
// path, the style with the theme's palette, the application and tool-tip fonts and palette.
void installStyle(ThemeMode resolvedMode);

// Sends a ThemeChangeEvent to every widget; widgets deleted meanwhile are skipped.
void broadcastThemeChange(ThemeMode resolvedMode);

// The tool tips take the palette of the style in force.
void refreshToolTipPalette();

} // namespace Tessera
