#include "package_store.h"

#include "change_watch.h"
#include "crash_inbox/triage/version_order.h"
#include "crash_rows.h"
#include "crash_tallies.h"
#include "database_wait.h"
#include "group_triage_store.h"
#include "inbox_database.h"
#include "package_places.h"
#include "row_insert.h"
#include "row_reader.h"
#include "search_words.h"
#include "sql_failure.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <numeric>

namespace {

// What a listed package shows: all but its output log, entries, stack, frames and modules.
QString listColumns()
{
    QStringList columns{
        QStringLiteral("id"),        QStringLiteral("sha256"),     QStringLiteral("file"),
        QStringLiteral("file_size"), QStringLiteral("crash_date"), QStringLiteral("crash_time"),
        QStringLiteral("device"),    QStringLiteral("serial"),     QStringLiteral("version"),
        QStringLiteral("platform"),  QStringLiteral("comments"),   QStringLiteral("mail_sender"),
        QStringLiteral("mail_date")};
    columns += CrashRows::columns();
    columns.removeOne(QStringLiteral("crash_thread"));
    columns.removeOne(QStringLiteral("crash_frames"));
    return columns.join(QStringLiteral(", "));
}

QVariant orNull(const std::optional<QString>& text)
{
    return text ? QVariant(*text) : QVariant(QMetaType::fromType<QString>());
}

QVariant orNull(const QString& text)
{
    return text.isNull() ? QVariant(QMetaType::fromType<QString>()) : QVariant(text);
}

QString isoDate(const QDate& date)
{
    return date.isValid() ? date.toString(Qt::ISODate) : QString();
}

// Sorts crashes by time; null without a date.
QString crashedAt(const ReportDocument& report)
{
    if (!report.date.isValid())
        return {};
    return isoDate(report.date) + QLatin1Char('T') +
           (report.time.isValid() ? report.time.toString(Qt::ISODate) : QStringLiteral("00:00:00"));
}

QString outputLogText(const QStringList& lines)
{
    return QString::fromUtf8(
        QJsonDocument(QJsonArray::fromStringList(lines)).toJson(QJsonDocument::Compact));
}

QStringList outputLogLines(const QString& text)
{
    QStringList lines;
    for (const QJsonValue& line : QJsonDocument::fromJson(text.toUtf8()).array())
        lines << line.toString();
    return lines;
}

// Each word a phrase of its own, so that nothing the technician types is FTS5 syntax; the
// words are letters and digits, folded as the index's are.
QString fts5Query(const QString& text)
{
    QStringList words;
    for (const SearchWords::QueryWord& word : SearchWords::queryWords(text))
        words << QLatin1Char('"') + word.word + QLatin1Char('"') +
                     (word.prefix ? QStringLiteral("*") : QString());
    return words.join(QLatin1Char(' '));
}

// The same as a PostgreSQL text search query: every word, a prefix marked ":*".
QString tsquery(const QString& text)
{
    QStringList words;
    for (const SearchWords::QueryWord& word : SearchWords::queryWords(text))
        words << word.word + (word.prefix ? QStringLiteral(":*") : QString());
    return words.join(QStringLiteral(" & "));
}

// For a comparison: an empty text is a value, not NULL.
QVariant sameOrNull(const std::optional<QString>& text)
{
    if (!text)
        return QVariant(QMetaType::fromType<QString>());
    return QVariant(text->isNull() ? QStringLiteral("") : *text);
}

bool insertEntries(QSqlQuery& query, qint64 id, const FiledPackage& package)
{
    QList<QVariantList> entries;
    for (qsizetype position = 0; position < package.entries.size(); ++position) {
        const PackageEntry& entry = package.entries.at(position);
        entries.append({id, int(position), entry.name, entry.size, int(entry.kind)});
    }
    return insertRows(query, QStringLiteral("entries"),
                      {QStringLiteral("package_id"), QStringLiteral("position"),
                       QStringLiteral("name"), QStringLiteral("size"), QStringLiteral("kind")},
                      entries);
}

FiledPackage packageFromRow(const RowReader& row)
{
    const auto value = [&](const char* column) {
        return row.value(QLatin1String(column));
    };
    FiledPackage package;
    package.id = value("id").toLongLong();
    package.sha256 = value("sha256").toByteArray();
    package.file = value("file").toString();
    package.fileSize = value("file_size").toLongLong();
    const QString date = value("crash_date").toString();
    const QString time = value("crash_time").toString();
    package.report.date = QDate::fromString(date, Qt::ISODate);
    package.report.time = QTime::fromString(time, Qt::ISODate);
    package.report.unreadDate = package.report.date.isValid() ? QString() : date;
    package.report.unreadTime = package.report.time.isValid() ? QString() : time;
    const QVariant device = value("device");
    const QVariant serial = value("serial");
    const QVariant version = value("version");
    const QVariant platform = value("platform");
    // A report names its controller when any of these is known.
    if (!device.isNull() || !serial.isNull() || !version.isNull() || !platform.isNull()) {
        ReportDocument::Application& application = package.report.application.emplace();
        if (!device.isNull())
            application.device = device.toString();
        application.serial = serial.toString();
        application.version = version.toString();
        application.platform = platform.toString();
    }
    package.report.comments = value("comments").toString();
    package.mailSender = value("mail_sender").toString();
    package.mailDate = QDateTime::fromString(value("mail_date").toString(), Qt::ISODate);
    CrashRows::readColumns(row, package);
    return package;
}

// The group a package's crash belongs to: one without dump facts has a group too.
QString groupSignature(const QString& signature)
{
    return signature.isEmpty() ? QString::fromLatin1(CrashAnalysis::NoDumpFactsSignature)
                               : signature;
}

// Versions in the order of releases; texts that are no version after them, alphabetically.
bool releasedBefore(const QString& a, const QString& b)
{
    const std::optional<VersionOrder> first = VersionOrder::parse(a);
    const std::optional<VersionOrder> second = VersionOrder::parse(b);
    if (first && second)
        return *first < *second;
    if (first || second)
        return first.has_value();
    return a < b;
}

QString versionOf(const FiledPackage& package)
{
    return package.report.application ? package.report.application->version : QString();
}

// A crash new to the desk, in its group: the group keeps the latest version seen in the batch.
void noteArrival(PackageStore::Arrivals& arrivals, const FiledPackage& package)
{
    QString& latest = arrivals[groupSignature(package.signature)];
    const std::optional<VersionOrder> seen = VersionOrder::parse(latest);
    const std::optional<VersionOrder> version = VersionOrder::parse(versionOf(package));
    if (version && (!seen || *seen < *version))
        latest = versionOf(package);
}

} // namespace

