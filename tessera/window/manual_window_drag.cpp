#include "manual_window_drag.h"

#include <algorithm>

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QScreen>
#include <QWidget>

namespace Tessera {
namespace {

// The new position of one edge, so that the length between it and the fixed edge stays
// within the window's limits.
int movedEdge(int edge, int delta, int fixedEdge, int minimum, int maximum, bool growsBackwards)
{
    const int length = growsBackwards ? fixedEdge - (edge + delta) : (edge + delta) - fixedEdge;
    const int bounded = std::clamp(length, minimum, maximum);
    return growsBackwards ? fixedEdge - bounded : fixedEdge + bounded;
}

QPoint lastPress;

} // namespace

void ManualWindowDrag::notePress(const QPoint& globalPosition)
{
    lastPress = globalPosition;
}

QPoint ManualWindowDrag::pressPosition()
{
    return lastPress;
}

bool ManualWindowDrag::start(QWidget* window, Qt::Edges edges)
{
    if (!(QGuiApplication::mouseButtons() & Qt::LeftButton))
        return false;
    return begin(new ManualWindowDrag(window, edges, window->geometry(), {}));
}

bool ManualWindowDrag::startMove(QWidget* window, const QRect& startGeometry, const QRect& handle)
{
    if (!(QGuiApplication::mouseButtons() & Qt::LeftButton))
        return false;
    return begin(new ManualWindowDrag(window, {}, startGeometry, handle));
}

bool ManualWindowDrag::begin(ManualWindowDrag* drag)
{
    qApp->installEventFilter(drag);
    drag->follow(QCursor::pos());
    return true;
}

ManualWindowDrag::ManualWindowDrag(QWidget* window, Qt::Edges edges, const QRect& startGeometry,
                                   const QRect& handle)
    : QObject(window)
    , m_window(window)
    , m_edges(edges)
    , m_startCursor(lastPress)
    , m_startGeometry(startGeometry)
    , m_handle(handle)
{}

bool ManualWindowDrag::eventFilter(QObject*, QEvent* event)
{
    if (event->type() == QEvent::MouseMove) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->buttons() & Qt::LeftButton) {
            follow(mouse->globalPosition().toPoint());
            return true;
        }
    }
    if (event->type() == QEvent::MouseMove || event->type() == QEvent::MouseButtonRelease) {
        qApp->removeEventFilter(this);
        deleteLater();
    }
    return false;
}

void ManualWindowDrag::follow(const QPoint& globalPosition)
{
    if (!m_window)
        return;
    const QPoint delta = globalPosition - m_startCursor;
    if (!m_edges) {
        m_window->move(reachablePosition(m_startGeometry.topLeft() + delta, globalPosition));
        return;
    }
    const QRect start = m_startGeometry;
    const QSize minimum = m_window->minimumSize();
    const QSize maximum = m_window->maximumSize();
    QRect geometry = start;
    // Edges as the coordinate just past the window, so that lengths need no "+ 1".
    const int right = start.x() + start.width();
    const int bottom = start.y() + start.height();
    if (m_edges & Qt::LeftEdge)
        geometry.setLeft(
            movedEdge(start.x(), delta.x(), right, minimum.width(), maximum.width(), true));
    if (m_edges & Qt::RightEdge)
        geometry.setWidth(
            movedEdge(right, delta.x(), start.x(), minimum.width(), maximum.width(), false) -
            start.x());
    if (m_edges & Qt::TopEdge) {
        // The title bar is not pulled above the screen either.
        const int highest = std::min(start.y(), availableArea(globalPosition).top());
        geometry.setTop(std::max(highest, movedEdge(start.y(), delta.y(), bottom, minimum.height(),
                                                    maximum.height(), true)));
    }
    if (m_edges & Qt::BottomEdge)
        geometry.setHeight(
            movedEdge(bottom, delta.y(), start.y(), minimum.height(), maximum.height(), false) -
            start.y());
    m_window->setGeometry(geometry);
}

QRect ManualWindowDrag::availableArea(const QPoint& globalPosition) const
{
    const QScreen* screen = QGuiApplication::screenAt(globalPosition);
    if (!screen)
        screen = m_window->screen();
    return screen ? screen->availableGeometry() : QRect();
}

// No window manager checks a move the toolkit makes itself: without this, the title bar, and
// with it the only handle to move the window back, could be pushed off the screen.
QPoint ManualWindowDrag::reachablePosition(QPoint topLeft, const QPoint& globalPosition) const
{
    const QRect area = availableArea(globalPosition);
    if (m_handle.isEmpty() || area.isEmpty())
        return topLeft;
    const int grip = std::max(m_handle.width() / 3, 1);
    const int leftmost = area.left() + grip - (m_handle.x() + m_handle.width());
    const int rightmost = area.left() + area.width() - grip - m_handle.x();
    const int highest = area.top() - m_handle.y();
    const int lowest = area.top() + area.height() - (m_handle.y() + m_handle.height());
    topLeft.setX(std::clamp(topLeft.x(), leftmost, std::max(leftmost, rightmost)));
    topLeft.setY(std::clamp(topLeft.y(), highest, std::max(highest, lowest)));
    return topLeft;
}

} // namespace Tessera
