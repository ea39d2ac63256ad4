#include "crash_reporter/app/platform/termination_requests.h"

#include <QObject>
#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

namespace CrashReporter::Platform {

namespace {

constexpr std::array HeldSignals = {SIGTERM, SIGINT, SIGHUP};

// The handler may only do what is safe in a signal handler: it writes one byte into a pipe
// whose other end the event loop watches.
int requestPipe[2] = {-1, -1};

extern "C" void noteRequest(int)
{
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(requestPipe[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

void holdTerminationRequests()
{
    if (requestPipe[0] >= 0)
        return;
    if (::pipe2(requestPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    struct sigaction action {};
    action.sa_handler = noteRequest;
    // Interrupted reads and writes of the package go on.
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (const int signal : HeldSignals)
        ::sigaction(signal, &action, nullptr);
}

void deliverTerminationRequests(QObject* context, std::function<void()> requested)
{
    holdTerminationRequests();
    if (requestPipe[0] < 0)
        return;
    auto* notifier = new QSocketNotifier(requestPipe[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context,
                     [requested = std::move(requested)] {
                         char bytes[16];
                         while (::read(requestPipe[0], bytes, sizeof bytes) > 0) {
                         }
                         requested();
                     });
    // Requests blocked since the start arrive now, through the handler, on this thread: the
    // threads started meanwhile keep them blocked.
    sigset_t requests;
    sigemptyset(&requests);
    for (const int signal : HeldSignals)
        sigaddset(&requests, signal);
    pthread_sigmask(SIG_UNBLOCK, &requests, nullptr);
}

// The signals are only noted; nothing waits for the answer.
void terminationRequestHandled() {}

} // namespace CrashReporter::Platform
