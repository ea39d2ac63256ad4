#include "tessera/application/platform/display_platforms.h"

namespace Tessera::Platform {

// A Windows session always has its desktop.
void chooseDisplayPlatforms() {}

} // namespace Tessera::Platform
