#pragma once

#include <functional>

class QObject;

namespace CrashReporter::Platform {

// Requests to end the process (SIGTERM, SIGINT and SIGHUP; on Windows a console's Ctrl+C,
// close or log-off) must not cut an episode short: from holdTerminationRequests() on they are
// only noted, and handed to the event loop once a receiver is there.
void holdTerminationRequests();

// Calls `requested` on the event loop for every request held or still to come, as long as
// the context lives.
void deliverTerminationRequests(QObject* context, std::function<void()> requested);

// The episode is over and its crash kept: a system that ends the process as soon as the request
// is answered (a console closed, a log-off) may do so now.
void terminationRequestHandled();

} // namespace CrashReporter::Platform
