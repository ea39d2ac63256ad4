#include "manual_window_drag.h"

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
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

bool ManualWindowDrag::start(QWidget* window, Qt::Edges edges)
{
    if (!(QGuiApplication::mouseButtons() & Qt::LeftButton))
        return false;
    auto* drag = new ManualWindowDrag(window, edges);
    qApp->installEventFilter(drag);
    drag->follow(QCursor::pos());
    return true;
}

ManualWindowDrag::ManualWindowDrag(QWidget* window, Qt::Edges edges)
    : QObject(window)
    , m_window(window)
    , m_edges(edges)
    , m_startCursor(lastPress)
    , m_startGeometry(window->geometry())
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
        m_window->move(m_startGeometry.topLeft() + delta);
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
    if (m_edges & Qt::TopEdge)
        geometry.setTop(
            movedEdge(start.y(), delta.y(), bottom, minimum.height(), maximum.height(), true));
    if (m_edges & Qt::BottomEdge)
        geometry.setHeight(
            movedEdge(bottom, delta.y(), start.y(), minimum.height(), maximum.height(), false) -
            start.y());
    m_window->setGeometry(geometry);
}

} // namespace Tessera
