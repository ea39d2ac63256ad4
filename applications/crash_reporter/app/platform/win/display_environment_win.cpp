#include "app/platform/display_environment.h"

// A Windows desktop session always has a display.
void prepareDisplayEnvironment() {}
