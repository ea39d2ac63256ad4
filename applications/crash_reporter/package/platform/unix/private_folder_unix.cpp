#include "crash_reporter/package/platform/private_folder.h"

#include <QFile>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace CrashReporter::Platform {

QString userPrivateFolder(const QString& base)
{
    const QString path = base + QLatin1Char('-') + QString::number(::geteuid());
    const QByteArray name = QFile::encodeName(path);
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
        return {};
    struct stat status {};
    if (::lstat(name.constData(), &status) != 0 || !S_ISDIR(status.st_mode) ||
        status.st_uid != ::geteuid() || (status.st_mode & 077) != 0)
        return {};
    return path;
}

} // namespace CrashReporter::Platform
