#pragma once

#include "application_base.h"
#include "application_launched_event.h"

#include <QCoreApplication>

namespace Tessera {

// Joins a Qt application class with the toolkit's application base, and runs launched() once
// the event loop has started.
template <typename T>
class Application
    : public T
    , public ApplicationBase
{
public:
    Application(int& argc, char** argv, Orrery::ApplicationDescription description)
        : T(argc, argv)
        , ApplicationBase(this, std::move(description))
    {
        QCoreApplication::postEvent(this, new ApplicationLaunchedEvent, Qt::HighEventPriority);
    }

    bool notify(QObject* receiver, QEvent* event) override
    {
        handleApplicationEvent(receiver, event);
        return T::notify(receiver, event);
    }

protected:
    void customEvent(QEvent* event) override
    {
        if (event->type() == ApplicationLaunchedEvent::eventType()) {
            prepareLaunch();
            launched();
        }
        T::customEvent(event);
    }

    // Runs once, from the first turn of the event loop, after construction has finished.
    virtual void launched() {}
};

} // namespace Tessera
