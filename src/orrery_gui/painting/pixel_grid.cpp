#include "pixel_grid.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <optional>

namespace Orrery {
namespace {

std::optional<QTransform> scalingTransform(const QPainter* painter)
{
    if (painter == nullptr || !painter->isActive())
        return std::nullopt;
    const QTransform transform = painter->deviceTransform();
    if (transform.type() > QTransform::TxScale || transform.m11() <= 0 || transform.m22() <= 0)
        return std::nullopt;
    return transform;
}

qreal wholePixels(qreal deviceWidth)
{
    return std::max<qreal>(1, std::round(deviceWidth));
}

} // namespace

qreal alignedPenWidth(const QPainter* painter, qreal width)
{
    const auto transform = scalingTransform(painter);
    if (!transform || width <= 0)
        return width;
    return wholePixels(width * transform->m11()) / transform->m11();
}

QRectF alignedStrokeRect(const QPainter* painter, const QRectF& outer, qreal width)
{
    const auto transform = scalingTransform(painter);
    if (!transform) {
        const qreal half = width / 2;
        return outer.adjusted(half, half, -half, -half);
    }
    const QRectF device = transform->mapRect(outer);
    const QPointF topLeft(std::round(device.left()), std::round(device.top()));
    const QPointF bottomRight(std::round(device.right()), std::round(device.bottom()));
    const qreal half = wholePixels(width * transform->m11()) / 2;
    const QRectF centre = QRectF(topLeft, bottomRight).adjusted(half, half, -half, -half);
    return transform->inverted().mapRect(centre);
}

qreal alignedLineCentre(const QPainter* painter, qreal centre, qreal width,
                        Qt::Orientation orientation)
{
    const auto transform = scalingTransform(painter);
    if (!transform)
        return centre;
    const bool horizontal = orientation == Qt::Horizontal;
    const qreal scale = horizontal ? transform->m22() : transform->m11();
    const qreal offset = horizontal ? transform->dy() : transform->dx();
    const qreal half = wholePixels(width * scale) / 2;
    const qreal deviceCentre = centre * scale + offset;
    return (std::round(deviceCentre - half) + half - offset) / scale;
}

} // namespace Orrery
