#include "application_launched_event.h"

namespace Tessera {

ApplicationLaunchedEvent::ApplicationLaunchedEvent()
    : QEvent(eventType())
{}

QEvent::Type ApplicationLaunchedEvent::eventType()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

} // namespace Tessera
