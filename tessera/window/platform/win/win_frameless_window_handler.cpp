#include "win_frameless_window_handler.h"

#include "tessera/window/platform/frameless_windows.h"

#include <QCoreApplication>
#include <QEvent>
#include <QOperatingSystemVersion>
#include <QWindow>

#include <dwmapi.h>

namespace Tessera {
namespace {

constexpr UINT FrameRefreshFlags =
    SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED | SWP_NOOWNERZORDER;
constexpr UINT ThemedCaptionPaint = 0x00AE;
constexpr UINT ThemedFramePaint = 0x00AF;

HWND handleOf(WId window)
{
    return reinterpret_cast<HWND>(window);
}

// The composited frame reaches one pixel into the client area, which keeps the shadow.
void extendFrame(WId window, bool registered)
{
    const MARGINS margins = registered ? MARGINS{0, 0, 1, 0} : MARGINS{0, 0, 0, 0};
    DwmExtendFrameIntoClientArea(handleOf(window), &margins);
    SetWindowPos(handleOf(window), nullptr, 0, 0, 0, 0, FrameRefreshFlags);
}

// The default handler would paint a native caption for a visible window.
LRESULT defaultWithoutCaption(const MSG& message)
{
    const LONG_PTR style = GetWindowLongPtrW(message.hwnd, GWL_STYLE);
    if (!(style & WS_VISIBLE))
        return DefWindowProcW(message.hwnd, message.message, message.wParam, message.lParam);
    SetWindowLongPtrW(message.hwnd, GWL_STYLE, style & ~WS_VISIBLE);
    const LRESULT result =
        DefWindowProcW(message.hwnd, message.message, message.wParam, message.lParam);
    SetWindowLongPtrW(message.hwnd, GWL_STYLE, style);
    return result;
}

// A maximised window fills the work area of its display instead of hanging over the edges by
// the invisible frame; the nearest display serves when none holds the rectangle.
void fitMaximisedToWorkArea(const MSG& message)
{
    auto* parameters = reinterpret_cast<NCCALCSIZE_PARAMS*>(message.lParam);
    RECT& proposed = parameters->rgrc[0];
    const HMONITOR monitor = MonitorFromRect(&proposed, MONITOR_DEFAULTTONEAREST);
    if (monitor == nullptr)
        return;
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(monitor, &info) && !IsRectEmpty(&info.rcWork))
        proposed = info.rcWork;
}

} // namespace

WinFramelessWindowHandler& WinFramelessWindowHandler::instance()
{
    static WinFramelessWindowHandler handler;
    return handler;
}

WinFramelessWindowHandler::WinFramelessWindowHandler()
{
    QCoreApplication::instance()->installNativeEventFilter(this);
}

WinFramelessWindowHandler::~WinFramelessWindowHandler()
{
    for (const Entry& entry : std::as_const(m_entries))
        QObject::disconnect(entry.destroyedConnection);
}

bool WinFramelessWindowHandler::addWindow(QWidget* widget)
{
    if (QOperatingSystemVersion::current() < QOperatingSystemVersion::Windows8)
        return false;
    if (m_entries.contains(widget))
        return true;
    widget->setAttribute(Qt::WA_DontCreateNativeAncestors);
    widget->setAttribute(Qt::WA_NativeWindow);
    widget->installEventFilter(this);
    const WId window = widget->effectiveWinId();
    Entry entry;
    entry.window = window;
    entry.destroyedConnection = connect(
        widget, &QObject::destroyed, this, [this, widget] { removeWindow(widget, false); },
        Qt::DirectConnection);
    m_entries.insert(widget, entry);
    m_widgetsByWindow.insert(window, widget);
    if (window != 0)
        extendFrame(window, true);
    return true;
}

void WinFramelessWindowHandler::removeWindow(QWidget* widget, bool restoreFrame)
{
    const auto found = m_entries.constFind(widget);
    if (found == m_entries.constEnd())
        return;
    const Entry entry = *found;
    m_entries.erase(found);
    m_widgetsByWindow.remove(entry.window, widget);
    QObject::disconnect(entry.destroyedConnection);
    widget->removeEventFilter(this);
    if (restoreFrame && entry.window != 0)
        extendFrame(entry.window, false);
}

void WinFramelessWindowHandler::setWindowId(QWidget* widget, WId window)
{
    Entry& entry = m_entries[widget];
    m_widgetsByWindow.remove(entry.window, widget);
    entry.window = window;
    m_widgetsByWindow.insert(window, widget);
}

bool WinFramelessWindowHandler::eventFilter(QObject* watched, QEvent* event)
{
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || !m_entries.contains(widget))
        return false;
    if (event->type() == QEvent::WinIdChange) {
        const WId window = widget->effectiveWinId();
        if (window != m_entries.value(widget).window) {
            setWindowId(widget, window);
            if (window != 0)
                extendFrame(window, true);
        }
    } else if (event->type() == QEvent::ScreenChangeInternal) {
        const WId window = m_entries.value(widget).window;
        if (window != 0)
            SetWindowPos(handleOf(window), nullptr, 0, 0, 0, 0, FrameRefreshFlags);
    }
    return false;
}

bool WinFramelessWindowHandler::nativeEventFilter(const QByteArray& eventType, void* message,
                                                  qintptr* result)
{
    if (eventType != "windows_generic_MSG" || message == nullptr)
        return false;
    const MSG& windowMessage = *static_cast<const MSG*>(message);
    const WId window = reinterpret_cast<WId>(windowMessage.hwnd);
    if (windowMessage.hwnd == nullptr || !m_widgetsByWindow.contains(window))
        return false;
    const auto [value, handled] = handleWindowMessage(windowMessage);
    if (!handled)
        return false;
    if (result != nullptr)
        *result = value;
    return true;
}

std::pair<LRESULT, bool> WinFramelessWindowHandler::handleWindowMessage(const MSG& message)
{
    switch (message.message) {
    case WM_DESTROY: {
        const WId window = reinterpret_cast<WId>(message.hwnd);
        const QList<QWidget*> widgets = m_widgetsByWindow.values(window);
        for (QWidget* widget : widgets)
            setWindowId(widget, 0);
        return {0, false};
    }
    case WM_SETTEXT:
    case WM_SETICON:
        return {defaultWithoutCaption(message), true};
    case WM_NCCALCSIZE:
        if (message.wParam == FALSE)
            return {0, true};
        if (!IsZoomed(message.hwnd))
            return {WVR_REDRAW, true};
        fitMaximisedToWorkArea(message);
        return {0, true};
    case WM_NCACTIVATE:
        // Activation is processed, but the non-client area is not repainted.
        return {DefWindowProcW(message.hwnd, message.message, message.wParam, -1), true};
    case ThemedCaptionPaint:
    case ThemedFramePaint:
        return {0, true};
    default:
        return {0, false};
    }
}

namespace Platform {

bool addFramelessWindow(QWidget* widget)
{
    return WinFramelessWindowHandler::instance().addWindow(widget);
}

void removeFramelessWindow(QWidget* widget, bool restoreFrame)
{
    WinFramelessWindowHandler::instance().removeWindow(widget, restoreFrame);
}

bool startSystemMove(QWindow* window)
{
    return window->startSystemMove();
}

bool startSystemResize(QWindow* window, Qt::Edges edges)
{
    return window->startSystemResize(edges);
}

// The Desktop Window Manager draws the shadow of the extended frame.
bool systemShowsWindowEdge()
{
    return true;
}

} // namespace Platform

} // namespace Tessera
