#include "app/platform/process_environment.h"

// A Windows desktop session always has a display, and a closed pipe raises no signal there.
void prepareProcessEnvironment() {}
