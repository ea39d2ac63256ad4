#include "crash_reporter/package/platform/user_state_folder.h"

#include "q5_suite/suite_identity.h"

#include <QDir>

namespace CrashReporter::Platform {

// $XDG_STATE_HOME, or ~/.local/state; a relative XDG_STATE_HOME is ignored, as freedesktop.org's
// base directory rules ask, and so is one that is the root of the file system once cleaned.
QString userStateFolder()
{
    const QString configured = usableFolder(qEnvironmentVariable("XDG_STATE_HOME"));
    if (!configured.isEmpty())
        return configured;
    const QString home = usableFolder(QDir::homePath());
    if (home.isEmpty())
        return {};
    return home + QStringLiteral("/.local/state");
}

} // namespace CrashReporter::Platform
