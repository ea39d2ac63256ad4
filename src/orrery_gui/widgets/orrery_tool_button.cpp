#include "orrery_tool_button.h"

#include <QAction>
#include <QActionEvent>

namespace Orrery {

bool OrreryToolButton::event(QEvent* event)
{
    if (event->type() == QEvent::Polish && defaultAction() != nullptr)
        setVisible(defaultAction()->isVisible());
    return QToolButton::event(event);
}

void OrreryToolButton::actionEvent(QActionEvent* event)
{
    QToolButton::actionEvent(event);
    if (event->action() != nullptr && event->action() == defaultAction())
        setVisible(event->action()->isVisible());
}

} // namespace Orrery
