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
                                 qint64 shownId, QString& error)
{
    PackageStore store(database);
    PackageFilter page = filter;
    page.offset = 0;
    page.limit = pageSize;
    std::optional<QList<FiledPackage>> first = store.list(page, error);
    if (!first)
        return std::nullopt;
    Listing listing{first->size(), *first};
    listing.shownListed =
        std::any_of(first->cbegin(), first->cend(),
                    [&](const FiledPackage& package) { return package.id == shownId; });
    // A page that is not full is all there is.
    if (first->size() < pageSize)
        return listing;
    const std::optional<qint64> count = store.count(filter, error);
    if (!count)
        return std::nullopt;
    listing.count = *count;
    // Further down the listing, the package shown stays shown.
    if (shownId > 0 && !listing.shownListed) {
        PackageFilter shown = filter;
        shown.id = shownId;
        const std::optional<qint64> found = store.count(shown, error);
        if (!found)
            return std::nullopt;
        listing.shownListed = *found > 0;
    }
    return listing;
}

QString questionOf(const PackageFilter& filter)
{
    const PackageOrder& order = filter.order;
    return QStringList{filter.search,
                       filter.device,
                       filter.version,
                       filter.serial,
                       filter.signature,
                       filter.crashedFrom.toString(Qt::ISODate),
                       filter.crashedTo.toString(Qt::ISODate),
                       QString::number(int(order.key)),
                       QString::number(order.descending),
                       order.releases.join(QLatin1Char('\n'))}
        .join(QChar(0x1f));
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
    // Every table that filing and triage write to; a server that takes no writes at all (a
    // standby) says so in its setting.
    if (!query.exec(QStringLiteral(
            "SELECT bool_and(has_table_privilege(t, 'INSERT') AND has_table_privilege(t, "
            "'UPDATE')) AND current_setting('transaction_read_only') = 'off', current_user FROM "
            "unnest(ARRAY['packages', 'entries', 'package_places', 'crash_groups', "
            "'crash_tallies', 'crash_serials', 'crash_days', 'module_lists', "
            "'module_list_keys']) AS t")) ||
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
    return choicesOf(*groups);
}

FilterChoices choicesOf(const QList<SignatureGroup>& groups)
{
    std::set<QString> devices, versions;
    for (const SignatureGroup& group : groups) {
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

std::optional<qint64> exportCsv(const DatabaseLocation& location, const QList<FiledPackage>& opened,
                                const PackageFilter& filter, const QString& file, QString& error)
{
    const std::unique_ptr<InboxDatabase> database = InboxDatabase::open(location, error);
    if (!database)
        return std::nullopt;
    PackageFilter all = filter;
    all.offset = 0;
    all.limit = 0;
    QSaveFile out(file);
    qint64 written = 0;
    bool writing = out.open(QIODevice::WriteOnly) && out.write(csvHeader()) >= 0;
    const auto write = [&](const FiledPackage& package) {
        writing = writing && out.write(csvLineOf(package)) >= 0;
        written += writing ? 1 : 0;
        return writing;
    };
    for (const FiledPackage& package : opened)
        write(package);
    if (!PackageStore(*database).forEach(all, write, error))
        return std::nullopt;
    // Nothing is left behind but a whole file or the one that was there.
    if (!writing || !out.commit()) {
        error = QCoreApplication::translate("InboxWindow", "%1 could not be written: %2")
                    .arg(file, out.errorString());
        return std::nullopt;
    }
    return written;
}

} // namespace WindowQueries
