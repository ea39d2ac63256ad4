#include "mail_attachment.h"

#include <QDir>

QString mailAttachmentPath()
{
    static const QString path = QDir::toNativeSeparators(QDir::tempPath()) + QDir::separator() +
                                QStringLiteral("crash_log.cdp");
    return path;
}
