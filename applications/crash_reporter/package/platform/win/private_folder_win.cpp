#include "crash_reporter/package/platform/private_folder.h"

#include <QDir>
#include <QFileInfo>

namespace CrashReporter::Platform {

// The temporary folder is in the user's own profile already.
QString userPrivateFolder(const QString& base)
{
    QDir().mkdir(base);
    const QFileInfo folder(base);
    return folder.isDir() && !folder.isSymLink() ? base : QString();
}

} // namespace CrashReporter::Platform
