#include "crash_reporter/app/platform/process_environment.h"

#include "crash_reporter/app/platform/termination_requests.h"

namespace CrashReporter::Platform {

// A Windows desktop session always has a display, and a closed pipe raises no signal there.
void prepareProcessEnvironment()
{
    holdTerminationRequests();
}

} // namespace CrashReporter::Platform
