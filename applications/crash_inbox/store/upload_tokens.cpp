#include "upload_tokens.h"

#include "sql_failure.h"

#include <QCryptographicHash>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QVariant>

#include <array>

namespace UploadTokens {

namespace {

QString newToken()
{
    std::array<quint32, 8> words{};
    QRandomGenerator::system()->fillRange(words.data(), words.size());
    const QByteArray bytes(reinterpret_cast<const char*>(words.data()),
                           qsizetype(words.size() * sizeof(quint32)));
    return QStringLiteral("q5c_") +
           QString::fromLatin1(
               bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

} // namespace

QByteArray hashOf(QByteArrayView token)
{
    return QCryptographicHash::hash(token, QCryptographicHash::Sha256).toHex();
}

std::optional<QString> add(const QSqlDatabase& database, const QString& name, QString& error)
{
    QSqlQuery query(database);
    const QString token = newToken();
    query.prepare(QStringLiteral("INSERT INTO upload_tokens (name, token_hash, created_at) "
                                 "VALUES (?, ?, ?) ON CONFLICT (name) DO NOTHING"));
    query.addBindValue(name);
    query.addBindValue(QString::fromLatin1(hashOf(token.toLatin1())));
    query.addBindValue(QDateTime::currentDateTimeUtc().toString(Qt::ISODate));
    if (!query.exec()) {
        error = sqlFailure(QStringLiteral("the token cannot be kept"), query);
        return std::nullopt;
    }
    if (query.numRowsAffected() == 0) {
        error = QStringLiteral("%1 has a token already; revoke it first").arg(name);
        return std::nullopt;
    }
    return token;
}

std::optional<QList<NamedToken>> list(const QSqlDatabase& database, QString& error)
{
    QSqlQuery query(database);
    if (!query.exec(QStringLiteral("SELECT name, created_at FROM upload_tokens ORDER BY name"))) {
        error = sqlFailure(QStringLiteral("the tokens cannot be read"), query);
        return std::nullopt;
    }
    QList<NamedToken> tokens;
    while (query.next())
        tokens.append({query.value(0).toString(),
                       QDateTime::fromString(query.value(1).toString(), Qt::ISODate)});
    return tokens;
}

bool revoke(const QSqlDatabase& database, const QString& name, QString& error)
{
    QSqlQuery query(database);
    query.prepare(QStringLiteral("DELETE FROM upload_tokens WHERE name = ?"));
    query.addBindValue(name);
    if (!query.exec()) {
        error = sqlFailure(QStringLiteral("the token cannot be revoked"), query);
        return false;
    }
    if (query.numRowsAffected() > 0)
        return true;
    error = QStringLiteral("%1 has no token").arg(name);
    return false;
}

std::optional<QHash<QByteArray, QString>> hashes(const QSqlDatabase& database, QString& error)
{
    QSqlQuery query(database);
    if (!query.exec(QStringLiteral("SELECT token_hash, name FROM upload_tokens"))) {
        error = sqlFailure(QStringLiteral("the tokens cannot be read"), query);
        return std::nullopt;
    }
    QHash<QByteArray, QString> byHash;
    while (query.next())
        byHash.insert(query.value(0).toString().toLatin1(), query.value(1).toString());
    return byHash;
}

} // namespace UploadTokens
