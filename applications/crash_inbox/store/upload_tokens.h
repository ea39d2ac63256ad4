#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>

#include <optional>

class QSqlDatabase;

// The collector's tokens, one per console or site. A token is shown once, when it is made; the
// database keeps only its SHA-256, which is enough for tokens of 256 random bits.
namespace UploadTokens {

struct NamedToken {
    QString name;
    QDateTime created;
};

// A new token for the name; none, with the reason, when the name has one already.
std::optional<QString> add(const QSqlDatabase& database, const QString& name, QString& error);
// The names with tokens, in the order of their names; none on a database error.
std::optional<QList<NamedToken>> list(const QSqlDatabase& database, QString& error);
// False, with the reason, when the name has no token or the database fails.
bool revoke(const QSqlDatabase& database, const QString& name, QString& error);
// Every token's hash with its name; none on a database error.
std::optional<QHash<QByteArray, QString>> hashes(const QSqlDatabase& database, QString& error);

// The hash the database keeps of a token, in hexadecimal.
QByteArray hashOf(QByteArrayView token);

} // namespace UploadTokens
