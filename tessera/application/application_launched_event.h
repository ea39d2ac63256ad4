#pragma once

#include <QEvent>

namespace Tessera {

// Posted once by the application template; delivering it runs the launch hook.
class ApplicationLaunchedEvent : public QEvent
{
public:
    ApplicationLaunchedEvent();

    // Registered on first use, once per process.
    static QEvent::Type eventType();
};

} // namespace Tessera