PackageStore::PackageStore(InboxDatabase& database)
    : m_database(database)
{}

// Rows are inserted in the order of their hashes, so that two processes filing overlapping
// batches take the unique index's locks in one order and never wait for each other in a circle;
// a batch that the server gives up on all the same (a deadlock or a serialisation failure) is
// tried again.
std::optional<QList<PackageStore::Filing>> PackageStore::file(const QList<FiledPackage>& packages,
                                                              QString& error)
{
    const DatabaseWait wait(QStringLiteral("the database to file packages"));
    QList<qsizetype> order(packages.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        return packages.at(a).sha256 < packages.at(b).sha256;
    });
    constexpr int Attempts = 3;
    for (int attempt = 1; attempt <= Attempts; ++attempt) {
        QSqlQuery query(m_database.connection());
        if (!query.exec(m_database.isPostgres() ? QStringLiteral("BEGIN")
                                                : QStringLiteral("BEGIN IMMEDIATE"))) {
            error = sqlFailure(QStringLiteral("the database cannot be written"), query);
            return std::nullopt;
        }
        QList<Filing> filings(packages.size());
        Arrivals arrivals;
        bool filed = true;
        for (const qsizetype index : std::as_const(order)) {
            const std::optional<Filing> filing =
                fileOne(query, packages.at(index), arrivals, error);
            if (!(filed = filing.has_value()))
                break;
            filings[index] = *filing;
        }
        // The groups after the packages, in the order of their signatures: two desks filing at
        // once take their locks in one order, and never wait for each other in a circle.
        for (auto arrival = arrivals.cbegin(); filed && arrival != arrivals.cend(); ++arrival)
            filed = GroupTriageStore::noteCrash(query, arrival.key(), arrival.value(), error);
        if (filed)
            filed = ChangeWatch::announceChange(m_database, error);
        if (filed && query.exec(QStringLiteral("COMMIT"))) {
            m_database.noteFiled(std::count_if(filings.cbegin(), filings.cend(),
                                               [](const Filing& filing) { return filing.added; }));
            return filings;
        }
        const QString code = query.lastError().nativeErrorCode();
        if (filed)
            error = sqlFailure(QStringLiteral("the database cannot be written"), query);
        query.exec(QStringLiteral("ROLLBACK"));
        const bool worthRetrying = code == QLatin1String("40P01") || code == QLatin1String("40001");
        if (!worthRetrying)
            break;
    }
    return std::nullopt;
}

