#pragma once

#include "window.h"

#include <QShowEvent>
#include <QSize>

#include <memory>

namespace Tessera {

enum class DefaultSizeMode { Exact = 0, AtLeast = 1, AtMost = 2 };

// The minimum size a layout would give the widget: its minimum size, or where that is unset,
// its minimum size hint (or size hint, for a policy that cannot shrink).
QSize smartMinimumSize(const QWidget* widget);

// The size a window gets at its first show from its default size and mode; none when it keeps
// its size.
std::optional<QSize> defaultShowSize(QSize current, QSize defaultSize, DefaultSizeMode mode,
                                     QSize minimum);

// Resizes the window to its default size when shown by code and not resized before; a size
// too large for the screen maximises it instead.
void applyDefaultSize(QWidget* widget, const QShowEvent* event, QSize defaultSize,
                      DefaultSizeMode mode);

// Owns the Window of a widget from construction on.
class WindowProxyBase
{
public:
    explicit WindowProxyBase(QWidget* widget);
    virtual ~WindowProxyBase();
    WindowProxyBase(const WindowProxyBase&) = delete;
    WindowProxyBase& operator=(const WindowProxyBase&) = delete;

    Window* toolkitWindow() const { return m_window.get(); }

protected:
    // The widget is going: its Window must not touch it any more.
    void releaseWidget() { m_window->forgetWidget(); }

private:
    std::unique_ptr<Window> m_window;
};

// A widget class T (QDialog, QWizard) that is a toolkit window from construction on.
template <typename T>
class WindowProxy
    : public T
    , private WindowProxyBase
{
public:
    explicit WindowProxy(QWidget* parent = nullptr, Qt::WindowFlags flags = {})
        : T(parent, flags)
        , WindowProxyBase(this)
    {}
    ~WindowProxy() override { releaseWidget(); }

    using WindowProxyBase::toolkitWindow;

    QSize defaultSize() const { return m_defaultSize; }
    DefaultSizeMode defaultSizeMode() const { return m_defaultSizeMode; }
    void setDefaultSize(QSize size, DefaultSizeMode mode = DefaultSizeMode::Exact)
    {
        m_defaultSize = size;
        m_defaultSizeMode = mode;
    }

protected:
    void showEvent(QShowEvent* event) override
    {
        applyDefaultSize(this, event, m_defaultSize, m_defaultSizeMode);
        T::showEvent(event);
    }

private:
    QSize m_defaultSize;
    DefaultSizeMode m_defaultSizeMode = DefaultSizeMode::Exact;
};

} // namespace Tessera
