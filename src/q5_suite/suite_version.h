#pragma once

#include "orrery_core/diagnostics/version.h"

namespace Suite {

// The one place of the programs' version: the build files read it from here.
inline constexpr Orrery::Version ProgramVersion{6, 4, 0, 0};

} // namespace Suite
