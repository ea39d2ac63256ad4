#include "package_store.h"

#include "inbox_database.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QMap>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <numeric>

namespace {

constexpr char ListColumns[] =
    "id, sha256, file, file_size, crash_date, crash_time, device, serial, version, platform, "
    "comments, mail_sender, mail_date";

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

// Each word a phrase of its own, so that nothing the technician types is FTS5 syntax.
QString fts5Query(const QString& text)
{
    QStringList words;
    for (const QString& word :
         text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts))
        words << QLatin1Char('"') +
                     QString(word).replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
                     QLatin1Char('"');
    return words.join(QLatin1Char(' '));
}

// For a comparison: an empty text is a value, not NULL.
QVariant sameOrNull(const std::optional<QString>& text)
{
    if (!text)
        return QVariant(QMetaType::fromType<QString>());
    return QVariant(text->isNull() ? QStringLiteral("") : *text);
}

FiledPackage packageFromRow(const QSqlQuery& query)
{
    FiledPackage package;
    package.id = query.value(0).toLongLong();
    package.sha256 = query.value(1).toByteArray();
    package.file = query.value(2).toString();
    package.fileSize = query.value(3).toLongLong();
    package.report.date = QDate::fromString(query.value(4).toString(), Qt::ISODate);
    package.report.time = QTime::fromString(query.value(5).toString(), Qt::ISODate);
    // A report names its controller when any of these is known.
    if (!query.isNull(6) || !query.isNull(7) || !query.isNull(8) || !query.isNull(9)) {
        ReportDocument::Application& application = package.report.application.emplace();
        if (!query.isNull(6))
            application.device = query.value(6).toString();
        application.serial = query.value(7).toString();
        application.version = query.value(8).toString();
        application.platform = query.value(9).toString();
    }
    package.report.comments = query.value(10).toString();
    package.mailSender = query.value(11).toString();
    package.mailDate = QDateTime::fromString(query.value(12).toString(), Qt::ISODate);
    return package;
}

QString failure(const QString& what, const QSqlQuery& query)
{
    return QStringLiteral("%1: %2").arg(what, query.lastError().text());
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
            error = failure(QStringLiteral("the database cannot be written"), query);
            return std::nullopt;
        }
        QList<Filing> filings(packages.size());
        bool filed = true;
        for (const qsizetype index : std::as_const(order)) {
            const std::optional<Filing> filing = fileOne(query, packages.at(index), error);
            if (!(filed = filing.has_value()))
                break;
            filings[index] = *filing;
        }
        if (filed && query.exec(QStringLiteral("COMMIT")))
            return filings;
        const QString code = query.lastError().nativeErrorCode();
        if (filed)
            error = failure(QStringLiteral("the database cannot be written"), query);
        query.exec(QStringLiteral("ROLLBACK"));
        const bool worthRetrying = code == QLatin1String("40P01") || code == QLatin1String("40001");
        if (!worthRetrying)
            break;
    }
    return std::nullopt;
}

// Content filed by another process meanwhile is found, not filed twice.
std::optional<PackageStore::Filing>
PackageStore::fileOne(QSqlQuery& query, const FiledPackage& package, QString& error)
{
    const ReportDocument& report = package.report;
    const std::optional<ReportDocument::Application>& application = report.application;
    query.prepare(QStringLiteral(
        "INSERT INTO packages (sha256, file, file_size, crash_date, crash_time, crashed_at, "
        "device, serial, version, platform, comments, output_log, mail_sender, mail_date, "
        "added_at) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) "
        "ON CONFLICT (sha256) DO NOTHING RETURNING id"));
    query.addBindValue(QString::fromLatin1(package.sha256));
    query.addBindValue(package.file);
    query.addBindValue(package.fileSize);
    query.addBindValue(orNull(isoDate(report.date)));
    query.addBindValue(
        orNull(report.time.isValid() ? report.time.toString(Qt::ISODate) : QString()));
    query.addBindValue(orNull(crashedAt(report)));
    query.addBindValue(orNull(application ? application->device : std::nullopt));
    query.addBindValue(orNull(application ? application->serial : QString()));
    query.addBindValue(orNull(application ? application->version : QString()));
    query.addBindValue(orNull(application ? application->platform : QString()));
    query.addBindValue(report.comments.isNull() ? QString(QLatin1String("")) : report.comments);
    query.addBindValue(outputLogText(report.outputLog));
    query.addBindValue(orNull(package.mailSender));
    query.addBindValue(orNull(
        package.mailDate.isValid() ? package.mailDate.toString(Qt::ISODateWithMs) : QString()));
    query.addBindValue(QDateTime::currentDateTimeUtc().toString(Qt::ISODate));
    if (!query.exec()) {
        error = failure(QStringLiteral("%1 cannot be filed").arg(package.file), query);
        return std::nullopt;
    }
    if (!query.next()) {
        const std::optional<qint64> known = idOf(package.sha256);
        if (!known) {
            error = QStringLiteral("%1 cannot be filed: the database lost it").arg(package.file);
            return std::nullopt;
        }
        return Filing{*known, false};
    }
    const qint64 id = query.value(0).toLongLong();
    query.prepare(QStringLiteral(
        "INSERT INTO entries (package_id, position, name, size, kind) VALUES (?, ?, ?, ?, ?)"));
    for (qsizetype position = 0; position < package.entries.size(); ++position) {
        const PackageEntry& entry = package.entries.at(position);
        query.addBindValue(id);
        query.addBindValue(int(position));
        query.addBindValue(entry.name);
        query.addBindValue(entry.size);
        query.addBindValue(int(entry.kind));
        if (!query.exec()) {
            error = failure(QStringLiteral("%1 cannot be filed").arg(package.file), query);
            return std::nullopt;
        }
    }
    return Filing{id, true};
}

