#pragma once

#include "palette/user_palette.h"

#include <QBrush>

class QStyleOption;
class QWidget;

namespace Tessera {

class Style;

// Which palette role a state asks for, apart from the drawing.

// The colour group of an option's state: Disabled, Active, or Inactive for windows in the
// background.
QPalette::ColorGroup colourGroup(const QStyleOption* option);

// The toolkit colours in force for the widget, set to the option's colour group.
UserPalette userPaletteFor(const QStyleOption* option, const QWidget* widget, const Style& style);

// The colour of the widget's background role; Base without a widget.
QBrush backgroundBrush(const QStyleOption* option, const QWidget* widget);

// Arrows: Disabled when disabled, Active when hovered, on, selected or sunken, else Inactive.
QPalette::ColorGroup arrowColourGroup(const QStyleOption* option);

// A menu drawn in the touch-friendly size.
bool isLargeMenu(const QWidget* widget);

// A tool tip whose text carries the "ts-detailed-tooltip" marker.
bool isDetailedToolTip(const QWidget* widget);

} // namespace Tessera
