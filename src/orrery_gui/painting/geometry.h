#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>

namespace Orrery {

// Whether two measures are the same within 1e-12, absolutely or relative to the larger one.
bool fuzzyEqual(qreal a, qreal b);

// A rectangle of the given size placed in rect by the alignment (no right-to-left mirroring).
QRect alignedRect(Qt::Alignment alignment, const QSize& size, const QRect& rect);
QRectF alignedRect(Qt::Alignment alignment, const QSizeF& size, const QRectF& rect);

Qt::Alignment cornerAlignment(Qt::Corner corner);
QPointF cornerPoint(Qt::Corner corner, const QRectF& rect);

QSize ceilSize(const QSizeF& size);
QMargins ceilMargins(const QMarginsF& margins);

// The whole pixels that lie completely inside the rectangle.
QRect innerRect(const QRectF& rect);

} // namespace Orrery