// Content filed by another process meanwhile is found, not filed twice.
std::optional<PackageStore::Filing> PackageStore::fileOne(QSqlQuery& query,
                                                          const FiledPackage& package,
                                                          Arrivals& arrivals, QString& error)
{
    if (package.replaces != 0) {
        const std::optional<std::optional<Filing>> replaced = replaceOne(query, package, error);
        if (!replaced)
            return std::nullopt;
        if (*replaced)
            return *replaced;
    }
    const ReportDocument& report = package.report;
    const std::optional<ReportDocument::Application>& application = report.application;
    const std::optional<QVariant> moduleList = CrashRows::keepModuleList(query, package, error);
    if (!moduleList)
        return std::nullopt;
    const QStringList crashColumns = CrashRows::columns();
    query.prepare(QStringLiteral("INSERT INTO packages (sha256, file, file_size, crash_date, "
                                 "crash_time, crashed_at, device, serial, version, platform, "
                                 "comments, output_log, mail_sender, mail_date, added_at, "
                                 "search_words, %1) "
                                 "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?%2) "
                                 "ON CONFLICT (sha256) DO NOTHING RETURNING id")
                      .arg(crashColumns.join(QStringLiteral(", ")),
                           QStringLiteral(", ?").repeated(crashColumns.size())));
    query.addBindValue(QString::fromLatin1(package.sha256));
    query.addBindValue(package.file);
    query.addBindValue(package.fileSize);
    // A date that is none is kept as the report wrote it, to be shown as it came.
    query.addBindValue(orNull(report.date.isValid() ? isoDate(report.date) : report.unreadDate));
    query.addBindValue(
        orNull(report.time.isValid() ? report.time.toString(Qt::ISODate) : report.unreadTime));
    query.addBindValue(orNull(crashedAt(report)));
    query.addBindValue(orNull(application ? application->device : std::nullopt));
    query.addBindValue(orNull(application ? application->serial : QString()));
    query.addBindValue(orNull(application ? application->version : QString()));
    query.addBindValue(orNull(application ? application->platform : QString()));
    query.addBindValue(sameOrNull(report.comments));
    query.addBindValue(outputLogText(report.outputLog));
    query.addBindValue(orNull(package.mailSender));
    query.addBindValue(orNull(
        package.mailDate.isValid() ? package.mailDate.toString(Qt::ISODateWithMs) : QString()));
    query.addBindValue(QDateTime::currentDateTimeUtc().toString(Qt::ISODate));
    query.addBindValue(SearchWords::indexText(report.comments, report.outputLog));
    for (const QVariant& value : CrashRows::values(package, *moduleList))
        query.addBindValue(value);
    // Whatever fails now is the database's fault: the package was read whole.
    if (!query.exec()) {
        error = sqlFailure(QStringLiteral("the database cannot be written"), query);
        return std::nullopt;
    }
    if (!query.next()) {
        const std::optional<qint64> known = idOf(package.sha256, error);
        if (!known) {
            if (error.isEmpty())
                error = QStringLiteral("the database cannot be written: a package filed "
                                       "meanwhile is not there");
            return std::nullopt;
        }
        // Known content found at a new place keeps that place too.
        if (!readDumpOfOlderFiling(query, *known, package, arrivals, error) ||
            !PackagePlaces::add(query, *known, package, error))
            return std::nullopt;
        return Filing{*known, false};
    }
    const qint64 id = query.value(0).toLongLong();
    if (!CrashTallies::countFiled(query, id, error))
        return std::nullopt;
    if (!insertEntries(query, id, package)) {
        error = sqlFailure(QStringLiteral("the database cannot be written"), query);
        return std::nullopt;
    }
    if (!PackagePlaces::add(query, id, package, error))
        return std::nullopt;
    noteArrival(arrivals, package);
    return Filing{id, true};
}