std::optional<qint64> PackageStore::idOf(const QByteArray& sha256)
{
    QSqlQuery query(m_database.connection());
    query.prepare(QStringLiteral("SELECT id FROM packages WHERE sha256 = ?"));
    query.addBindValue(QString::fromLatin1(sha256));
    if (!query.exec() || !query.next())
        return std::nullopt;
    return query.value(0).toLongLong();
}

std::optional<FiledPackage> PackageStore::find(qint64 id)
{
    QSqlQuery query(m_database.connection());
    query.prepare(QStringLiteral("SELECT %1, output_log FROM packages WHERE id = ?")
                      .arg(QLatin1String(ListColumns)));
    query.addBindValue(id);
    if (!query.exec() || !query.next())
        return std::nullopt;
    FiledPackage package = packageFromRow(query);
    package.report.outputLog = outputLogLines(query.value(13).toString());
    query.prepare(QStringLiteral(
        "SELECT name, size, kind FROM entries WHERE package_id = ? ORDER BY position"));
    query.addBindValue(id);
    if (!query.exec())
        return std::nullopt;
    while (query.next())
        package.entries << PackageEntry{query.value(0).toString(), query.value(1).toLongLong(),
                                        PackageEntry::Kind(query.value(2).toInt()), QString()};
    return package;
}

std::optional<QList<FiledPackage>> PackageStore::list(const PackageFilter& filter, QString& error)
{
    QStringList conditions;
    QVariantList values;
    const QString words =
        m_database.isPostgres() ? filter.search.simplified() : fts5Query(filter.search);
    if (!words.isEmpty()) {
        conditions << (m_database.isPostgres()
                           ? QStringLiteral("search @@ plainto_tsquery('simple', ?)")
                           : QStringLiteral("id IN (SELECT rowid FROM package_text WHERE "
                                            "package_text MATCH ?)"));
        values << words;
    }
    const std::pair<const char*, QString> exact[] = {
        {"device", filter.device}, {"version", filter.version}, {"serial", filter.serial}};
    for (const auto& [column, value] : exact) {
        if (value.isEmpty())
            continue;
        conditions << QStringLiteral("%1 = ?").arg(QLatin1String(column));
        values << value;
    }
    if (filter.group) {
        const QLatin1String same(m_database.isPostgres() ? "IS NOT DISTINCT FROM" : "IS");
        conditions << QStringLiteral("device %1 ? AND version %1 ?").arg(same);
        values << sameOrNull(filter.group->device) << sameOrNull(filter.group->version);
    }
    QSqlQuery query(m_database.connection());
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT %1 FROM packages %2 ORDER BY crashed_at DESC NULLS LAST, "
                                 "id DESC")
                      .arg(QLatin1String(ListColumns),
                           conditions.isEmpty() ? QString()
                                                : QStringLiteral("WHERE ") +
                                                      conditions.join(QStringLiteral(" AND "))));
    for (const QVariant& value : std::as_const(values))
        query.addBindValue(value);
    if (!query.exec()) {
        error = failure(QStringLiteral("the packages cannot be listed"), query);
        return std::nullopt;
    }
    QList<FiledPackage> packages;
    while (query.next())
        packages << packageFromRow(query);
    return packages;
}

std::optional<QList<CrashGroup>> PackageStore::groups(QString& error)
{
    QSqlQuery query(m_database.connection());
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral(
            "SELECT device, version, serial, count(*), min(crashed_at), max(crashed_at) FROM "
            "packages GROUP BY device, version, serial"))) {
        error = failure(QStringLiteral("the crashes cannot be grouped"), query);
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
    QList<CrashGroup> result = groups.values();
    for (CrashGroup& group : result)
        group.serials.sort();
    std::stable_sort(result.begin(), result.end(),
                     [](const CrashGroup& a, const CrashGroup& b) { return a.last > b.last; });
    return result;
}
