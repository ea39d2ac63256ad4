#pragma once

#include <QBrush>
#include <QPen>
#include <QRectF>

#include <array>

class QPainter;

namespace Orrery {

// In the order of Qt::Corner: top left, top right, bottom left, bottom right.
using CornerRadii = std::array<qreal, 4>;

// Draws the rectangle with its own radius at each corner, antialiased, leaving the painter's
// pen, brush and antialiasing as they were.
void drawRoundedRect(QPainter* painter, const QRectF& rect, const QPen& pen, const QBrush& brush,
                     const CornerRadii& radii);

} // namespace Orrery
