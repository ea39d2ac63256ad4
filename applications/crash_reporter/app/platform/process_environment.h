#pragma once

namespace CrashReporter::Platform {

// Prepares the process for an episode that must end with a package whatever its surroundings
// are: a starter that has gone away, or a desktop that cannot be reached. Call before the
// application object exists.
void prepareProcessEnvironment();

} // namespace CrashReporter::Platform
