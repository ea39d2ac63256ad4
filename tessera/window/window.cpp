#include "window.h"

#include "manual_window_drag.h"
#include "non_owning_proxy_widget.h"
#include "tessera/window/platform/frameless_windows.h"
#include "window_control_button.h"
#include "window_resize_area.h"
#include "window_title_bar.h"

#include <QApplication>
#include <QHash>
#include <QScreen>
#include <QStyle>
#include <QWidget>
#include <QWindow>

#include <cmath>

namespace Tessera {
namespace {

QHash<const QWidget*, Window*>& registry()
{
    static QHash<const QWidget*, Window*> windows;
    return windows;
}

constexpr int Unbounded = QWIDGETSIZE_MAX;

bool isMaximised(const QWidget* widget)
{
    return widget->windowState() & Qt::WindowMaximized;
}

} // namespace

Window::Window(QObject* parent)
    : QObject(parent)
{
    setTitleBar(new WindowTitleBar);
}

Window::~Window()
{
    detach();
    // Unhosted by detach, so it has no parent left.
    delete m_titleBar;
}

Window* Window::findFor(const QWidget* widget)
{
    return registry().value(widget);
}

Window* Window::install(QWidget* widget)
{
    if (widget == nullptr || registry().contains(widget))
        return nullptr;
    auto* window = new Window(widget);
    if (window->attach(widget))
        return window;
    delete window;
    return nullptr;
}

bool Window::attach(QWidget* widget)
{
    if (widget == nullptr || m_widget || registry().contains(widget))
        return false;
    widget->setWindowFlags(widget->windowFlags() | Qt::Window);
    if (!Platform::addFramelessWindow(widget))
        return false;

    m_widget = widget;
    widget->installEventFilter(this);
    registry().insert(widget, this);
    m_destroyedConnection = connect(widget, &QObject::destroyed, this, &Window::forgetWidget);

    m_host = new NonOwningProxyWidget(widget);
    m_host->installEventFilter(this);
    if (m_titleBar)
        m_host->setWidget(m_titleBar);
    m_resizeArea = new WindowResizeArea(widget);
    connect(m_resizeArea, &WindowResizeArea::operationRequested, this, &Window::requestOperation);
    copyTitleAndIcon();
    placeHost();
    updateResizeMargins();
    updateControls();
    updateResizeAreaVisibility();
    return true;
}

void Window::detach()
{
    if (!m_widget)
        return;
    QWidget* widget = m_widget;
    widget->removeEventFilter(this);
    widget->setContentsMargins(0, 0, 0, 0);
    if (widget->isVisible())
        widget->hide();
    // Recreates the native window without the frame handling.
    widget->setWindowFlags(widget->windowFlags());
    Platform::removeFramelessWindow(widget, true);
    removeChildWidgets();
    forgetWidget();
    copyTitleAndIcon();
    updateControls();
}

void Window::forgetWidget()
{
    if (!m_widget)
        return;
    m_widget->removeEventFilter(this);
    // The host and the resize area are the widget's children and go with it; the title bar
    // is ours and stays.
    if (m_host) {
        m_host->removeEventFilter(this);
        m_host->setWidget(nullptr);
    }
    registry().remove(m_widget);
    Platform::removeFramelessWindow(m_widget, false);
    disconnect(m_destroyedConnection);
    m_widget = nullptr;
    m_host = nullptr;
    m_resizeArea = nullptr;
}

void Window::removeChildWidgets()
{
    if (m_host) {
        m_host->removeEventFilter(this);
        m_host->setWidget(nullptr);
        m_host->hide();
        m_host->setParent(nullptr);
        m_host->deleteLater();
    }
    if (m_resizeArea) {
        m_resizeArea->hide();
        m_resizeArea->setParent(nullptr);
        m_resizeArea->deleteLater();
    }
    m_host = nullptr;
    m_resizeArea = nullptr;
}

void Window::setTitleBar(WindowTitleBar* titleBar)
{
    if (titleBar == m_titleBar)
        return;
    if (m_titleBar) {
        if (m_host)
            m_host->setWidget(nullptr);
        disconnect(m_titleBar, nullptr, this, nullptr);
        m_titleBar->deleteLater();
    }
    m_titleBar = titleBar;
    if (!titleBar)
        return;
    copyTitleAndIcon();
    if (m_host) {
        m_host->setWidget(titleBar);
    } else {
        titleBar->hide();
        titleBar->setParent(nullptr);
    }
    connect(titleBar, &WindowTitleBar::controlTriggered, this, &Window::onControlTriggered);
    connect(titleBar, &WindowTitleBar::operationRequested, this, &Window::requestOperation);
    updateControls();
    placeHost();
}

WindowTitleBar* Window::titleBar() const
{
    return m_titleBar;
}

WindowResizeArea* Window::resizeArea() const
{
    return m_resizeArea;
}

NonOwningProxyWidget* Window::titleBarHost() const
{
    return m_host;
}

int Window::borderWidth() const
{
    const QStyle* style = m_widget ? m_widget->style() : QApplication::style();
    return style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, m_widget);
}

