#include "group_triage_store.h"

#include "change_watch.h"
#include "crash_inbox/triage/version_order.h"
#include "inbox_database.h"
#include "sql_failure.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QVariant>

namespace {

GroupTriage triageOf(const QSqlQuery& query, int first)
{
    GroupTriage triage;
    triage.id = query.value(first).toLongLong();
    triage.state = triageStateNamed(query.value(first + 1).toString()).value_or(TriageState::New);
    triage.fixedIn = query.value(first + 2).toString();
    triage.note = query.value(first + 3).toString();
    return triage;
}

} // namespace

GroupTriageStore::GroupTriageStore(InboxDatabase& database)
    : m_database(database)
{}

bool GroupTriageStore::noteCrash(QSqlQuery& query, const QString& signature, const QString& version,
                                 QString& error)
{
    query.prepare(QStringLiteral(
        "INSERT INTO crash_groups (signature) VALUES (?) ON CONFLICT (signature) DO NOTHING"));
    query.addBindValue(signature);
    if (!query.exec()) {
        error = sqlFailure(QStringLiteral("the crash group cannot be kept"), query);
        return false;
    }
    query.prepare(QStringLiteral("SELECT fixed_in FROM crash_groups WHERE signature = ? AND "
                                 "state = 'fixed'"));
    query.addBindValue(signature);
    if (!query.exec()) {
        error = sqlFailure(QStringLiteral("the crash group cannot be read"), query);
        return false;
    }
    if (!query.next() || !isAtOrAbove(version, query.value(0).toString()))
        return true;
    query.prepare(QStringLiteral("UPDATE crash_groups SET state = 'regressed', changed_at = ? "
                                 "WHERE signature = ? AND state = 'fixed'"));
    query.addBindValue(QDateTime::currentDateTimeUtc().toString(Qt::ISODate));
    query.addBindValue(signature);
    if (query.exec())
        return true;
    error = sqlFailure(QStringLiteral("the crash group cannot be kept"), query);
    return false;
}

std::optional<QHash<QString, GroupTriage>> GroupTriageStore::all(QString& error)
{
    QSqlQuery query(m_database.connection());
    query.setForwardOnly(true);
    if (!query.exec(
            QStringLiteral("SELECT signature, id, state, fixed_in, note FROM crash_groups"))) {
        error = sqlFailure(QStringLiteral("the crash groups cannot be read"), query);
        return std::nullopt;
    }
    QHash<QString, GroupTriage> triages;
    while (query.next())
        triages.insert(query.value(0).toString(), triageOf(query, 1));
    if (query.lastError().isValid()) {
        error = sqlFailure(QStringLiteral("the crash groups cannot be read"), query);
        return std::nullopt;
    }
    return triages;
}

std::optional<std::pair<QString, GroupTriage>>
GroupTriageStore::find(const QString& numberOrSignature, QString& error)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,18}$"));
    const bool byNumber = digits.match(numberOrSignature).hasMatch();
    QSqlQuery query(m_database.connection());
    query.prepare(QStringLiteral("SELECT signature, id, state, fixed_in, note FROM crash_groups "
                                 "WHERE %1 = ?")
                      .arg(byNumber ? QStringLiteral("id") : QStringLiteral("signature")));
    query.addBindValue(byNumber ? QVariant(numberOrSignature.toLongLong())
                                : QVariant(numberOrSignature));
    error.clear();
    if (!query.exec()) {
        error = sqlFailure(QStringLiteral("the crash group cannot be read"), query);
        return std::nullopt;
    }
    if (!query.next())
        return std::nullopt;
    return std::pair(query.value(0).toString(), triageOf(query, 1));
}

bool GroupTriageStore::set(const GroupTriage& triage, QString& error)
{
    QSqlQuery query(m_database.connection());
    query.prepare(QStringLiteral("UPDATE crash_groups SET state = ?, fixed_in = ?, note = ?, "
                                 "changed_at = ? WHERE id = ?"));
    query.addBindValue(triageStateName(triage.state));
    const bool hasVersion =
        triage.state == TriageState::Fixed || triage.state == TriageState::Regressed;
    query.addBindValue(hasVersion ? QVariant(triage.fixedIn)
                                  : QVariant(QMetaType::fromType<QString>()));
    query.addBindValue(triage.note.isNull() ? QStringLiteral("") : triage.note);
    query.addBindValue(QDateTime::currentDateTimeUtc().toString(Qt::ISODate));
    query.addBindValue(triage.id);
    if (query.exec() && query.numRowsAffected() == 1)
        return ChangeWatch::announceChange(m_database, error);
    error = query.lastError().isValid()
                ? sqlFailure(QStringLiteral("the crash group cannot be changed"), query)
                : QStringLiteral("crash group %1 is gone").arg(triage.id);
    return false;
}
