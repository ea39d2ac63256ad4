#include "mailbox_intake.h"

#include "crash_inbox/store/inbox_database.h"
#include "crash_inbox/store/mailbox_messages.h"
#include "crash_inbox/text/printable.h"
#include "imap_mailbox.h"
#include "package_filer.h"
#include "q5_suite/suite_identity.h"

#include <QDir>
#include <QSaveFile>
#include <QStandardPaths>
#include <QThread>

#include <cstdio>

namespace {

// A folder name for the host and mailbox: what a file system takes anywhere.
QString folderName(const QString& text)
{
    QString name;
    for (const QChar c : text)
        name += c.isLetterOrNumber() || c == QLatin1Char('.') || c == QLatin1Char('-')
                    ? c
                    : QLatin1Char('_');
    return name;
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
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QLatin1Char('/') + QString::fromLatin1(Suite::OrganisationName) + QLatin1Char('/') +
           suiteApplicationName({SuiteApplication::CrashInbox, {}}) + QStringLiteral("/Mail");
}

bool fileMailbox(ImapMailbox& mailbox, InboxDatabase& database, PackageFiler& filer,
                 const QString& mailFolder, QString& error)
{
    const std::optional<quint32> validity = mailbox.uidValidity(error);
    if (!validity)
        return false;
    const std::optional<QList<quint32>> uids = mailbox.uids(*validity, error);
    if (!uids)
        return false;
    const QString name = mailbox.address().text();
    const std::optional<QSet<quint32>> fetched =
        MailboxMessages::fetched(database.connection(), name, *validity, error);
    if (!fetched)
        return false;
    const QString folder = mailFolder + QLatin1Char('/') + folderName(mailbox.address().host) +
                           QLatin1Char('/') + folderName(mailbox.address().mailbox);
    if (!QDir().mkpath(folder)) {
        error = QStringLiteral("%1 cannot be made").arg(QDir::toNativeSeparators(folder));
        return false;
    }
    for (const quint32 uid : *uids) {
        if (fetched->contains(uid))
            continue;
        const std::optional<QByteArray> message = mailbox.fetch(*validity, uid, error);
        const QString path = folder + QStringLiteral("/%1-%2.eml").arg(*validity).arg(uid);
        if (!message) {
            // One message the desk cannot read does not hold up the others.
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
            std::fprintf(stderr, "q5-crash-inbox: %s; trying again\n",
                         printable(error).toUtf8().constData());
            std::fflush(stderr);
        }
        QThread::sleep(static_cast<unsigned long>(pause.count()));
    }
}