std::optional<std::optional<PackageStore::Filing>>
PackageStore::replaceOne(QSqlQuery& query, const FiledPackage& package, QString& error)
{
    const ReportDocument& report = package.report;
    const std::optional<ReportDocument::Application>& application = report.application;
    // The same crash: the same device, console, version, time and cause, and content not
    // filed yet. Its tallies stay as they are.
    query.prepare(QStringLiteral(
        "SELECT id FROM packages WHERE id = ? AND device IS NOT DISTINCT FROM ? AND serial IS "
        "NOT DISTINCT FROM ? AND version IS NOT DISTINCT FROM ? AND crashed_at IS NOT DISTINCT "
        "FROM ? AND signature IS NOT DISTINCT FROM ? AND NOT EXISTS (SELECT 1 FROM packages "
        "WHERE sha256 = ?)"));
    query.addBindValue(package.replaces);
    query.addBindValue(orNull(application ? application->device : std::nullopt));
    query.addBindValue(orNull(application ? application->serial : QString()));
    query.addBindValue(orNull(application ? application->version : QString()));
    query.addBindValue(orNull(crashedAt(report)));
    query.addBindValue(package.signature);
    query.addBindValue(QString::fromLatin1(package.sha256));
    if (!query.exec()) {
        error = sqlFailure(QStringLiteral("the database cannot be read"), query);
        return std::nullopt;
    }
    if (!query.next())
        return std::optional<Filing>();
    const qint64 id = package.replaces;
    query.prepare(QStringLiteral("UPDATE packages SET sha256 = ?, file = ?, file_size = ?, "
                                 "comments = ?, output_log = ?, search_words = ? WHERE id = ?"));
    query.addBindValue(QString::fromLatin1(package.sha256));
    query.addBindValue(package.file);
    query.addBindValue(package.fileSize);
    query.addBindValue(sameOrNull(report.comments));
    query.addBindValue(outputLogText(report.outputLog));
    query.addBindValue(SearchWords::indexText(report.comments, report.outputLog));
    query.addBindValue(id);
    // The places of the content it replaces hold that content, not this.
    const bool replaced =
        query.exec() &&
        query.exec(QStringLiteral("DELETE FROM entries WHERE package_id = %1").arg(id)) &&
        query.exec(QStringLiteral("DELETE FROM package_places WHERE package_id = %1").arg(id)) &&
        insertEntries(query, id, package);
    if (!replaced) {
        error = sqlFailure(QStringLiteral("the database cannot be written"), query);
        return std::nullopt;
    }
    if (!PackagePlaces::add(query, id, package, error))
        return std::nullopt;
    return std::optional<Filing>(Filing{id, false, true});
}

// A package filed before the desk read dumps gets its dump's facts when it is added again.
bool PackageStore::readDumpOfOlderFiling(QSqlQuery& query, qint64 id, const FiledPackage& package,
                                         Arrivals& arrivals, QString& error)
{
    query.prepare(QStringLiteral("SELECT dump_read FROM packages WHERE id = ?"));
    query.addBindValue(id);
    if (!query.exec() || !query.next()) {
        error = sqlFailure(QStringLiteral("the database cannot be written"), query);
        return false;
    }
    if (query.value(0).toInt() != 0)
        return true;
    const std::optional<QVariant> moduleList = CrashRows::keepModuleList(query, package, error);
    if (!moduleList || !CrashTallies::count(query, id, -1, error))
        return false;
    query.prepare(QStringLiteral("UPDATE packages SET %1 = ? WHERE id = ?")
                      .arg(CrashRows::columns().join(QStringLiteral(" = ?, "))));
    for (const QVariant& value : CrashRows::values(package, *moduleList))
        query.addBindValue(value);
    query.addBindValue(id);
    if (!query.exec()) {
        error = sqlFailure(QStringLiteral("the database cannot be written"), query);
        return false;
    }
    noteArrival(arrivals, package);
    return CrashTallies::count(query, id, +1, error);
}

std::optional<qint64> PackageStore::idOf(const QByteArray& sha256, QString& error)
{
    QSqlQuery query(m_database.connection());
    query.prepare(QStringLiteral("SELECT id FROM packages WHERE sha256 = ?"));
    query.addBindValue(QString::fromLatin1(sha256));
    if (!query.exec()) {
        error = sqlFailure(QStringLiteral("the database cannot be read"), query);
        return std::nullopt;
    }
    if (!query.next()) {
        if (query.lastError().isValid())
            error = sqlFailure(QStringLiteral("the database cannot be read"), query);
        return std::nullopt;
    }
    return query.value(0).toLongLong();
}

