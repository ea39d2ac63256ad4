#include "window_proxy.h"

#include <QScreen>
#include <QWidget>

namespace Tessera {
namespace {

int smartMinimumLength(int minimum, QSizePolicy::Policy policy, int minimumHint, int hint)
{
    if (minimum >= 1 || policy == QSizePolicy::Ignored)
        return minimum;
    if (policy & QSizePolicy::ShrinkFlag)
        return minimumHint;
    return std::max(minimumHint, hint);
}

} // namespace

QSize smartMinimumSize(const QWidget* widget)
{
    const QSizePolicy policy = widget->sizePolicy();
    const QSize minimumHint = widget->minimumSizeHint();
    const QSize hint = widget->sizeHint();
    const QSize size(smartMinimumLength(widget->minimumWidth(), policy.horizontalPolicy(),
                                        minimumHint.width(), hint.width()),
                     smartMinimumLength(widget->minimumHeight(), policy.verticalPolicy(),
                                        minimumHint.height(), hint.height()));
    return size.boundedTo(widget->maximumSize()).expandedTo(QSize(0, 0));
}

std::optional<QSize> defaultShowSize(QSize current, QSize defaultSize, DefaultSizeMode mode,
                                     QSize minimum)
{
    switch (mode) {
    case DefaultSizeMode::Exact:
        return defaultSize.expandedTo(minimum);
    case DefaultSizeMode::AtLeast:
        return current.expandedTo(defaultSize);
    case DefaultSizeMode::AtMost:
        return current.boundedTo(defaultSize).expandedTo(minimum);
    }
    return std::nullopt;
}

void applyDefaultSize(QWidget* widget, const QShowEvent* event, QSize defaultSize,
                      DefaultSizeMode mode)
{
    if (!defaultSize.isValid() || defaultSize.isEmpty() || event->spontaneous() ||
        widget->testAttribute(Qt::WA_Resized))
        return;
    const QSize current = widget->size();
    const std::optional<QSize> target =
        defaultShowSize(current, defaultSize, mode, smartMinimumSize(widget));
    if (!target || *target == current)
        return;
    const QSize available = widget->screen()->availableSize();
    if (available.expandedTo(*target) == available) {
        widget->resize(*target);
        return;
    }
    // Resizing a maximised window would take the state away again, so the size comes first.
    widget->resize(available);
    const Qt::WindowStates kept =
        widget->windowState() & ~(Qt::WindowMinimized | Qt::WindowFullScreen);
    widget->setWindowState(kept | Qt::WindowMaximized);
}

WindowProxyBase::WindowProxyBase(QWidget* widget)
    : m_window(std::make_unique<Window>())
{
    m_window->attach(widget);
}

WindowProxyBase::~WindowProxyBase() = default;

} // namespace Tessera