int Window::titleBarHeight() const
{
    if (!m_titleBar)
        return 0;
    const int height =
        std::max({m_titleBar->sizeHint().height(), m_titleBar->minimumSizeHint().height(),
                  m_titleBar->minimumHeight()});
    return std::min(m_titleBar->maximumHeight(), height);
}

void Window::placeHost()
{
    if (!m_widget || !m_host)
        return;
    const int border = borderWidth();
    QRect geometry = m_widget->rect().adjusted(border, border, -border, -border);
    geometry.setHeight(titleBarHeight());
    m_host->setGeometry(geometry);
    updateContentsMargins();
}

void Window::updateContentsMargins()
{
    const int border = borderWidth();
    const int titleHeight = m_titleBar && m_titleBar->isVisibleTo(m_widget) ? m_host->height() : 0;
    m_widget->setContentsMargins(border, border + titleHeight, border, border);
}

void Window::updateResizeMargins()
{
    const int border = borderWidth();
    m_resizeArea->setMargins(m_resizeMargins + QMargins(border, border, border, border));
}

bool Window::canResize() const
{
    const Qt::WindowStates states =
        Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen;
    return m_widget && !(m_widget->windowState() & states) &&
           !m_widget->windowFlags().testFlag(Qt::MSWindowsFixedSizeDialogHint);
}

void Window::updateResizeAreaVisibility()
{
    if (!m_resizeArea)
        return;
    m_resizeArea->setVisible(canResize());
    if (canResize())
        m_resizeArea->raise();
}

void Window::copyTitleAndIcon()
{
    if (!m_titleBar)
        return;
    m_titleBar->setWindowTitle(m_widget ? m_widget->windowTitle() : QString());
    m_titleBar->setWindowIcon(m_widget ? m_widget->windowIcon() : QIcon());
}

bool Window::isControlAvailable(WindowControl control) const
{
    if (!m_widget)
        return false;
    const Qt::WindowFlags flags = m_widget->windowFlags();
    const QSize maximum = m_widget->maximumSize();
    const bool resizable = !flags.testFlag(Qt::MSWindowsFixedSizeDialogHint) &&
                           flags.testFlag(Qt::WindowMaximizeButtonHint) &&
                           ((maximum.width() == Unbounded && maximum.height() == Unbounded) ||
                            flags.testFlag(Qt::CustomizeWindowHint));
    switch (control) {
    case WindowControl::Close:
        return flags.testFlag(Qt::WindowCloseButtonHint);
    case WindowControl::Minimise:
        return flags.testFlag(Qt::WindowMinimizeButtonHint);
    case WindowControl::Maximise:
        return resizable && !isMaximised(m_widget);
    case WindowControl::Restore:
        return resizable && isMaximised(m_widget);
    }
    return false;
}

void Window::updateControls()
{
    if (!m_titleBar)
        return;
    for (int control = 0; control < WindowControlCount; ++control)
        m_titleBar->setControlEnabled(WindowControl(control),
                                      isControlAvailable(WindowControl(control)));
}

bool Window::triggerControl(WindowControl control)
{
    if (!isControlAvailable(control))
        return false;
    switch (control) {
    case WindowControl::Close:
        return m_widget->close();
    case WindowControl::Maximise:
        m_widget->showMaximized();
        break;
    case WindowControl::Minimise:
        m_widget->showMinimized();
        break;
    case WindowControl::Restore:
        m_widget->showNormal();
        break;
    }
    return true;
}

