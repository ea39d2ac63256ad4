#pragma once

#include "window_control.h"

#include <QToolButton>

#include <optional>

namespace Tessera {

// A caption button bound to one of the title bar's control actions: visible exactly while its
// action is enabled.
class WindowControlButton : public QToolButton
{
    Q_OBJECT

public:
    explicit WindowControlButton(QWidget* parent = nullptr);

    std::optional<WindowControl> control() const { return m_control; }
    QSize minimumSizeHint() const override;

protected:
    void actionEvent(QActionEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void applyStyleMetrics();

    std::optional<WindowControl> m_control;
};

// The Windows-look caption button: 45 px wide, a red hover for Close, a faint one otherwise.
class WinWindowControlButton : public WindowControlButton
{
    Q_OBJECT

public:
    explicit WinWindowControlButton(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace Tessera
