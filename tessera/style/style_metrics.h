#pragma once

class QStyleOption;
class QWidget;

// The style's sizes as design values at 96 DPI; scaledValue() turns them into pixels.
namespace Tessera::Metrics {

inline constexpr int FrameWidth = 1; // not scaled
inline constexpr int TitleBarButtonSize = 24;
inline constexpr int TitleBarExtraHeight = 6;
inline constexpr int TitleBarButtonIconSize = 16;

// value x the logical DPI of the widget (else of the option's style object or font, else of
// the primary screen) / 96.
double scaledValue(double value, const QStyleOption* option, const QWidget* widget);
// The same, rounded half away from zero.
int scaled(double value, const QStyleOption* option, const QWidget* widget);

} // namespace Tessera::Metrics
