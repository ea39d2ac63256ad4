#include "app/platform/termination_requests.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>

#include <atomic>
#include <mutex>

#include <windows.h>

namespace {

// The console's control handler runs on a thread of its own.
std::mutex receiverMutex;
QPointer<QObject> receiver;
std::function<void()> onRequest;
std::atomic<bool> requestHeld = false;

void deliver()
{
    const std::lock_guard lock(receiverMutex);
    if (!receiver)
        return;
    QMetaObject::invokeMethod(
        receiver.data(), [] { onRequest(); }, Qt::QueuedConnection);
}

BOOL WINAPI noteRequest(DWORD type)
{
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT && type != CTRL_CLOSE_EVENT &&
        type != CTRL_LOGOFF_EVENT && type != CTRL_SHUTDOWN_EVENT)
        return FALSE;
    requestHeld = true;
    deliver();
    return TRUE;
}

} // namespace

void holdTerminationRequests()
{
    SetConsoleCtrlHandler(noteRequest, TRUE);
}

void deliverTerminationRequests(QObject* context, std::function<void()> requested)
{
    holdTerminationRequests();
    {
        const std::lock_guard lock(receiverMutex);
        receiver = context;
        onRequest = std::move(requested);
    }
    if (requestHeld)
        deliver();
}
