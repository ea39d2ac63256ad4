#include "shape_primitives.h"

#include "orrery_gui/painting/geometry.h"
#include "orrery_gui/painting/painter_guard.h"
#include "orrery_gui/painting/pixel_grid.h"

#include <QLineF>
#include <QPainter>

#include <cmath>

namespace Tessera {
namespace {

bool isVisible(const QPen& pen)
{
    return pen.style() != Qt::NoPen;
}

bool paintsAnything(const QPen& pen, const QBrush& brush)
{
    return isVisible(pen) || brush.style() != Qt::NoBrush;
}

} // namespace

QPolygonF arrowPolygon(ArrowDirection direction, const QRectF& r)
{
    if (!r.isValid())
        return {};
    const qreal middleX = r.left() + r.width() * 0.5;
    const qreal middleY = r.top() + r.height() * 0.5;
    switch (direction) {
    case ArrowDirection::Up:
        return QPolygonF({r.bottomLeft(), QPointF(middleX, r.top()), r.bottomRight()});
    case ArrowDirection::Down:
        return QPolygonF({r.topRight(), QPointF(middleX, r.bottom()), r.topLeft()});
    case ArrowDirection::Left:
        return QPolygonF({r.bottomRight(), QPointF(r.left(), middleY), r.topRight()});
    case ArrowDirection::Right:
        return QPolygonF({r.topLeft(), QPointF(r.right(), middleY), r.bottomLeft()});
    default:
        return {};
    }
}

void fillArrow(QPainter* painter, ArrowDirection direction, const QRectF& rect, const QPen& pen,
               const QBrush& brush)
{
    drawConvexPolygon(painter, arrowPolygon(direction, rect), pen, brush);
}

void strokeArrow(QPainter* painter, ArrowDirection direction, const QRectF& rect, const QPen& pen)
{
    const QPolygonF polygon = arrowPolygon(direction, rect);
    if (polygon.isEmpty() || !isVisible(pen))
        return;
    const Orrery::PainterGuard guard(painter, pen);
    painter->drawPolyline(polygon);
}

void drawCheckMark(QPainter* painter, const QRectF& rect, const QPen& pen)
{
    if (!rect.isValid() || !isVisible(pen))
        return;
    const qreal w = pen.widthF();
    const qreal d = w * 0.5 / std::sqrt(2.0);
    const QPointF points[] = {
        QPointF(rect.left() + d, rect.top() + rect.height() * 0.5 + d),
        QPointF(rect.left() + rect.width() / 3, rect.bottom() - w * 0.5),
        QPointF(rect.right() - d, rect.top() + d),
    };
    const Orrery::PainterGuard guard(painter, pen);
    painter->drawPolyline(points, 3);
}

void drawConvexPolygon(QPainter* painter, const QPolygonF& polygon, const QPen& pen,
                       const QBrush& brush)
{
    if (polygon.isEmpty() || !paintsAnything(pen, brush))
        return;
    const Orrery::PainterGuard guard(painter, pen, brush);
    painter->drawConvexPolygon(polygon);
}

void drawEllipse(QPainter* painter, const QRectF& rect, const QPen& pen, const QBrush& brush)
{
    if (!rect.isValid() || !paintsAnything(pen, brush))
        return;
    const qreal inset = isVisible(pen) ? pen.widthF() * 0.5 : 0.0;
    const Orrery::PainterGuard guard(painter, pen, brush);
    painter->drawEllipse(rect.adjusted(inset, inset, -inset, -inset));
}

void drawRoundedRect(QPainter* painter, const QRectF& rect, const QPen& pen, const QBrush& brush,
                     qreal radius)
{
    Orrery::drawRoundedRect(painter, rect, pen, brush, {radius, radius, radius, radius});
}

void drawRoundedRect(QPainter* painter, const QRectF& rect, const QPen& pen, const QBrush& brush,
                     const Orrery::CornerRadii& radii)
{
    Orrery::drawRoundedRect(painter, rect, pen, brush, radii);
}

void drawLine(QPainter* painter, Qt::Orientation orientation, Qt::Alignment alignment,
              const QRectF& rect, const QPen& pen)
{
    if (!rect.isValid() || !isVisible(pen))
        return;
    const qreal thickness = pen.widthF();
    const bool horizontal = orientation == Qt::Horizontal;
    const QSizeF boxSize =
        horizontal ? QSizeF(rect.width(), thickness) : QSizeF(thickness, rect.height());
    const QRectF box = Orrery::alignedRect(alignment, boxSize, rect);
    const qreal centre = Orrery::alignedLineCentre(
        painter, horizontal ? box.center().y() : box.center().x(), thickness, orientation);
    const QLineF line = horizontal ? QLineF(box.left(), centre, box.right(), centre)
                                   : QLineF(centre, box.top(), centre, box.bottom());
    QPen aligned = pen;
    aligned.setWidthF(Orrery::alignedPenWidth(painter, thickness));
    const Orrery::PainterGuard guard(painter, aligned);
    painter->drawLines(&line, 1);
}

void drawLine(QPainter* painter, Qt::Orientation orientation, const QRectF& rect, const QPen& pen)
{
    drawLine(painter, orientation, Qt::AlignCenter, rect, pen);
}

} // namespace Tessera
