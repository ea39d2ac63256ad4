#pragma once

#include "theme_mode.h"

#include <QEvent>

namespace Tessera {

// Sent to every widget when the application's resolved theme changed; widgets that show
// theme-specific images reload them.
class ThemeChangeEvent : public QEvent
{
public:
    explicit ThemeChangeEvent(ThemeMode mode);

    ThemeMode themeMode() const { return m_mode; }
    static QEvent::Type eventType();

private:
    ThemeMode m_mode;
};

} // namespace Tessera
