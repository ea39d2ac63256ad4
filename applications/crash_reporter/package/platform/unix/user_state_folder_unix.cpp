#include "package/platform/user_state_folder.h"

#include <QDir>

namespace Platform {

// $XDG_STATE_HOME, or ~/.local/state; a relative XDG_STATE_HOME is ignored, as freedesktop.org's
// base directory rules ask, and so is the root of the file system.
QString userStateFolder()
{
    const QString configured = qEnvironmentVariable("XDG_STATE_HOME");
    if (!configured.isEmpty() && QDir::isAbsolutePath(configured) && !QDir(configured).isRoot())
        return QDir::cleanPath(configured);
    const QString home = QDir::homePath();
    if (QDir(home).isRoot())
        return {};
    return home + QStringLiteral("/.local/state");
}

} // namespace Platform
