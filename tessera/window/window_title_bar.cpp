#include "window_title_bar.h"

#include "manual_window_drag.h"
#include "orrery_gui/widgets/elided_label.h"
#include "orrery_gui/widgets/icon_label.h"
#include "window_control_button.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QMenu>
#include <QShortcut>
#include <QStyle>

namespace Tessera {
namespace {

constexpr WindowControl Controls[] = {WindowControl::Close, WindowControl::Maximise,
                                      WindowControl::Minimise, WindowControl::Restore};

QStyle::StandardPixmap standardIconOf(WindowControl control)
{
    switch (control) {
    case WindowControl::Close:
        return QStyle::SP_TitleBarCloseButton;
    case WindowControl::Maximise:
        return QStyle::SP_TitleBarMaxButton;
    case WindowControl::Minimise:
        return QStyle::SP_TitleBarMinButton;
    case WindowControl::Restore:
        break;
    }
    return QStyle::SP_TitleBarNormalButton;
}

const char* nameOf(WindowControl control)
{
    static const char* const names[] = {QT_TRANSLATE_NOOP("WindowControl", "Close"),
                                        QT_TRANSLATE_NOOP("WindowControl", "Maximise"),
                                        QT_TRANSLATE_NOOP("WindowControl", "Minimise"),
                                        QT_TRANSLATE_NOOP("WindowControl", "Restore")};
    return names[int(control)];
}

} // namespace

WindowTitleBar::WindowTitleBar(QWidget* parent)
    : TranslatableWidget(parent)
{
    createActions();
    createLayout();
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    setAutoFillBackground(true);
    applyStyle();
}

void WindowTitleBar::createActions()
{
    for (WindowControl control : Controls) {
        auto* action = new QAction(this);
        if (control == WindowControl::Close)
            action->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));
        action->setData(QVariant::fromValue(control));
        connect(action, &QAction::triggered, this,
                [this, control] { Q_EMIT controlTriggered(control); });
        m_actions[int(control)] = action;
    }
    addActions({m_actions.begin(), m_actions.end()});
    // The window menu without a mouse, where the window manager leaves Alt+Space to us.
    auto* menuShortcut = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), this);
    connect(menuShortcut, &QShortcut::activated, this, [this] { showSystemMenu(menuPosition()); });
}

void WindowTitleBar::createLayout()
{
    m_iconLabel = new Orrery::IconLabel(this);
    m_iconLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    connect(this, &QWidget::windowIconChanged, m_iconLabel, &Orrery::IconLabel::setIcon);

    m_titleLabel = new Orrery::ElidedLabel(this);
    m_titleLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_titleLabel->setSizePolicy(
        QSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed, QSizePolicy::Label));
    connect(this, &QWidget::windowTitleChanged, m_titleLabel, &Orrery::ElidedLabel::setText);

    m_stretchLayout = new QHBoxLayout;
    m_buttonLayout = new QHBoxLayout;
    m_buttonLayout->setSpacing(0);
    m_buttonLayout->setContentsMargins(0, 0, 0, 0);
    for (WindowControl control : {WindowControl::Minimise, WindowControl::Restore,
                                  WindowControl::Maximise, WindowControl::Close}) {
        auto* button = new WinWindowControlButton(this);
        button->setDefaultAction(m_actions[int(control)]);
        m_buttons[int(control)] = button;
        m_buttonLayout->addWidget(button);
    }
    m_mainLayout = new QHBoxLayout(this);
    m_mainLayout->addWidget(m_iconLabel);
    m_mainLayout->addWidget(m_titleLabel);
    m_mainLayout->addLayout(m_stretchLayout, 1);
    m_mainLayout->addLayout(m_buttonLayout, 0);
    m_mainLayout->setAlignment(m_buttonLayout, Qt::AlignRight);
}

void WindowTitleBar::applyStyle()
{
    const int iconSize = style()->pixelMetric(QStyle::PM_TitleBarButtonSize, nullptr, this);
    m_iconLabel->setIconSize(QSize(iconSize, iconSize));
    m_mainLayout->setContentsMargins(
        style()->pixelMetric(QStyle::PM_LayoutLeftMargin, nullptr, this), 0, 0, 0);
    for (WindowControl control : Controls)
        m_actions[int(control)]->setIcon(
            style()->standardIcon(standardIconOf(control), nullptr, this));
}

void WindowTitleBar::retranslateUi()
{
    for (WindowControl control : Controls)
        m_actions[int(control)]->setText(
            QCoreApplication::translate("WindowControl", nameOf(control)));
}

void WindowTitleBar::setControlEnabled(WindowControl control, bool enabled)
{
    m_actions[int(control)]->setEnabled(enabled);
}

WinWindowControlButton* WindowTitleBar::controlButton(WindowControl control) const
{
    return m_buttons[int(control)];
}

QSize WindowTitleBar::minimumSizeHint() const
{
    const int height = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this);
    return QWidget::minimumSizeHint().expandedTo(QSize(0, height));
}

void WindowTitleBar::showSystemMenu(const QPoint& globalPosition)
{
    const bool anyEnabled = std::any_of(m_actions.begin(), m_actions.end(),
                                        [](const QAction* action) { return action->isEnabled(); });
    if (!anyEnabled)
        return;
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addAction(m_actions[int(WindowControl::Restore)]);
    menu->addAction(m_actions[int(WindowControl::Minimise)]);
    menu->addAction(m_actions[int(WindowControl::Maximise)]);
    menu->addSeparator();
    menu->addAction(m_actions[int(WindowControl::Close)]);
    menu->popup(globalPosition);
}

void WindowTitleBar::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::StyleChange)
        applyStyle();
    QWidget::changeEvent(event);
}

bool WindowTitleBar::isOverControlButton(const QPoint& position) const
{
    return std::any_of(m_buttons.begin(), m_buttons.end(), [&](const QWidget* button) {
        return button->isVisible() && button->geometry().contains(position);
    });
}

QPoint WindowTitleBar::menuPosition() const
{
    return mapToGlobal(rect().bottomLeft());
}

void WindowTitleBar::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPoint position = event->position().toPoint();
    event->accept();
    if (m_iconLabel->isVisible() && m_iconLabel->geometry().contains(position)) {
        showSystemMenu(menuPosition());
        return;
    }
    if (isOverControlButton(position))
        return;
    m_pressPosition = position;
    m_pressed = true;
    ManualWindowDrag::notePress(event->globalPosition().toPoint());
}

void WindowTitleBar::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton) || !m_pressed) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    event->accept();
    const QPoint distance = event->position().toPoint() - m_pressPosition;
    if (distance.manhattanLength() >= QApplication::startDragDistance()) {
        m_pressed = false;
        Q_EMIT operationRequested(WindowOperation::Move);
    }
}

void WindowTitleBar::mouseReleaseEvent(QMouseEvent* event)
{
    m_pressed = false;
    QWidget::mouseReleaseEvent(event);
}

void WindowTitleBar::mouseDoubleClickEvent(QMouseEvent* event)
{
    m_pressed = false;
    if (event->button() == Qt::LeftButton && !isOverControlButton(event->position().toPoint())) {
        event->accept();
        Q_EMIT operationRequested(WindowOperation::ToggleMaximise);
        return;
    }
    QWidget::mouseDoubleClickEvent(event);
}

void WindowTitleBar::contextMenuEvent(QContextMenuEvent* event)
{
    showSystemMenu(event->reason() == QContextMenuEvent::Mouse ? event->globalPos()
                                                               : menuPosition());
    event->accept();
}

} // namespace Tessera
