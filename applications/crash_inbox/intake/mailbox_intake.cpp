#include "mailbox_intake.h"

#include "crash_inbox/store/database_location.h"
#include "crash_inbox/store/inbox_database.h"
#include "crash_inbox/store/mailbox_messages.h"
#include "crash_inbox/text/printable.h"
#include "imap_mailbox.h"
#include "package_filer.h"

#include <QDir>
#include <QSaveFile>
#include <QThread>
#include <QUrl>

namespace {

// A folder name for the mailbox's address, one of its own for every user, server, port and
// mailbox: the address, percent-encoded whole.
QString folderName(const ImapAddress& address)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(address.text().mid(8), "@"));
}

bool keepMessage(const QString& path, const QByteArray& message, QString& error)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        file.write(message);
        if (file.commit())
            return true;
    }
    error = QStringLiteral("%1 cannot be written (%2)")
                .arg(QDir::toNativeSeparators(path), file.errorString());
    return false;
}

} // namespace

QString defaultMailFolder()
{
    return deskDataFolder() + QStringLiteral("/Mail");
}

bool fileMailbox(ImapMailbox& mailbox, InboxDatabase& database, PackageFiler& filer,
                 const QString& mailFolder, QString& error)
{
    const std::optional<quint32> validity = mailbox.examine(error);
    if (!validity)
        return false;
    const std::optional<QList<quint32>> uids = mailbox.uids(error);
    if (!uids)
        return false;
    const QString name = mailbox.address().text();
    const std::optional<QSet<quint32>> fetched =
        MailboxMessages::fetched(database.connection(), name, *validity, error);
    if (!fetched)
        return false;
    const QString folder = mailFolder + QLatin1Char('/') + folderName(mailbox.address());
    if (!QDir().mkpath(folder)) {
        error = QStringLiteral("%1 cannot be made").arg(QDir::toNativeSeparators(folder));
        return false;
    }
    for (const quint32 uid : *uids) {
        if (fetched->contains(uid))
            continue;
        bool permanent = false;
        const std::optional<QByteArray> message = mailbox.fetch(uid, error, permanent);
        const QString path = folder + QStringLiteral("/%1-%2.eml").arg(*validity).arg(uid);
        if (!message && !permanent) {
            // The connection failed: the message is fetched again next time.
            return false;
        } else if (!message) {
            // A message the desk can never read does not hold up the others.
            filer.reject(name + QStringLiteral("#%1").arg(uid), error);
        } else if (!keepMessage(path, *message, error)) {
            return false;
        } else {
            filer.addMail(path, false);
        }
        if (!filer.flush()) {
            error = filer.error();
            return false;
        }
        if (!MailboxMessages::noteFetched(database.connection(), name, *validity, uid, error))
            return false;
    }
    return true;
}

bool watchMailbox(ImapMailbox& mailbox, InboxDatabase& database, PackageFiler& filer,
                  const QString& mailFolder, std::chrono::seconds pause, QString& error)
{
    for (;;) {
        if (!fileMailbox(mailbox, database, filer, mailFolder, error)) {
            if (filer.failed())
                return false;
            logLine(error + QStringLiteral("; trying again"));
        }
        QThread::sleep(static_cast<unsigned long>(pause.count()));
    }
}
