#include "mail/mail_attachment.h"

#include <QDir>

// <temporary folder>\crash_log.cdp in native separators, computed once per process. MAPI
// returns only when the client is done with it, and the file is deleted then.
QString mailAttachmentPath()
{
    static const QString path = QDir::toNativeSeparators(QDir::tempPath()) + QDir::separator() +
                                QStringLiteral("crash_log.cdp");
    return path;
}
