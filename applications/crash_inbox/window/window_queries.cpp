#include "window_queries.h"

#include "crash_inbox/store/inbox_database.h"
#include "crash_inbox/store/package_store.h"
#include "crash_inbox/store/sql_failure.h"
#include "package_csv.h"
#include "row_sorting.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QSqlQuery>

#include <set>

namespace WindowQueries {

std::optional<Listing> firstRows(InboxDatabase& database, const PackageFilter& filter, int pageSize,
                                 QString& error)
{
    PackageStore store(database);
    PackageFilter page = filter;
    page.offset = 0;
    page.limit = pageSize;
    std::optional<QList<FiledPackage>> first = store.list(page, error);
    if (!first)
        return std::nullopt;
    // A page that is not full is all there is.
    if (first->size() < pageSize)
        return Listing{first->size(), *first};
    const std::optional<qint64> count = store.count(filter, error);
    if (!count)
        return std::nullopt;
    return Listing{*count, *first};
}

std::optional<QString> writeRefusal(InboxDatabase& database, QString& error)
{
    const auto tr = [](const char* text) {
        return QCoreApplication::translate("InboxWindow", text);
    };
    if (!database.isPostgres()) {
        const QFileInfo file(database.location().path);
        // SQLite writes its journal beside the file.
        if (!file.isWritable() || !QFileInfo(file.absolutePath()).isWritable())
            return tr("%1 or its folder cannot be written by this user.")
                .arg(QDir::toNativeSeparators(file.absoluteFilePath()));
        return QString();
    }
    QSqlQuery query(database.connection());
    if (!query.exec(QStringLiteral("SELECT has_table_privilege('packages', 'INSERT') AND "
                                   "has_table_privilege('crash_groups', 'UPDATE'), "
                                   "current_user")) ||
        !query.next()) {
        error = sqlFailure(QStringLiteral("the database cannot be read"), query);
        return std::nullopt;
    }
    if (query.value(0).toBool())
        return QString();
    return tr("The database user %1 may read the inbox but not write to it.")
        .arg(query.value(1).toString());
}

std::optional<QList<FiledPackage>> rows(InboxDatabase& database, const PackageFilter& filter,
                                        qint64 count, QString& error)
{
    PackageFilter wanted = filter;
    const qint64 end = std::min(count, filter.offset + filter.limit);
    if (filter.offset * 2 > count && end > filter.offset) {
        wanted.order.fromEnd = true;
        wanted.offset = count - end;
        wanted.limit = end - filter.offset;
    }
    return PackageStore(database).list(wanted, error);
}

std::optional<FilterChoices> filterChoices(InboxDatabase& database, QString& error)
{
    const auto groups = PackageStore(database).signatureGroups({}, error);
    if (!groups)
        return std::nullopt;
    std::set<QString> devices, versions;
    for (const SignatureGroup& group : *groups) {
        devices.insert(group.devices.cbegin(), group.devices.cend());
        versions.insert(group.versions.cbegin(), group.versions.cend());
    }
    FilterChoices choices{{devices.begin(), devices.end()}, {versions.begin(), versions.end()}};
    std::stable_sort(
        choices.releases.begin(), choices.releases.end(),
        [](const QString& a, const QString& b) { return RowSorting::compareVersions(a, b) < 0; });
    return choices;
}

std::optional<Shown> shownPackage(InboxDatabase& database, qint64 id, QString& error)
{
    std::optional<FiledPackage> package = PackageStore(database).find(id, error);
    if (!package)
        return std::nullopt;
    std::optional<QList<PackagePlace>> places = PackagePlaces::of(database.connection(), id, error);
    if (!places)
        return std::nullopt;
    return Shown{*std::move(package), *std::move(places)};
}

std::optional<QHash<QByteArray, Shown>> filedOf(InboxDatabase& database,
                                                const QList<QByteArray>& sha256s, QString& error)
{
    QHash<QByteArray, Shown> filed;
    for (const QByteArray& sha256 : sha256s) {
        const std::optional<qint64> id = PackageStore(database).idOf(sha256, error);
        if (!error.isEmpty())
            return std::nullopt;
        const std::optional<Shown> shown = id ? shownPackage(database, *id, error) : std::nullopt;
        if (!error.isEmpty())
            return std::nullopt;
        if (shown)
            filed.insert(sha256, *shown);
    }
    return filed;
}

std::optional<qint64> exportCsv(InboxDatabase& database, const QList<FiledPackage>& opened,
                                const PackageFilter& filter, const QString& file, QString& error)
{
    PackageFilter all = filter;
    all.offset = 0;
    all.limit = 0;
    const std::optional<QList<FiledPackage>> listed = PackageStore(database).list(all, error);
    if (!listed)
        return std::nullopt;
    const QList<FiledPackage> packages = opened + *listed;
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(packagesAsCsv(packages)) < 0 ||
        !out.commit()) {
        error = QCoreApplication::translate("InboxWindow", "%1 could not be written: %2")
                    .arg(file, out.errorString());
        return std::nullopt;
    }
    return packages.size();
}

} // namespace WindowQueries
