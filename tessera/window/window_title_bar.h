#pragma once

#include "tessera/resources/translatable_widget.h"
#include "window_control.h"

#include <QWidget>

#include <array>

class QAction;
class QHBoxLayout;

namespace Orrery {
class ElidedLabel;
class IconLabel;
} // namespace Orrery

namespace Tessera {

class WinWindowControlButton;

// Stands in for the native caption: window icon (opening the window menu), elided title and
// caption buttons. Dragging it asks for a move, double-clicking for maximise or restore; the
// window carries the requests out.
class WindowTitleBar : public TranslatableWidget<QWidget>
{
    Q_OBJECT

public:
    explicit WindowTitleBar(QWidget* parent = nullptr);

    void setControlEnabled(WindowControl control, bool enabled);
    WinWindowControlButton* controlButton(WindowControl control) const;
    // The window menu; nothing when no control is enabled.
    void showSystemMenu(const QPoint& globalPosition);

    QSize minimumSizeHint() const override;
    void retranslateUi() override;

Q_SIGNALS:
    void controlTriggered(Tessera::WindowControl control);
    void operationRequested(Tessera::WindowOperation operation);

protected:
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void createActions();
    void createLayout();
    void applyStyle();
    bool isOverControlButton(const QPoint& position) const;
    QPoint menuPosition() const;

    Orrery::ElidedLabel* m_titleLabel = nullptr;
    Orrery::IconLabel* m_iconLabel = nullptr;
    QHBoxLayout* m_stretchLayout = nullptr;
    QHBoxLayout* m_buttonLayout = nullptr;
    QHBoxLayout* m_mainLayout = nullptr;
    std::array<QAction*, WindowControlCount> m_actions{};
    std::array<WinWindowControlButton*, WindowControlCount> m_buttons{};
    QPoint m_pressPosition;
    bool m_pressed = false;
};

} // namespace Tessera
