#include "rounded_rect.h"

#include "geometry.h"
#include "painter_guard.h"
#include "pixel_grid.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace Orrery {
namespace {

struct CornerArc {
    Qt::Corner corner;
    qreal startAngle;
};

// Clockwise from the top left.
constexpr std::array<CornerArc, 4> ClockwiseCorners = {{{Qt::TopLeftCorner, 180.0},
                                                        {Qt::TopRightCorner, 90.0},
                                                        {Qt::BottomRightCorner, 0.0},
                                                        {Qt::BottomLeftCorner, 270.0}}};

QPainterPath cornerPath(const QRectF& rect, const CornerRadii& radii)
{
    QPainterPath path;
    if (!rect.isValid())
        return path;
    for (const CornerArc& arc : ClockwiseCorners) {
        const qreal radius = radii[std::size_t(arc.corner)];
        if (2 * radius > 0) {
            const QSizeF square = QSizeF(2 * radius, 2 * radius).boundedTo(rect.size());
            const QRectF arcRect = alignedRect(cornerAlignment(arc.corner), square, rect);
            if (path.elementCount() == 0)
                path.arcMoveTo(arcRect, arc.startAngle);
            path.arcTo(arcRect, arc.startAngle, -90.0);
        } else if (path.elementCount() == 0) {
            path.moveTo(cornerPoint(arc.corner, rect));
        } else {
            path.lineTo(cornerPoint(arc.corner, rect));
        }
    }
    path.closeSubpath();
    return path;
}

// A stroked rectangle leaves its corner pixels partly lit; filled as a ring the frame is crisp
// all round.
void drawSquareFrame(QPainter* painter, const QRectF& centreLine, const QPen& pen,
                     const QBrush& brush)
{
    const qreal half = pen.widthF() * 0.5;
    const QRectF outer = centreLine.adjusted(-half, -half, half, half);
    const QRectF inner = centreLine.adjusted(half, half, -half, -half);
    if (brush.style() != Qt::NoBrush && inner.isValid())
        painter->fillRect(inner, brush);
    QPainterPath ring;
    ring.setFillRule(Qt::OddEvenFill);
    ring.addRect(outer);
    if (inner.isValid())
        ring.addRect(inner);
    painter->fillPath(ring, pen.brush());
}

} // namespace

void drawRoundedRect(QPainter* painter, const QRectF& rect, const QPen& pen, const QBrush& brush,
                     const CornerRadii& radii)
{
    if (!rect.isValid() || (pen.style() == Qt::NoPen && brush.style() == Qt::NoBrush))
        return;

    QPen alignedPen = pen;
    QRectF inset = rect;
    if (pen.style() != Qt::NoPen) {
        alignedPen.setWidthF(alignedPenWidth(painter, pen.widthF()));
        inset = alignedStrokeRect(painter, rect, pen.widthF());
    }
    const PainterGuard guard(painter, alignedPen, brush);

    const bool uniform = std::all_of(radii.begin(), radii.end(),
                                     [&](qreal radius) { return fuzzyEqual(radius, radii[0]); });
    if (uniform && radii[0] <= 0 && alignedPen.style() == Qt::SolidLine) {
        drawSquareFrame(painter, inset, alignedPen, brush);
    } else if (uniform) {
        if (radii[0] > 0)
            painter->drawRoundedRect(inset, radii[0], radii[0], Qt::AbsoluteSize);
        else
            painter->drawRects(&inset, 1);
    } else {
        painter->drawPath(cornerPath(inset, radii));
    }
}

} // namespace Orrery
