#include "crash_tallies.h"

#include "crash_analysis/crash_summary.h"
#include "sql_failure.h"

#include <QSqlQuery>
#include <QVariant>

#include <tuple>

namespace CrashTallies {

namespace {

QString signatureColumn()
{
    return QStringLiteral("coalesce(signature, '%1')")
        .arg(QLatin1String(CrashAnalysis::NoDumpFactsSignature));
}

QString keyColumns()
{
    return signatureColumn() + QStringLiteral(", coalesce(device, ''), coalesce(version, '')");
}

const QLatin1String TallyKey("signature = ? AND device = ? AND version = ?");
const QLatin1String SerialKey("signature = ? AND serial = ?");

bool run(QSqlQuery& query, const QString& statement, const QVariantList& values, QString& error)
{
    query.prepare(statement);
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (query.exec())
        return true;
    error = sqlFailure(QStringLiteral("the crash tallies cannot be kept"), query);
    return false;
}

bool countIn(QSqlQuery& query, qint64 id, QString& error)
{
    const QString serial =
        QStringLiteral("INSERT INTO crash_serials (signature, serial, crashes) SELECT %1, "
                       "coalesce(serial, ''), 1 FROM packages WHERE id = ? ON CONFLICT "
                       "(signature, serial) DO UPDATE SET crashes = crash_serials.crashes + 1")
            .arg(signatureColumn());
    const QString tally =
        QStringLiteral("INSERT INTO crash_tallies (signature, device, version, crashes, "
                       "first_crash, last_crash) SELECT %1, 1, crashed_at, crashed_at FROM "
                       "packages WHERE id = ? ON CONFLICT (signature, device, version) DO UPDATE "
                       "SET crashes = crash_tallies.crashes + 1, first_crash = CASE WHEN "
                       "crash_tallies.first_crash IS NULL OR excluded.first_crash < "
                       "crash_tallies.first_crash THEN excluded.first_crash ELSE "
                       "crash_tallies.first_crash END, last_crash = CASE WHEN "
                       "crash_tallies.last_crash IS NULL OR excluded.last_crash > "
                       "crash_tallies.last_crash THEN excluded.last_crash ELSE "
                       "crash_tallies.last_crash END")
            .arg(keyColumns());
    return run(query, serial, {id}, error) && run(query, tally, {id}, error);
}

// The package leaves its tallies before its row changes; when it was the first or the last
// crash of its tally, the bounds are found again among the rest, by the signature's index.
bool countOut(QSqlQuery& query, qint64 id, QString& error)
{
    query.prepare(
        QStringLiteral("SELECT %1, coalesce(serial, ''), crashed_at FROM packages WHERE id = ?")
            .arg(keyColumns()));
    query.addBindValue(id);
    if (!query.exec() || !query.next()) {
        error = sqlFailure(QStringLiteral("the crash tallies cannot be kept"), query);
        return false;
    }
    const QVariantList key{query.value(0), query.value(1), query.value(2)};
    const QVariantList serialKey{query.value(0), query.value(3)};
    const QVariant crashedAt = query.value(4);
    for (const auto& [table, where, values] :
         {std::tuple(QLatin1String("crash_tallies"), TallyKey, key),
          std::tuple(QLatin1String("crash_serials"), SerialKey, serialKey)}) {
        if (!run(query,
                 QStringLiteral("UPDATE %1 SET crashes = crashes - 1 WHERE %2").arg(table, where),
                 values, error) ||
            !run(query,
                 QStringLiteral("DELETE FROM %1 WHERE %2 AND crashes <= 0").arg(table, where),
                 values, error))
            return false;
    }
    if (crashedAt.isNull())
        return true;
    const bool noFacts =
        key.first().toString() == QLatin1String(CrashAnalysis::NoDumpFactsSignature);
    const QString others =
        QStringLiteral("FROM packages WHERE (signature = ?%1) AND coalesce(device, '') = ? AND "
                       "coalesce(version, '') = ? AND id <> ?")
            .arg(noFacts ? QStringLiteral(" OR signature IS NULL") : QString());
    const QVariantList bounds = key + QVariantList{id};
    return run(query,
               QStringLiteral("UPDATE crash_tallies SET first_crash = (SELECT min(crashed_at) %1), "
                              "last_crash = (SELECT max(crashed_at) %1) WHERE %2 AND "
                              "(first_crash = ? OR last_crash = ?)")
                   .arg(others, TallyKey),
               bounds + bounds + key + QVariantList{crashedAt, crashedAt}, error);
}

} // namespace

bool count(QSqlQuery& query, qint64 id, int change, QString& error)
{
    return change > 0 ? countIn(query, id, error) : countOut(query, id, error);
}

bool countFiled(QSqlQuery& query, qint64 id, QString& error)
{
    return countIn(query, id, error) &&
           run(query,
               QStringLiteral("INSERT INTO crash_days (day, version, crashes) SELECT crash_date, "
                              "coalesce(version, ''), 1 FROM packages WHERE id = ? AND crashed_at "
                              "IS NOT NULL ON CONFLICT (day, version) DO UPDATE SET crashes = "
                              "crash_days.crashes + 1"),
               {id}, error);
}

QList<QByteArray> upgradeToVersion4(bool postgres)
{
    const QByteArray integer = postgres ? "BIGINT" : "INTEGER";
    QList<QByteArray> statements{
        "CREATE TABLE crash_tallies (signature TEXT NOT NULL, device TEXT NOT NULL, version "
        "TEXT NOT NULL, crashes " +
            integer +
            " NOT NULL, first_crash TEXT, last_crash TEXT, PRIMARY KEY (signature, device, "
            "version))",
        "INSERT INTO crash_tallies (signature, device, version, crashes, first_crash, "
        "last_crash) SELECT " +
            keyColumns().toLatin1() +
            ", count(*), min(crashed_at), max(crashed_at) FROM packages GROUP BY 1, 2, 3",
        "CREATE TABLE crash_serials (signature TEXT NOT NULL, serial TEXT NOT NULL, crashes " +
            integer + " NOT NULL, PRIMARY KEY (signature, serial))",
        "INSERT INTO crash_serials (signature, serial, crashes) SELECT " +
            signatureColumn().toLatin1() +
            ", coalesce(serial, ''), count(*) FROM packages GROUP BY 1, 2",
        "CREATE TABLE crash_days (day TEXT NOT NULL, version TEXT NOT NULL, crashes " + integer +
            " NOT NULL, PRIMARY KEY (day, version))",
        "INSERT INTO crash_days (day, version, crashes) SELECT crash_date, coalesce(version, ''), "
        "count(*) FROM packages WHERE crashed_at IS NOT NULL GROUP BY 1, 2",
        // The filters a technician sets find their packages without reading them all.
        "CREATE INDEX packages_serial ON packages(serial)",
        "CREATE INDEX packages_version ON packages(version)"};
    // The newest crash first, as the window lists them, without sorting them all.
    if (postgres)
        statements << "CREATE INDEX packages_newest ON packages (crashed_at DESC NULLS LAST, id "
                      "DESC)";
    else
        statements << "ANALYZE";
    return statements;
}

} // namespace CrashTallies
