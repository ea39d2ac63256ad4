#include "mail/mail_attachment.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

// The mail client reads the attachment after we have gone, so it cannot live in a folder of
// ours that ends with the process; the shared temporary folder would show it (output log,
// serial number) to every local user. The user's cache folder outlives us, and the folder
// itself is kept for the user alone.
QString mailAttachmentPath()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
                           QStringLiteral("/Varnel Professional/Crash Mail");
    if (!QDir().mkpath(folder) ||
        !QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ExeOwner))
        return {};
    return folder + QStringLiteral("/crash_log.cdp");
}
