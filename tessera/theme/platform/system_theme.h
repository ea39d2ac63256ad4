#pragma once

namespace Tessera::Platform {

// Whether the operating system asks applications for a light theme.
bool systemUsesLightAppTheme();

} // namespace Tessera::Platform
