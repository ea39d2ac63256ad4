#pragma once

#include <QSet>
#include <QString>

#include <optional>

class QSqlDatabase;

// The messages of a mail server's mailbox fetched so far. A mailbox is named by its address
// (imaps://user@host:port/name); its messages by UIDVALIDITY and UID, which the server keeps
// for as long as the UIDVALIDITY stays the same.
namespace MailboxMessages {

std::optional<QSet<quint32>> fetched(const QSqlDatabase& database, const QString& mailbox,
                                     quint32 uidValidity, QString& error);
bool noteFetched(const QSqlDatabase& database, const QString& mailbox, quint32 uidValidity,
                 quint32 uid, QString& error);

} // namespace MailboxMessages
