#pragma once

#include "window_control.h"

#include <QMargins>
#include <QObject>
#include <QPointer>

class QWidget;

namespace Tessera {

class NonOwningProxyWidget;
class WindowResizeArea;
class WindowTitleBar;

// Turns a top-level widget into a toolkit window: no native frame, the toolkit's title bar
// inside the top border, resize bands along the edges, contents kept clear of both. The
// window manager still moves, resizes, maximises and closes it.
class Window : public QObject
{
    Q_OBJECT

public:
    explicit Window(QObject* parent = nullptr);
    ~Window() override;

    // False for a null widget, while attached, or when the widget has a Window already.
    bool attach(QWidget* widget);
    void detach();
    // The widget is being destroyed: only the bookkeeping goes, the widget is not touched.
    void forgetWidget();

    // A Window parented to the widget and attached to it; null when it has one already.
    static Window* install(QWidget* widget);
    static Window* findFor(const QWidget* widget);

    QWidget* widget() const { return m_widget; }
    WindowTitleBar* titleBar() const;
    void setTitleBar(WindowTitleBar* titleBar);
    WindowResizeArea* resizeArea() const;
    NonOwningProxyWidget* titleBarHost() const;

    int borderWidth() const;
    int titleBarHeight() const;

    bool isControlAvailable(WindowControl control) const;
    bool triggerControl(WindowControl control);
    // Whether the move, resize or maximise toggle was started.
    bool requestOperation(WindowOperation operation);

    bool eventFilter(QObject* watched, QEvent* event) override;

protected:
    // Events of the attached widget; never consumed.
    virtual bool widgetEvent(QEvent* event);

private:
    void onControlTriggered(WindowControl control);
    bool startManualMove();
    QRect restoredUnderPress(const QRect& maximised, const QPoint& press) const;
    void fitToScreen();
    void placeHost();
    void updateContentsMargins();
    void updateResizeMargins();
    void updateResizeAreaVisibility();
    void updateControls();
    void copyTitleAndIcon();
    bool canResize() const;
    void removeChildWidgets();

    QPointer<QWidget> m_widget;
    QMetaObject::Connection m_destroyedConnection;
    QPointer<WindowResizeArea> m_resizeArea;
    QPointer<WindowTitleBar> m_titleBar;
    QPointer<NonOwningProxyWidget> m_host;
    QMargins m_resizeMargins{4, 4, 4, 4};
};

} // namespace Tessera
