#include "crash_reporter/package/platform/user_state_folder.h"

#include <QStandardPaths>

namespace CrashReporter::Platform {

// The user's local application data, which does not roam with the profile.
QString userStateFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

} // namespace CrashReporter::Platform
