#pragma once

#include "tessera/palette/user_palette.h"

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

// The text colour for a button's fill: the preferred colour, or where that stands out less than
// 7:1 from the fill (the toolkit's type is light and small, so the margin over WCAG AA's 4.5 is
// needed), the one of the theme's text and base colours that stands out most.
QColor buttonTextColour(const QColor& fill, const QColor& preferred, const QPalette& palette,
                        const UserPalette& user);

// The fill a button of that option shows, or what it is drawn on when it has none.
QColor buttonFillColour(const QStyleOption* option, const QWidget* widget, const Style& style);

// A menu drawn in the touch-friendly size.
bool isLargeMenu(const QWidget* widget);

// A tool tip whose text carries the "ts-detailed-tooltip" marker.
bool isDetailedToolTip(const QWidget* widget);

} // namespace Tessera
