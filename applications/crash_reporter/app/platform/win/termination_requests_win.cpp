#include "crash_reporter/app/platform/termination_requests.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>

#include <atomic>
#include <condition_variable>
#include <mutex>

#include <windows.h>

namespace CrashReporter::Platform {

namespace {

// The console's control handler runs on a thread of its own.
std::mutex receiverMutex;
QPointer<QObject> receiver;
std::function<void()> onRequest;
std::atomic<bool> requestHeld = false;
std::condition_variable episodeOver;
bool handled = false;

// Windows ends the process about five seconds after a close, log-off or shutdown request, and
// at once when the handler returns; the handler waits for the episode a little less.
constexpr auto LongestWait = std::chrono::milliseconds(4500);

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
    const bool endsTheProcess =
        type == CTRL_CLOSE_EVENT || type == CTRL_LOGOFF_EVENT || type == CTRL_SHUTDOWN_EVENT;
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT && !endsTheProcess)
        return FALSE;
    requestHeld = true;
    deliver();
    if (endsTheProcess) {
        std::unique_lock lock(receiverMutex);
        episodeOver.wait_for(lock, LongestWait, [] { return handled; });
    }
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

void terminationRequestHandled()
{
    {
        const std::lock_guard lock(receiverMutex);
        handled = true;
    }
    episodeOver.notify_all();
}

} // namespace CrashReporter::Platform
