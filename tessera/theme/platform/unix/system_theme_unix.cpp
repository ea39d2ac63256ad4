#include "theme/platform/system_theme.h"

namespace Tessera::Platform {

// Only Windows reports an application theme that the toolkit follows; elsewhere it is dark.
bool systemUsesLightAppTheme()
{
    return false;
}

} // namespace Tessera::Platform
