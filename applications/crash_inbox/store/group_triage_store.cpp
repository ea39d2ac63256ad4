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
    const QString fixedIn = query.value(0).toString();
    // Only as it was read: a desk may have changed the fixing version meanwhile.
    query.prepare(QStringLiteral("UPDATE crash_groups SET state = 'regressed', changed_at = ? "
                                 "WHERE signature = ? AND state = 'fixed' AND fixed_in = ?"));
    query.addBindValue(QDateTime::currentDateTimeUtc().toString(Qt::ISODate));
    query.addBindValue(signature);
    query.addBindValue(fixedIn);
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

bool GroupTriageStore::change(const GroupTriage& read, const GroupTriage& wanted, QString& error)
{
    QStringList columns;
    QVariantList values;
    if (wanted.state != read.state) {
        columns << QStringLiteral("state");
        values << triageStateName(wanted.state);
    }
    if (!hasFixingVersion(wanted.state) && wanted.state != read.state) {
        columns << QStringLiteral("fixed_in");
        values << QVariant(QMetaType::fromType<QString>());
    } else if (hasFixingVersion(wanted.state) && wanted.fixedIn != read.fixedIn) {
        columns << QStringLiteral("fixed_in");
        values << wanted.fixedIn;
    }
    if (wanted.note != read.note) {
        columns << QStringLiteral("note");
        values << (wanted.note.isNull() ? QStringLiteral("") : wanted.note);
    }
    if (columns.isEmpty())
        return true;
    columns << QStringLiteral("changed_at");
    values << QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
    QSqlDatabase connection = m_database.connection();
    QSqlQuery query(connection);
    if (!connection.transaction()) {
        error = sqlFailure(QStringLiteral("the crash group cannot be changed"), query);
        return false;
    }
    query.prepare(QStringLiteral("UPDATE crash_groups SET %1 = ? WHERE id = ?")
                      .arg(columns.join(QStringLiteral(" = ?, "))));
    for (const QVariant& value : std::as_const(values))
        query.addBindValue(value);
    query.addBindValue(read.id);
    const bool changed = query.exec() && query.numRowsAffected() == 1;
    if (!changed)
        error = query.lastError().isValid()
                    ? sqlFailure(QStringLiteral("the crash group cannot be changed"), query)
                    : QStringLiteral("crash group %1 is gone").arg(read.id);
    if (changed && ChangeWatch::announceChange(m_database, error) && connection.commit())
        return true;
    if (changed && error.isEmpty())
        error = QStringLiteral("the crash group cannot be changed: %1")
                    .arg(connection.lastError().text());
    connection.rollback();
    return false;
}
