#include "window_control_button.h"

#include "orrery_gui/painting/colour.h"

#include <QAction>
#include <QEvent>
#include <QPainter>
#include <QStyleOptionToolButton>

namespace Tessera {
namespace {

constexpr int WinButtonWidth = 45;
const QColor CloseHoverColour(232, 17, 35);
constexpr qreal PressedCloseAlpha = 0.6;
constexpr qreal HoverAlpha = 0.1;
constexpr qreal PressedAlpha = 0.2;

std::optional<WindowControl> controlOf(const QAction* action)
{
    const QVariant data = action ? action->data() : QVariant();
    if (!data.canConvert<WindowControl>())
        return std::nullopt;
    return data.value<WindowControl>();
}

} // namespace

WindowControlButton::WindowControlButton(QWidget* parent)
    : QToolButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setAutoRaise(true);
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    hide();
    applyStyleMetrics();
}

QSize WindowControlButton::minimumSizeHint() const
{
    const int size = style()->pixelMetric(QStyle::PM_TitleBarButtonSize, nullptr, this);
    return QToolButton::minimumSizeHint().expandedTo(QSize(size, size));
}

void WindowControlButton::actionEvent(QActionEvent* event)
{
    QToolButton::actionEvent(event);
    const QAction* action = defaultAction();
    setVisible(action && action->isEnabled());
    const std::optional<WindowControl> control = controlOf(action);
    if (control != m_control) {
        m_control = control;
        update();
    }
}

void WindowControlButton::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::StyleChange)
        applyStyleMetrics();
    QToolButton::changeEvent(event);
}

void WindowControlButton::applyStyleMetrics()
{
    const int size = style()->pixelMetric(QStyle::PM_TitleBarButtonIconSize, nullptr, this);
    setIconSize(QSize(size, size));
}

WinWindowControlButton::WinWindowControlButton(QWidget* parent)
    : WindowControlButton(parent)
{
    setFixedWidth(WinButtonWidth);
    setMaximumHeight(WinButtonWidth);
    setSizePolicy(
        QSizePolicy(QSizePolicy::Fixed, QSizePolicy::MinimumExpanding, QSizePolicy::ToolButton));
    setAttribute(Qt::WA_Hover);
}

void WinWindowControlButton::paintEvent(QPaintEvent*)
{
    QStyleOptionToolButton option;
    initStyleOption(&option);
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const bool pressed = option.state & QStyle::State_Sunken;
    if ((option.state & QStyle::State_Enabled) && (option.state & QStyle::State_MouseOver)) {
        QColor fill;
        if (control() == WindowControl::Close) {
            fill = CloseHoverColour;
            fill.setAlphaF(pressed ? PressedCloseAlpha : 1.0);
        } else {
            fill = Orrery::contrastingTextColour(palette().color(backgroundRole()));
            fill.setAlphaF(pressed ? PressedAlpha : HoverAlpha);
        }
        painter.fillRect(rect(), fill);
    }
    style()->drawControl(QStyle::CE_ToolButtonLabel, &option, &painter, this);
}

} // namespace Tessera
