#include "crash_reporter/mail/platform/mail_attachment.h"

#include "q5_suite/suite_identity.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace CrashReporter::Platform {

namespace {

constexpr char AttachmentName[] = "crash_log.cdp";
// The mail client reads the attachment after we have gone; nobody tells us when it is done,
// so a hand-off's folder is cleaned away once it is this old.
constexpr int KeptDays = 7;

// The mail client reads the attachment after we have gone, so it cannot live in a folder that
// ends with the process; the shared temporary folder would show it (output log, serial number)
// to every local user. The user's cache folder outlives us; without a home of its own the
// private folders go into the temporary folder.
QString mailFolder()
{
    const bool homeUsable = !usableFolder(QDir::homePath()).isEmpty();
    const QString cache =
        usableFolder(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation));
    if (!homeUsable || cache.isEmpty())
        return QDir::tempPath();
    const QString folder = cache + QStringLiteral("/Varnel Professional/Crash Mail");
    ensurePathExists(folder);
    if (!QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ExeOwner))
        return QDir::tempPath();
    return folder;
}

constexpr char HandOffPrefix[] = "q5-crash-mail-";

// Only in our own folder: in the shared temporary folder the names could be anybody's.
void removeOldHandOffs(const QString& folder)
{
    if (folder == QDir::tempPath())
        return;
    const QDateTime oldest = QDateTime::currentDateTimeUtc().addDays(-KeptDays);
    QDirIterator handOffs(folder, {QLatin1String(HandOffPrefix) + QLatin1Char('*')},
                          QDir::Dirs | QDir::NoSymLinks);
    while (handOffs.hasNext()) {
        handOffs.next();
        if (handOffs.fileInfo().lastModified().toUTC() < oldest)
            QDir(handOffs.filePath()).removeRecursively();
    }
}

} // namespace

QString newMailAttachmentPath()
{
    const QString folder = mailFolder();
    removeOldHandOffs(folder);
    // Created for the user alone (0700), under a name nobody can take first.
    QTemporaryDir handOff(folder + QLatin1Char('/') + QLatin1String(HandOffPrefix) +
                          QStringLiteral("XXXXXX"));
    if (!handOff.isValid())
        return {};
    handOff.setAutoRemove(false);
    return handOff.filePath(QLatin1String(AttachmentName));
}

void discardMailAttachment(const QString& path)
{
    const QFileInfo attachment(path);
    QFile::remove(path);
    if (attachment.dir().dirName().startsWith(QLatin1String(HandOffPrefix)))
        QDir().rmdir(attachment.absolutePath());
}

} // namespace CrashReporter::Platform
