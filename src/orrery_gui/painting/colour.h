#pragma once

#include <QColor>

namespace Orrery {

// over laid onto under with weight alpha, both with their own alpha (premultiplied mixing).
// alpha outside 0..1 is reported as a logic error and clamped.
QColor blend(const QColor& over, const QColor& under, double alpha);

// Perceived brightness 0..255: (299 red + 587 green + 114 blue) / 1000.
int luminance(const QColor& colour);

// The WCAG 2 contrast ratio of two opaque colours, 1 (none) to 21 (black on white).
double contrastRatio(const QColor& first, const QColor& second);

// Opaque white on dark backgrounds (luminance below 187), opaque black otherwise.
QColor contrastingTextColour(const QColor& background);

} // namespace Orrery
