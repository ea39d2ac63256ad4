#pragma once

#include <QRectF>

class QPainter;

// A stroke looks crisp only when its device width is a whole number of pixels and its edges lie
// on pixel edges; elsewhere it is smeared over two half-lit pixels. These helpers move strokes
// onto the device's pixel grid, whatever the device pixel ratio and the painter's scale and
// translation; under a rotation or shear they change nothing.
namespace Orrery {

// The width made a whole number of device pixels, at least one.
qreal alignedPenWidth(const QPainter* painter, qreal width);

// For a stroke of the (aligned) width inside the outer rectangle: its edges moved to pixel
// edges, then inset by half the width, giving the rectangle the stroke's centre line follows.
QRectF alignedStrokeRect(const QPainter* painter, const QRectF& outer, qreal width);

// The coordinate across a line (y for a horizontal line, x for a vertical one) moved so that a
// line of the (aligned) width covers whole pixels.
qreal alignedLineCentre(const QPainter* painter, qreal centre, qreal width,
                        Qt::Orientation orientation);

} // namespace Orrery
