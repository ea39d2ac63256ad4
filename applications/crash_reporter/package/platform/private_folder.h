#pragma once

#include <QString>

namespace CrashReporter::Platform {

// A folder of the user's own, closed to everybody else, named after `base` and the user (where
// several users share the folder it is in): one made by an earlier episode, or made now (0700).
// Empty when anything else has the name, such as a folder or link another user put there.
QString userPrivateFolder(const QString& base);

} // namespace CrashReporter::Platform