std::optional<FiledPackage> PackageStore::find(qint64 id, QString& error)
{
    const DatabaseWait wait(QStringLiteral("the database to read package %1").arg(id));
    const QString cannotRead = QStringLiteral("the database cannot be read");
    QSqlQuery query(m_database.connection());
    query.prepare(QStringLiteral("SELECT %1, output_log, crash_frames FROM packages WHERE id = ?")
                      .arg(listColumns()));
    query.addBindValue(id);
    if (!query.exec()) {
        error = sqlFailure(cannotRead, query);
        return std::nullopt;
    }
    if (!query.next()) {
        if (query.lastError().isValid())
            error = sqlFailure(cannotRead, query);
        return std::nullopt;
    }
    const RowReader row(query);
    FiledPackage package = packageFromRow(row);
    package.report.outputLog = outputLogLines(row.value(QStringLiteral("output_log")).toString());
    if (package.crash && !CrashRows::readDetails(query, id, *package.crash, error))
        return std::nullopt;
    query.prepare(QStringLiteral(
        "SELECT name, size, kind FROM entries WHERE package_id = ? ORDER BY position"));
    query.addBindValue(id);
    if (!query.exec()) {
        error = sqlFailure(cannotRead, query);
        return std::nullopt;
    }
    while (query.next())
        package.entries << PackageEntry{query.value(0).toString(), query.value(1).toLongLong(),
                                        PackageEntry::Kind(query.value(2).toInt()), QString()};
    if (query.lastError().isValid()) {
        error = sqlFailure(cannotRead, query);
        return std::nullopt;
    }
    return package;
}

// The WHERE clause of the filter, and the values it binds; empty for no filter.
QString PackageStore::whereOf(const PackageFilter& filter, QVariantList& values) const
{
    QStringList conditions;
    const QString words =
        m_database.isPostgres() ? tsquery(filter.search) : fts5Query(filter.search);
    if (!words.isEmpty()) {
        conditions << (m_database.isPostgres()
                           ? QStringLiteral("search @@ to_tsquery('simple', ?)")
                           : QStringLiteral("id IN (SELECT rowid FROM package_words WHERE "
                                            "package_words MATCH ?)"));
        values << words;
    }
    const std::pair<const char*, QString> exact[] = {{"device", filter.device},
                                                     {"version", filter.version},
                                                     {"serial", filter.serial},
                                                     {"signature", filter.signature}};
    for (const auto& [column, value] : exact) {
        if (value.isEmpty())
            continue;
        conditions << QStringLiteral("%1 = ?").arg(QLatin1String(column));
        values << value;
    }
    // Moments are kept as ISO text, which sorts as time does.
    if (filter.crashedFrom.isValid()) {
        conditions << QStringLiteral("crashed_at >= ?");
        values << filter.crashedFrom.toString(Qt::ISODate) + QStringLiteral("T00:00:00");
    }
    if (filter.crashedTo.isValid()) {
        conditions << QStringLiteral("crashed_at < ?");
        values << filter.crashedTo.addDays(1).toString(Qt::ISODate) + QStringLiteral("T00:00:00");
    }
    if (filter.id > 0) {
        conditions << QStringLiteral("id = ?");
        values << filter.id;
    }
    if (filter.group) {
        const QLatin1String same(m_database.isPostgres() ? "IS NOT DISTINCT FROM" : "IS");
        conditions << QStringLiteral("device %1 ? AND version %1 ?").arg(same);
        values << sameOrNull(filter.group->device) << sameOrNull(filter.group->version);
    }
    return conditions.isEmpty()
               ? QString()
               : QStringLiteral("WHERE ") + conditions.join(QStringLiteral(" AND "));
}

// Undated crashes last either way; ties follow the filing in the same direction, which an index
// on the moment of the crash serves.
QString PackageStore::orderOf(const PackageOrder& order, QVariantList& values)
{
    const QLatin1String direction(order.descending != order.fromEnd ? "DESC" : "ASC");
    QString key;
    switch (order.key) {
    case PackageOrder::Key::Crashed:
        key = QStringLiteral("crashed_at %1 NULLS %2")
                  .arg(direction, QLatin1String(order.fromEnd ? "FIRST" : "LAST"));
        break;
    case PackageOrder::Key::Id:
        break;
    case PackageOrder::Key::Serial:
        key = QStringLiteral("coalesce(serial, '') %1").arg(direction);
        break;
    case PackageOrder::Key::Comments:
        key = QStringLiteral("comments %1").arg(direction);
        break;
    case PackageOrder::Key::Version: {
        QString ranks;
        for (const QString& release : order.releases) {
            ranks += QStringLiteral(" WHEN ? THEN %1").arg(values.size());
            values << release;
        }
        key = ranks.isEmpty() ? QStringLiteral("coalesce(version, '') %1").arg(direction)
                              : QStringLiteral("CASE version%1 ELSE %2 END %3, coalesce(version, "
                                               "'') %3")
                                    .arg(ranks)
                                    .arg(order.releases.size())
                                    .arg(direction);
        break;
    }
    }
    return QStringLiteral("ORDER BY %1id %2")
        .arg(key.isEmpty() ? QString() : key + QStringLiteral(", "), direction);
}

