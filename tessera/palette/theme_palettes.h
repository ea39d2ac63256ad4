#pragma once

#include "palette.h"

namespace Tessera {

Palette darkThemePalette();
Palette lightThemePalette();

} // namespace Tessera
