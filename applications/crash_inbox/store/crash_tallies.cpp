#include "crash_tallies.h"

#include "crash_analysis/crash_summary.h"
#include "sql_failure.h"

#include <QSqlQuery>
#include <QVariant>

namespace CrashTallies {

namespace {

QByteArray noDumpFacts()
{
    return QByteArray("'") + CrashAnalysis::NoDumpFactsSignature + "'";
}

QString keyColumns()
{
    return QStringLiteral("coalesce(signature, %1), coalesce(device, ''), coalesce(version, ''), "
                          "coalesce(serial, '')")
        .arg(QString::fromLatin1(noDumpFacts()));
}

const QLatin1String TallyKey("signature = ? AND device = ? AND version = ? AND serial = ?");

bool countIn(QSqlQuery& query, qint64 id, QString& error)
{
    query.prepare(
        QStringLiteral("INSERT INTO crash_tallies (signature, device, version, serial, crashes, "
                       "first_crash, last_crash) SELECT %1, 1, crashed_at, crashed_at FROM "
                       "packages WHERE id = ? ON CONFLICT (signature, device, version, serial) "
                       "DO UPDATE SET crashes = crash_tallies.crashes + 1, first_crash = CASE "
                       "WHEN crash_tallies.first_crash IS NULL OR excluded.first_crash < "
                       "crash_tallies.first_crash THEN excluded.first_crash ELSE "
                       "crash_tallies.first_crash END, last_crash = CASE WHEN "
                       "crash_tallies.last_crash IS NULL OR excluded.last_crash > "
                       "crash_tallies.last_crash THEN excluded.last_crash ELSE "
                       "crash_tallies.last_crash END")
            .arg(keyColumns()));
    query.addBindValue(id);
    if (query.exec())
        return true;
    error = sqlFailure(QStringLiteral("the crash tallies cannot be kept"), query);
    return false;
}

// The package leaves its tally before its row changes; when it was the first or the last crash
// of the tally, the bounds are found again among the rest, by the signature's index.
bool countOut(QSqlQuery& query, qint64 id, QString& error)
{
    query.prepare(
        QStringLiteral("SELECT %1, crashed_at FROM packages WHERE id = ?").arg(keyColumns()));
    query.addBindValue(id);
    if (!query.exec() || !query.next()) {
        error = sqlFailure(QStringLiteral("the crash tallies cannot be kept"), query);
        return false;
    }
    const QVariantList key{query.value(0), query.value(1), query.value(2), query.value(3)};
    const QVariant crashedAt = query.value(4);
    const auto run = [&](const QString& statement, const QVariantList& before,
                         const QVariantList& after) {
        query.prepare(statement);
        for (const QVariant& value : before + key + after)
            query.addBindValue(value);
        if (query.exec())
            return true;
        error = sqlFailure(QStringLiteral("the crash tallies cannot be kept"), query);
        return false;
    };
    if (!run(
            QStringLiteral("UPDATE crash_tallies SET crashes = crashes - 1 WHERE %1").arg(TallyKey),
            {}, {}) ||
        !run(QStringLiteral("DELETE FROM crash_tallies WHERE %1 AND crashes <= 0").arg(TallyKey),
             {}, {}))
        return false;
    if (crashedAt.isNull())
        return true;
    const bool noFacts =
        key.first().toString() == QLatin1String(CrashAnalysis::NoDumpFactsSignature);
    const QString others =
        QStringLiteral("FROM packages WHERE (signature = ?%1) AND coalesce(device, '') = ? AND "
                       "coalesce(version, '') = ? AND coalesce(serial, '') = ? AND id <> ?")
            .arg(noFacts ? QStringLiteral(" OR signature IS NULL") : QString());
    const QVariantList bounds = key + QVariantList{id};
    return run(QStringLiteral("UPDATE crash_tallies SET first_crash = (SELECT min(crashed_at) %1), "
                              "last_crash = (SELECT max(crashed_at) %1) WHERE %2 AND "
                              "(first_crash = ? OR last_crash = ?)")
                   .arg(others, TallyKey),
               bounds + bounds, {crashedAt, crashedAt});
}

} // namespace

bool count(QSqlQuery& query, qint64 id, int change, QString& error)
{
    return change > 0 ? countIn(query, id, error) : countOut(query, id, error);
}

QList<QByteArray> upgradeToVersion4(bool postgres)
{
    const QByteArray integer = postgres ? "BIGINT" : "INTEGER";
    QList<QByteArray> statements{
        "CREATE TABLE crash_tallies (signature TEXT NOT NULL, device TEXT NOT NULL, version "
        "TEXT NOT NULL, serial TEXT NOT NULL, crashes " +
            integer +
            " NOT NULL, first_crash TEXT, last_crash TEXT, PRIMARY KEY (signature, device, "
            "version, serial))",
        "INSERT INTO crash_tallies (signature, device, version, serial, crashes, first_crash, "
        "last_crash) SELECT " +
            keyColumns().toLatin1() +
            ", count(*), min(crashed_at), max(crashed_at) FROM packages GROUP BY 1, 2, 3, 4"};
    // The newest crash first, as the window lists them, without sorting them all.
    if (postgres)
        statements << "CREATE INDEX packages_newest ON packages (crashed_at DESC NULLS LAST, id "
                      "DESC)";
    return statements;
}

} // namespace CrashTallies