std::optional<QList<FiledPackage>> PackageStore::list(const PackageFilter& filter, QString& error)
{
    QList<FiledPackage> packages;
    const bool read = forEach(
        filter,
        [&](const FiledPackage& package) {
            packages << package;
            return true;
        },
        error);
    if (!read)
        return std::nullopt;
    if (filter.order.fromEnd)
        std::reverse(packages.begin(), packages.end());
    return packages;
}

bool PackageStore::forEach(const PackageFilter& filter,
                           const std::function<bool(const FiledPackage&)>& take, QString& error)
{
    const DatabaseWait wait(QStringLiteral("the database to list packages"));
    QVariantList values;
    const QString where = whereOf(filter, values);
    const QString order = orderOf(filter.order, values);
    QSqlQuery query(m_database.connection());
    query.setForwardOnly(true);
    QString page;
    if (filter.limit > 0 || filter.offset > 0)
        page = QStringLiteral(" LIMIT %1 OFFSET %2")
                   .arg(filter.limit > 0 ? filter.limit : std::numeric_limits<qint64>::max())
                   .arg(filter.offset);
    query.prepare(
        QStringLiteral("SELECT %1 FROM packages %2 %3%4").arg(listColumns(), where, order, page));
    for (const QVariant& value : std::as_const(values))
        query.addBindValue(value);
    if (!query.exec()) {
        error = sqlFailure(QStringLiteral("the packages cannot be listed"), query);
        return false;
    }
    const RowReader row(query);
    while (query.next()) {
        if (!take(packageFromRow(row)))
            return true;
    }
    // A damaged database ends a query early: that is an error, not the end of the list.
    if (query.lastError().isValid()) {
        error = sqlFailure(QStringLiteral("the packages cannot be listed"), query);
        return false;
    }
    return true;
}

std::optional<qint64> PackageStore::count(const PackageFilter& filter, QString& error)
{
    const DatabaseWait wait(QStringLiteral("the database to count packages"));
    QVariantList values;
    QSqlQuery query(m_database.connection());
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT count(*) FROM packages %1").arg(whereOf(filter, values)));
    for (const QVariant& value : std::as_const(values))
        query.addBindValue(value);
    if (!query.exec() || !query.next()) {
        error = sqlFailure(QStringLiteral("the packages cannot be counted"), query);
        return std::nullopt;
    }
    return query.value(0).toLongLong();
}

std::optional<QList<DayCrashes>> PackageStore::crashDays(const PackageFilter& filter,
                                                         QString& error)
{
    const DatabaseWait wait(QStringLiteral("the database to count crashes"));
    QVariantList values;
    const QString where = whereOf(filter, values);
    QSqlQuery query(m_database.connection());
    query.setForwardOnly(true);
    // All packages are counted already.
    query.prepare(where.isEmpty()
                      ? QStringLiteral("SELECT day, version, crashes FROM crash_days")
                      : QStringLiteral("SELECT crash_date, version, count(*) FROM packages %1 AND "
                                       "crashed_at IS NOT NULL GROUP BY crash_date, version")
                            .arg(where));
    for (const QVariant& value : std::as_const(values))
        query.addBindValue(value);
    if (!query.exec()) {
        error = sqlFailure(QStringLiteral("the crashes cannot be counted"), query);
        return std::nullopt;
    }
    QList<DayCrashes> days;
    while (query.next())
        days << DayCrashes{QDate::fromString(query.value(0).toString(), Qt::ISODate),
                           query.value(1).toString(), query.value(2).toInt()};
    if (query.lastError().isValid()) {
        error = sqlFailure(QStringLiteral("the crashes cannot be counted"), query);
        return std::nullopt;
    }
    return days;
}

