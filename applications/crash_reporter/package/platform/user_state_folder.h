#pragma once

#include <QString>

namespace CrashReporter::Platform {

// The folder where the user's programs keep what they need to keep but nobody else should
// see; empty when the user has none that can be trusted.
QString userStateFolder();

} // namespace CrashReporter::Platform
