#include "window_resize_area.h"

#include "manual_window_drag.h"

#include <QApplication>
#include <QMouseEvent>

namespace Tessera {
namespace {

std::optional<WindowOperation> operationFor(Qt::Edges edges)
{
    static const std::pair<Qt::Edges, WindowOperation> operations[] = {
        {Qt::TopEdge, WindowOperation::ResizeTop},
        {Qt::LeftEdge, WindowOperation::ResizeLeft},
        {Qt::TopEdge | Qt::LeftEdge, WindowOperation::ResizeTopLeft},
        {Qt::RightEdge, WindowOperation::ResizeRight},
        {Qt::TopEdge | Qt::RightEdge, WindowOperation::ResizeTopRight},
        {Qt::BottomEdge, WindowOperation::ResizeBottom},
        {Qt::BottomEdge | Qt::LeftEdge, WindowOperation::ResizeBottomLeft},
        {Qt::BottomEdge | Qt::RightEdge, WindowOperation::ResizeBottomRight},
    };
    for (const auto& [operationEdges, operation] : operations)
        if (operationEdges == edges)
            return operation;
    return std::nullopt;
}

bool isFixed(int minimum, int maximum, QSizePolicy::Policy policy)
{
    return minimum == maximum || policy == QSizePolicy::Fixed;
}

} // namespace

WindowResizeArea::WindowResizeArea(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_MouseTracking);
    setAutoFillBackground(false);
    setAttribute(Qt::WA_StaticContents);
    updateMask();
}

void WindowResizeArea::setMargins(const QMargins& margins)
{
    if (margins == m_margins)
        return;
    m_margins = margins;
    updateMask();
}

QMargins WindowResizeArea::clampedMargins() const
{
    const int halfWidth = width() / 2;
    const int halfHeight = height() / 2;
    return {std::clamp(m_margins.left(), 0, halfWidth), std::clamp(m_margins.top(), 0, halfHeight),
            std::clamp(m_margins.right(), 0, halfWidth),
            std::clamp(m_margins.bottom(), 0, halfHeight)};
}

void WindowResizeArea::updateMask()
{
    setAttribute(Qt::WA_DontShowOnScreen, m_margins.isNull());
    const QMargins clamped = clampedMargins();
    const QRect whole = rect();
    const QRect inner = whole - clamped;
    QRegion region;
    if (clamped.isNull())
        region = QRegion();
    else if (inner.isEmpty())
        region = whole;
    else {
        if (clamped.top() > 0)
            region += QRect(whole.x(), whole.y(), whole.width(), clamped.top());
        if (clamped.left() > 0)
            region += QRect(whole.x(), inner.y(), clamped.left(), inner.height());
        if (clamped.right() > 0)
            region += QRect(inner.x() + inner.width(), inner.y(), clamped.right(), inner.height());
        if (clamped.bottom() > 0)
            region += QRect(whole.x(), inner.y() + inner.height(), whole.width(), clamped.bottom());
    }
    if (region.isEmpty())
        clearMask();
    else
        setMask(region);
}

Qt::Edges WindowResizeArea::edgesAt(const QPoint& point) const
{
    const QMargins clamped = clampedMargins();
    if (clamped.isNull())
        return {};
    const QRect whole = rect();
    const QRect inner = whole - clamped;
    Qt::Edges edges;
    if (point.x() >= whole.x() && point.x() <= inner.x())
        edges |= Qt::LeftEdge;
    else if (point.x() >= inner.x() + inner.width() && point.x() <= whole.x() + whole.width())
        edges |= Qt::RightEdge;
    if (point.y() >= whole.y() && point.y() <= inner.y())
        edges |= Qt::TopEdge;
    else if (point.y() >= inner.y() + inner.height() && point.y() <= whole.y() + whole.height())
        edges |= Qt::BottomEdge;
    return edges;
}

std::optional<WindowOperation> WindowResizeArea::operationAt(const QPoint& point) const
{
    const Qt::Edges edges = edgesAt(point);
    if (!edges)
        return std::nullopt;
    const QWidget* top = window();
    const QSizePolicy policy = top->sizePolicy();
    if ((edges & (Qt::LeftEdge | Qt::RightEdge)) &&
        isFixed(top->minimumWidth(), top->maximumWidth(), policy.horizontalPolicy()))
        return std::nullopt;
    if ((edges & (Qt::TopEdge | Qt::BottomEdge)) &&
        isFixed(top->minimumHeight(), top->maximumHeight(), policy.verticalPolicy()))
        return std::nullopt;
    return operationFor(edges);
}

void WindowResizeArea::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    updateMask();
}

void WindowResizeArea::updateCursor(const QPoint& point)
{
    const std::optional<WindowOperation> operation = operationAt(point);
    const std::optional<Qt::CursorShape> cursor =
        operation ? resizeCursor(*operation) : std::nullopt;
    if (cursor == m_cursor)
        return;
    m_cursor = cursor;
    if (cursor)
        setCursor(*cursor);
    else
        unsetCursor();
}

void WindowResizeArea::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    if (const std::optional<WindowOperation> operation = operationAt(event->position().toPoint())) {
        m_pressOperation = *operation;
        m_pressPosition = event->position().toPoint();
        m_pressed = true;
        ManualWindowDrag::notePress(event->globalPosition().toPoint());
    }
    event->accept();
}

void WindowResizeArea::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint position = event->position().toPoint();
    if (!m_pressed)
        updateCursor(position);
    else if ((position - m_pressPosition).manhattanLength() >= QApplication::startDragDistance()) {
        m_pressed = false;
        Q_EMIT operationRequested(m_pressOperation);
    }
    event->accept();
}

void WindowResizeArea::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_pressed) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    m_pressed = false;
    updateCursor(event->position().toPoint());
    event->accept();
}

void WindowResizeArea::mouseDoubleClickEvent(QMouseEvent* event)
{
    m_pressed = false;
    event->accept();
}

} // namespace Tessera