void Window::onControlTriggered(WindowControl control)
{
    if (!triggerControl(control) || control == WindowControl::Close || !m_titleBar)
        return;
    // The window changed state under the cursor: the button must not stay highlighted.
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(m_titleBar->controlButton(control), &leave);
}

bool Window::requestOperation(WindowOperation operation)
{
    if (!m_widget)
        return false;
    QWindow* handle = m_widget->windowHandle();
    switch (operation) {
    case WindowOperation::Move:
        // Where the system will not move the window, it follows the mouse by our own hand.
        return handle && (Platform::startSystemMove(handle) || startManualMove());
    case WindowOperation::ToggleMaximise:
        return triggerControl(isMaximised(m_widget) ? WindowControl::Restore
                                                    : WindowControl::Maximise);
    default:
        break;
    }
    const Qt::Edges edges = resizeEdges(operation);
    if (!edges || !canResize() || !handle)
        return false;
    return Platform::startSystemResize(handle, edges) || ManualWindowDrag::start(m_widget, edges);
}

// A maximised window comes back to its normal size first, as desktops do it.
bool Window::startManualMove()
{
    if (!(QGuiApplication::mouseButtons() & Qt::LeftButton))
        return false;
    QRect start = m_widget->geometry();
    if (isMaximised(m_widget) && m_widget->screen()) {
        // Where a window manager maximised the window, Qt may not have heard of its new
        // position; the maximised window fills the available area.
        start = restoredUnderPress(m_widget->screen()->availableGeometry(),
                                   ManualWindowDrag::pressPosition());
        m_widget->showNormal();
        m_widget->setGeometry(start);
    }
    return ManualWindowDrag::startMove(m_widget, start, m_host ? m_host->geometry() : QRect());
}

// The cursor keeps its place across the title bar, in proportion, and its height on it.
QRect Window::restoredUnderPress(const QRect& maximised, const QPoint& press) const
{
    QSize size = m_widget->normalGeometry().size();
    if (size.isEmpty())
        size = m_widget->sizeHint().expandedTo(m_widget->minimumSize());
    size = size.boundedTo(maximised.size());
    const double across = double(press.x() - maximised.x()) / std::max(1, maximised.width());
    const int left = press.x() - int(std::lround(across * size.width()));
    return QRect(QPoint(left, maximised.y()), size);
}

// Contents larger than the screen squeeze rather than push the window's controls off it,
// and maximising then fits the screen.
void Window::fitToScreen()
{
    const QScreen* screen = m_widget->screen();
    if (!screen)
        return;
    const QSize available = screen->availableGeometry().size();
    const QSize minimum = m_widget->minimumSize();
    if (minimum.width() > available.width() || minimum.height() > available.height())
        m_widget->setMinimumSize(minimum.boundedTo(available));
    if (m_widget->width() > available.width() || m_widget->height() > available.height())
        m_widget->resize(m_widget->size().boundedTo(available));
}

bool Window::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_widget)
        widgetEvent(event);
    else if (watched == m_host && event->type() == QEvent::LayoutRequest)
        placeHost();
    return false;
}

bool Window::widgetEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::Resize: {
        const int width = m_widget->width() - 2 * borderWidth();
        if (m_host && m_host->width() != width)
            m_host->resize(width, m_host->height());
        if (m_resizeArea)
            m_resizeArea->resize(m_widget->size());
        break;
    }
    case QEvent::Show:
        fitToScreen();
        updateControls();
        updateResizeAreaVisibility();
        break;
    case QEvent::WindowStateChange:
        updateControls();
        updateResizeAreaVisibility();
        break;
    case QEvent::WindowTitleChange:
    case QEvent::WindowIconChange:
        copyTitleAndIcon();
        break;
    case QEvent::StyleChange:
        updateContentsMargins();
        updateResizeMargins();
        break;
    case QEvent::NonClientAreaMouseButtonRelease:
        // Resets the bands' cursor and hover state after a system move or resize.
        if (m_resizeArea && m_resizeArea->isVisible()) {
            m_resizeArea->hide();
            m_resizeArea->show();
        }
        break;
    default:
        break;
    }
    return false;
}

} // namespace Tessera