std::optional<QList<CrashGroup>> PackageStore::groups(QString& error)
{
    const DatabaseWait wait(QStringLiteral("the database to group crashes"));
    QSqlQuery query(m_database.connection());
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral(
            "SELECT device, version, serial, count(*), min(crashed_at), max(crashed_at) FROM "
            "packages GROUP BY device, version, serial"))) {
        error = sqlFailure(QStringLiteral("the crashes cannot be grouped"), query);
        return std::nullopt;
    }
    // Keyed on what may be absent: device and version as they stand, with a marker for null.
    QMap<QPair<QString, QString>, CrashGroup> groups;
    const auto key = [&](int column) {
        return query.isNull(column) ? QStringLiteral("\u0001") : query.value(column).toString();
    };
    while (query.next()) {
        CrashGroup& group = groups[{key(0), key(1)}];
        if (!query.isNull(0))
            group.device = query.value(0).toString();
        if (!query.isNull(1))
            group.version = query.value(1).toString();
        group.count += query.value(3).toInt();
        if (!query.isNull(2) && !query.value(2).toString().isEmpty())
            group.serials << query.value(2).toString();
        const QDateTime first = QDateTime::fromString(query.value(4).toString(), Qt::ISODate);
        const QDateTime last = QDateTime::fromString(query.value(5).toString(), Qt::ISODate);
        if (first.isValid() && (!group.first.isValid() || first < group.first))
            group.first = first;
        if (last.isValid() && (!group.last.isValid() || last > group.last))
            group.last = last;
    }
    if (query.lastError().isValid()) {
        error = sqlFailure(QStringLiteral("the crashes cannot be grouped"), query);
        return std::nullopt;
    }
    QList<CrashGroup> result = groups.values();
    for (CrashGroup& group : result)
        group.serials.sort();
    std::stable_sort(result.begin(), result.end(),
                     [](const CrashGroup& a, const CrashGroup& b) { return a.last > b.last; });
    return result;
}

std::optional<QList<SignatureGroup>> PackageStore::signatureGroups(const PackageFilter& filter,
                                                                   QString& error)
{
    const DatabaseWait wait(QStringLiteral("the database to group crashes"));
    QSqlQuery query(m_database.connection());
    query.setForwardOnly(true);
    QVariantList values;
    const QString where = whereOf(filter, values);
    // All packages are counted already.
    query.prepare(where.isEmpty()
                      ? QStringLiteral("SELECT signature, device, version, NULL, crashes, "
                                       "first_crash, last_crash FROM crash_tallies UNION ALL "
                                       "SELECT signature, NULL, NULL, %1, 0, NULL, NULL FROM "
                                       "crash_serials GROUP BY signature")
                            .arg(m_database.isPostgres()
                                     ? QStringLiteral("string_agg(serial, chr(31))")
                                     : QStringLiteral("group_concat(serial, char(31))"))
                      : QStringLiteral("SELECT signature, device, version, serial, count(*), "
                                       "min(crashed_at), max(crashed_at) FROM packages %1 "
                                       "GROUP BY signature, device, version, serial")
                            .arg(where));
    for (const QVariant& value : std::as_const(values))
        query.addBindValue(value);
    if (!query.exec()) {
        error = sqlFailure(QStringLiteral("the crashes cannot be grouped"), query);
        return std::nullopt;
    }
    // Rows of one group come together; each value is kept once.
    struct Gathered {
        SignatureGroup group;
        QSet<QString> devices, versions, serials;
        QString first, last;
    };
    QHash<QString, Gathered> groups;
    Gathered* gathered = nullptr;
    const auto addTo = [](QSet<QString>& values, const QVariant& value) {
        if (!value.isNull() && !value.toString().isEmpty())
            values.insert(value.toString());
    };
    while (query.next()) {
        const QString signature = query.value(0).isNull()
                                      ? QString::fromLatin1(CrashAnalysis::NoDumpFactsSignature)
                                      : query.value(0).toString();
        if (!gathered || gathered->group.signature != signature) {
            gathered = &groups[signature];
            gathered->group.signature = signature;
        }
        SignatureGroup& group = gathered->group;
        addTo(gathered->devices, query.value(1));
        addTo(gathered->versions, query.value(2));
        // The tallies give a group's serials in one text.
        if (where.isEmpty()) {
            const QStringList serials = query.value(3).toString().split(QChar(0x1f));
            for (const QString& serial : serials)
                addTo(gathered->serials, serial);
        } else {
            addTo(gathered->serials, query.value(3));
        }
        group.count += query.value(4).toInt();
        // Moments are ISO text, which sorts as time does: read once a group is gathered.
        if (query.isNull(5))
            continue;
        const QString first = query.value(5).toString();
        const QString last = query.value(6).toString();
        if (gathered->first.isEmpty() || first < gathered->first)
            gathered->first = first;
        if (last > gathered->last)
            gathered->last = last;
    }
    if (query.lastError().isValid()) {
        error = sqlFailure(QStringLiteral("the crashes cannot be grouped"), query);
        return std::nullopt;
    }
    const auto triages = GroupTriageStore(m_database).all(error);
    if (!triages)
        return std::nullopt;
    QList<SignatureGroup> result;
    for (Gathered& one : groups) {
        one.group.devices = QStringList(one.devices.cbegin(), one.devices.cend());
        one.group.versions = QStringList(one.versions.cbegin(), one.versions.cend());
        one.group.serials = QStringList(one.serials.cbegin(), one.serials.cend());
        one.group.first = QDateTime::fromString(one.first, Qt::ISODate);
        one.group.last = QDateTime::fromString(one.last, Qt::ISODate);
        result << std::move(one.group);
    }
    for (SignatureGroup& group : result) {
        group.devices.sort();
        std::sort(group.versions.begin(), group.versions.end(), releasedBefore);
        group.serials.sort();
        group.firstVersion = group.versions.value(0);
        group.lastVersion = group.versions.isEmpty() ? QString() : group.versions.constLast();
        group.triage = triages->value(group.signature);
    }
    // The most crashes first; of as many, the most recent.
    std::stable_sort(result.begin(), result.end(),
                     [](const SignatureGroup& a, const SignatureGroup& b) {
                         if (a.count != b.count)
                             return a.count > b.count;
                         return a.last != b.last ? a.last > b.last : a.signature < b.signature;
                     });
    return result;
}

