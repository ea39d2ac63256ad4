#pragma once

#include <QToolButton>

namespace Orrery {

// A tool button that is shown and hidden together with its default action.
class OrreryToolButton : public QToolButton
{
public:
    using QToolButton::QToolButton;

protected:
    bool event(QEvent* event) override;
    void actionEvent(QActionEvent* event) override;
};

} // namespace Orrery
