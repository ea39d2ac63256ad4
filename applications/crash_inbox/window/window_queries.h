#pragma once

#include "crash_inbox/store/database_location.h"
#include "crash_inbox/store/filed_package.h"
#include "crash_inbox/store/package_places.h"

#include <QHash>

#include <optional>

class InboxDatabase;

// What the window asks of the database, each a whole question for its worker's thread.
namespace WindowQueries {

// A listing's count of packages and its first page, and whether the package shown is in it.
struct Listing {
    qint64 count = 0;
    QList<FiledPackage> first;
    bool shownListed = false;
};
std::optional<Listing> firstRows(InboxDatabase& database, const PackageFilter& filter, int pageSize,
                                 qint64 shownId, QString& error);

// The filter as a text: two filters that list the same give the same text.
QString questionOf(const PackageFilter& filter);

// Why the inbox cannot be written from here; empty when it can.
std::optional<QString> writeRefusal(InboxDatabase& database, QString& error);

// Rows of a listing of `count` packages, those after its middle read from its end.
std::optional<QList<FiledPackage>> rows(InboxDatabase& database, const PackageFilter& filter,
                                        qint64 count, QString& error);

// The devices and versions that the filters offer, the versions in the order of releases.
struct FilterChoices {
    QStringList devices;
    QStringList releases;
};
std::optional<FilterChoices> filterChoices(InboxDatabase& database, QString& error);
// The same of the groups of all packages, read already.
FilterChoices choicesOf(const QList<SignatureGroup>& groups);

// A filed package with every place it was found at; none with the error empty when no such
// package is filed.
struct Shown {
    FiledPackage package;
    QList<PackagePlace> places;
};
std::optional<Shown> shownPackage(InboxDatabase& database, qint64 id, QString& error);

// The filed packages among those opened, by SHA-256.
std::optional<QHash<QByteArray, Shown>> filedOf(InboxDatabase& database,
                                                const QList<QByteArray>& sha256s, QString& error);

// Writes the opened packages and those the filter lists as CSV, a row as it is read, on a
// connection of its own (a long export holds up no other question); how many were written.
std::optional<qint64> exportCsv(const DatabaseLocation& location, const QList<FiledPackage>& opened,
                                const PackageFilter& filter, const QString& file, QString& error);

} // namespace WindowQueries