std::optional<QList<qint64>>
PackageStore::packagesWithModule(const QString& debugFile, const QString& debugId, QString& error)
{
    QSqlQuery query(m_database.connection());
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT id FROM packages WHERE crash_modules IN (SELECT list_id "
                                 "FROM module_list_keys WHERE lower(debug_file) = lower(?) AND "
                                 "debug_id = ?)"));
    query.addBindValue(debugFile);
    query.addBindValue(debugId);
    if (!query.exec()) {
        error =
            sqlFailure(QStringLiteral("the crashes in %1 cannot be found").arg(debugFile), query);
        return std::nullopt;
    }
    QList<qint64> ids;
    while (query.next())
        ids << query.value(0).toLongLong();
    if (query.lastError().isValid()) {
        error =
            sqlFailure(QStringLiteral("the crashes in %1 cannot be found").arg(debugFile), query);
        return std::nullopt;
    }
    return ids;
}

std::optional<FiledCrash> PackageStore::storedCrash(qint64 id, QString& error)
{
    QSqlQuery query(m_database.connection());
    query.prepare(
        QStringLiteral("SELECT %1, crash_frames FROM packages WHERE id = ?").arg(listColumns()));
    query.addBindValue(id);
    if (!query.exec() || !query.next()) {
        error = sqlFailure(QStringLiteral("package %1 cannot be read").arg(id), query);
        return std::nullopt;
    }
    FiledPackage package = packageFromRow(RowReader(query));
    if (!package.crash || !CrashRows::readDetails(query, id, *package.crash, error))
        return std::nullopt;
    return package.crash;
}

bool PackageStore::updateCrash(qint64 id, const CrashAnalysis::CrashSummary& summary,
                               QString& error)
{
    QSqlQuery query(m_database.connection());
    if (!CrashTallies::count(query, id, -1, error))
        return false;
    query.prepare(QStringLiteral("UPDATE packages SET %1 = ? WHERE id = ?")
                      .arg(CrashRows::summaryColumns().join(QStringLiteral(" = ?, "))));
    for (const QVariant& value : CrashRows::summaryValues(summary))
        query.addBindValue(value);
    query.addBindValue(id);
    if (!query.exec() || !CrashTallies::count(query, id, +1, error)) {
        if (error.isEmpty())
            error = sqlFailure(QStringLiteral("package %1's crash cannot be kept").arg(id), query);
        return false;
    }
    // Its crash may now be one of another group.
    query.prepare(QStringLiteral("SELECT version FROM packages WHERE id = ?"));
    query.addBindValue(id);
    if (!query.exec() || !query.next()) {
        error = sqlFailure(QStringLiteral("package %1's crash cannot be kept").arg(id), query);
        return false;
    }
    const QString version = query.value(0).toString();
    return GroupTriageStore::noteCrash(query, groupSignature(summary.signature), version, error);
}
