#include "mailbox_messages.h"

#include "sql_failure.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QVariant>

namespace MailboxMessages {

std::optional<QSet<quint32>> fetched(const QSqlDatabase& database, const QString& mailbox,
                                     quint32 uidValidity, QString& error)
{
    QSqlQuery query(database);
    query.prepare(
        QStringLiteral("SELECT uid FROM mailbox_messages WHERE mailbox = ? AND uidvalidity = ?"));
    query.addBindValue(mailbox);
    query.addBindValue(qint64(uidValidity));
    if (!query.exec()) {
        error = sqlFailure(QStringLiteral("the mailbox's messages cannot be read"), query);
        return std::nullopt;
    }
    QSet<quint32> uids;
    while (query.next())
        uids.insert(quint32(query.value(0).toLongLong()));
    return uids;
}

bool noteFetched(const QSqlDatabase& database, const QString& mailbox, quint32 uidValidity,
                 quint32 uid, QString& error)
{
    QSqlQuery query(database);
    query.prepare(QStringLiteral("INSERT INTO mailbox_messages (mailbox, uidvalidity, uid, "
                                 "fetched_at) VALUES (?, ?, ?, ?) ON CONFLICT DO NOTHING"));
    query.addBindValue(mailbox);
    query.addBindValue(qint64(uidValidity));
    query.addBindValue(qint64(uid));
    query.addBindValue(QDateTime::currentDateTimeUtc().toString(Qt::ISODate));
    if (query.exec())
        return true;
    error = sqlFailure(QStringLiteral("the mailbox's message cannot be noted"), query);
    return false;
}

} // namespace MailboxMessages
