#pragma once

#include "orrery_gui/painting/rounded_rect.h"

#include <QBrush>
#include <QPen>
#include <QPolygonF>
#include <QRectF>

class QPainter;

namespace Tessera {

enum class ArrowDirection { None = 0, Up = 1, Down = 2, Left = 3, Right = 4 };

// Each primitive draws nothing for an empty shape or when neither pen nor brush would paint,
// and leaves the painter's pen, brush and antialiasing as it found them.

// First point, apex, last point; empty for an invalid rectangle or no direction.
QPolygonF arrowPolygon(ArrowDirection direction, const QRectF& rect);
void fillArrow(QPainter* painter, ArrowDirection direction, const QRectF& rect, const QPen& pen,
               const QBrush& brush);
void strokeArrow(QPainter* painter, ArrowDirection direction, const QRectF& rect, const QPen& pen);

void drawCheckMark(QPainter* painter, const QRectF& rect, const QPen& pen);
void drawConvexPolygon(QPainter* painter, const QPolygonF& polygon, const QPen& pen,
                       const QBrush& brush);
// Inscribed in the rectangle inset by half the pen width.
void drawEllipse(QPainter* painter, const QRectF& rect, const QPen& pen, const QBrush& brush);
void drawRoundedRect(QPainter* painter, const QRectF& rect, const QPen& pen, const QBrush& brush,
                     qreal radius);
void drawRoundedRect(QPainter* painter, const QRectF& rect, const QPen& pen, const QBrush& brush,
                     const Orrery::CornerRadii& radii);
// A line along the middle of a pen-thick box placed in the rectangle by the alignment.
void drawLine(QPainter* painter, Qt::Orientation orientation, Qt::Alignment alignment,
              const QRectF& rect, const QPen& pen);
void drawLine(QPainter* painter, Qt::Orientation orientation, const QRectF& rect, const QPen& pen);

} // namespace Tessera
