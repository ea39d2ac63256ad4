#include "tessera/window/platform/frameless_windows.h"

#include <QGuiApplication>
#include <QHash>
#include <QWidget>
#include <QWindow>

namespace Tessera::Platform {
namespace {

// The registered widgets with their destroyed connections; an entry goes with its widget.
QHash<QWidget*, QMetaObject::Connection>& registry()
{
    static QHash<QWidget*, QMetaObject::Connection> widgets;
    return widgets;
}

// Setting window flags hides a visible window; it is shown again.
void setFrameless(QWidget* widget, bool frameless)
{
    if (widget->windowFlags().testFlag(Qt::FramelessWindowHint) == frameless)
        return;
    const bool visible = widget->isVisible();
    widget->setWindowFlag(Qt::FramelessWindowHint, frameless);
    if (visible)
        widget->show();
}

bool isX11()
{
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

} // namespace

// On X11 and Wayland the window manager draws the frame; without it the toolkit's title bar
// and resize bands do its work through startSystemMove() and startSystemResize().
bool addFramelessWindow(QWidget* widget)
{
    if (registry().contains(widget))
        return true;
    registry().insert(widget, QObject::connect(widget, &QObject::destroyed,
                                               [widget] { registry().remove(widget); }));
    setFrameless(widget, true);
    return true;
}

void removeFramelessWindow(QWidget* widget, bool restoreFrame)
{
    if (!registry().contains(widget))
        return;
    QObject::disconnect(registry().take(widget));
    if (restoreFrame)
        setFrameless(widget, false);
}

// Qt 6.4's xcb backend hands the window manager a wrong pointer position whenever its idea of
// the frame position is stale (under openbox about every other drag started just after the
// window appeared), and the window jumps. On X11 the toolkit moves and resizes the window
// itself; Wayland allows only the system's.
bool startSystemMove(QWindow* window)
{
    return !isX11() && window->startSystemMove();
}

bool startSystemResize(QWindow* window, Qt::Edges edges)
{
    return !isX11() && window->startSystemResize(edges);
}

// Neither X11 window managers without a compositor nor Wayland compositors draw anything
// around a window without decorations.
bool systemShowsWindowEdge()
{
    return false;
}

} // namespace Tessera::Platform
