#include "crash_inbox/window/platform/file_manager.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace CrashInbox::Platform {
namespace {

constexpr int FileManagerTimeoutMs = 3000;

// The freedesktop.org file manager interface selects the file; not every desktop has it.
bool showItem(const QString& file)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(file).toString()} << QString();
    const QDBusMessage reply =
        QDBusConnection::sessionBus().call(call, QDBus::Block, FileManagerTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

} // namespace

bool showInFileManager(const QString& file)
{
    return showItem(file) ||
           QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(file).absolutePath()));
}

} // namespace CrashInbox::Platform
