#include "app/platform/process_environment.h"

#include "app/platform/termination_requests.h"

// A Windows desktop session always has a display, and a closed pipe raises no signal there.
void prepareProcessEnvironment()
{
    holdTerminationRequests();
}
