#include "geometry.h"

#include <algorithm>
#include <cmath>

namespace Orrery {
namespace {

template <typename Offset>
Offset horizontalOffset(Qt::Alignment alignment, Offset free, Offset half)
{
    if (alignment & Qt::AlignRight)
        return free;
    if (alignment & Qt::AlignHCenter)
        return half;
    return Offset{};
}

template <typename Offset>
Offset verticalOffset(Qt::Alignment alignment, Offset free, Offset half)
{
    if (alignment & Qt::AlignVCenter)
        return half;
    if (alignment & Qt::AlignBottom)
        return free;
    return Offset{};
}

} // namespace

bool fuzzyEqual(qreal a, qreal b)
{
    const qreal difference = std::abs(a - b);
    return difference <= 1e-12 || difference <= 1e-12 * std::max(std::abs(a), std::abs(b));
}

QRect alignedRect(Qt::Alignment alignment, const QSize& size, const QRect& rect)
{
    const int freeWidth = rect.width() - size.width();
    const int freeHeight = rect.height() - size.height();
    const QPoint offset(horizontalOffset(alignment, freeWidth, freeWidth / 2),
                        verticalOffset(alignment, freeHeight, freeHeight / 2));
    return QRect(rect.topLeft() + offset, size);
}

QRectF alignedRect(Qt::Alignment alignment, const QSizeF& size, const QRectF& rect)
{
    const qreal freeWidth = rect.width() - size.width();
    const qreal freeHeight = rect.height() - size.height();
    const QPointF offset(horizontalOffset(alignment, freeWidth, freeWidth * 0.5),
                         verticalOffset(alignment, freeHeight, freeHeight * 0.5));
    return QRectF(rect.topLeft() + offset, size);
}

Qt::Alignment cornerAlignment(Qt::Corner corner)
{
    switch (corner) {
    case Qt::TopLeftCorner:
        return Qt::AlignLeft | Qt::AlignTop;
    case Qt::TopRightCorner:
        return Qt::AlignRight | Qt::AlignTop;
    case Qt::BottomLeftCorner:
        return Qt::AlignLeft | Qt::AlignBottom;
    default:
        return Qt::AlignRight | Qt::AlignBottom;
    }
}

QPointF cornerPoint(Qt::Corner corner, const QRectF& rect)
{
    switch (corner) {
    case Qt::TopLeftCorner:
        return rect.topLeft();
    case Qt::TopRightCorner:
        return rect.topRight();
    case Qt::BottomLeftCorner:
        return rect.bottomLeft();
    default:
        return rect.bottomRight();
    }
}

QSize ceilSize(const QSizeF& size)
{
    return QSize(int(std::ceil(size.width())), int(std::ceil(size.height())));
}

QMargins ceilMargins(const QMarginsF& margins)
{
    return QMargins(int(std::ceil(margins.left())), int(std::ceil(margins.top())),
                    int(std::ceil(margins.right())), int(std::ceil(margins.bottom())));
}

QRect innerRect(const QRectF& rect)
{
    const int left = int(std::ceil(rect.left()));
    const int top = int(std::ceil(rect.top()));
    return QRect(left, top, int(std::floor(rect.right())) - left,
                 int(std::floor(rect.bottom())) - top);
}

} // namespace Orrery
