#include "crash_reporter/mail/platform/mail_attachment.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

namespace CrashReporter::Platform {

// <temporary folder>\q5-crash-mail-XXXXXX\crash_log.cdp in native separators. MAPI returns only
// when the client is done with it, and the folder is deleted then.
QString newMailAttachmentPath()
{
    QTemporaryDir handOff(QDir::tempPath() + QStringLiteral("/q5-crash-mail-XXXXXX"));
    if (!handOff.isValid())
        return {};
    handOff.setAutoRemove(false);
    return QDir::toNativeSeparators(handOff.filePath(QStringLiteral("crash_log.cdp")));
}

void discardMailAttachment(const QString& path)
{
    const QFileInfo attachment(QDir::fromNativeSeparators(path));
    QFile::remove(attachment.absoluteFilePath());
    if (attachment.dir().dirName().startsWith(QLatin1String("q5-crash-mail-")))
        QDir().rmdir(attachment.absolutePath());
}

} // namespace CrashReporter::Platform
