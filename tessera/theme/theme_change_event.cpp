#include "theme_change_event.h"

namespace Tessera {

ThemeChangeEvent::ThemeChangeEvent(ThemeMode mode)
    : QEvent(eventType())
    , m_mode(mode)
{}

QEvent::Type ThemeChangeEvent::eventType()
{
    static const auto type = QEvent::Type(QEvent::registerEventType());
    return type;
}

} // namespace Tessera
