#pragma once

#include <QMarginsF>
#include <QSizeF>

class QStyleOption;
class QWidget;

// The style's sizes as design values at 96 DPI; scaledValue() turns them into pixels.
namespace Tessera::Metrics {

inline constexpr int FrameWidth = 1; // not scaled
inline constexpr int ButtonMargin = 3;
inline constexpr int IndicatorSize = 12;
inline constexpr int ScrollBarExtentInView = 16;
inline constexpr int ScrollBarExtent = 20;
inline constexpr int ScrollBarSliderMin = 29;
inline constexpr int SliderThickness = 14;
inline constexpr int SliderTickmarkOffset = 2;
inline constexpr QMarginsF TabMargins{7, 3, 7, 3};
inline constexpr int SplitterWidth = 1;
// Between a view cell's text and its neighbours'.
inline constexpr int ItemTextPadding = 4;
inline constexpr int TitleBarButtonSize = 24;
inline constexpr int TitleBarExtraHeight = 6;
inline constexpr int MenuHMargin = 4;
inline constexpr int MenuVMargin = 4;
inline constexpr int LargeMenuVMargin = 8;
inline constexpr int MenuTearoffMargin = 4;
inline constexpr int SmallIconSize = 16;
inline constexpr int LargeMenuIconSize = 24;
inline constexpr int LargeIconSize = 32;
inline constexpr int LayoutSpacing = 8;
inline constexpr int ScrollViewSpacing = 4;
inline constexpr qreal LargeMenuMinimumWidth = 260;
inline constexpr QSizeF MinimumDialogSize{420, 100};
inline constexpr qreal PushButtonMinimumWidth = 66;
inline constexpr QMarginsF TextMargins{3, 0, 3, 0};
inline constexpr QMarginsF LineEditContentsShrink{2, 1, 2, 1};
inline constexpr QMarginsF MenuMargins{7, 0, 7, 0};
inline constexpr qreal MenuIconGap = 8;
inline constexpr qreal MenuCheckColumn = 12;
inline constexpr int PushButtonIconGap = 3;
inline constexpr int ToolButtonIconGap = 4;
// QMenu widens the widest icon by this much before it hands it to the style.
inline constexpr int QtMenuIconPadding = 4;

// Drawing.
inline constexpr qreal CornerRadius = 2;
inline constexpr qreal ScrollBarSliderRadius = 6;
inline constexpr qreal ToolTipRadius = 4;
inline constexpr qreal DetailedToolTipRadius = 8;
inline constexpr qreal IndicatorLineWidth = 1.5;
inline constexpr qreal FocusRingWidth = 2;
inline constexpr qreal LargeMenuLineWidth = 2;
inline constexpr qreal ToolTipLineWidth = 2;
inline constexpr qreal CheckMarkPenWidth = 1.6;
inline constexpr QMarginsF CheckMarkMargins{2.5, 3, 2, 3};
inline constexpr qreal PartialMarkInset = 3;
inline constexpr qreal RadioDotInset = 3;
inline constexpr qreal ArrowUnitSmall = 0.375;
inline constexpr qreal ArrowUnitLarge = 0.75;
inline constexpr qreal ArrowBoxWidthUnits = 18.8;
inline constexpr qreal ArrowBoxHeightUnits = 9.4;
inline constexpr qreal FilledArrowPenUnits = 1.2;
inline constexpr qreal ChevronPenUnits = 3.2;
inline constexpr qreal SliderGrooveThickness = 4;

// The logical DPI of the widget, else of the option's style object or font, else of the
// primary screen (96 with Qt::AA_Use96Dpi).
double logicalDpi(const QStyleOption* option, const QWidget* widget);
// value x logicalDpi / 96.
double scaledValue(double value, const QStyleOption* option, const QWidget* widget);
QSizeF scaledValue(const QSizeF& value, const QStyleOption* option, const QWidget* widget);
QMarginsF scaledValue(const QMarginsF& value, const QStyleOption* option, const QWidget* widget);
// The same, rounded half away from zero, or up.
int scaled(double value, const QStyleOption* option, const QWidget* widget);
int scaledCeil(double value, const QStyleOption* option, const QWidget* widget);

} // namespace Tessera::Metrics
