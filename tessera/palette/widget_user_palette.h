#pragma once

#include "user_palette.h"

class QWidget;

namespace Tessera {

class Style;

// The toolkit colours in force for a widget: the roles it set itself in "tsr_user_palette",
// the rest from the style's palette (an empty table without a toolkit style).
UserPalette userPaletteFor(const QWidget* widget, const Style* style);

// The roles a widget set itself; an empty table when it set none.
UserPalette ownUserPalette(const QWidget* widget);

} // namespace Tessera
