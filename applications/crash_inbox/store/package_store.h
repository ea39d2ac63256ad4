#pragma once

#include "filed_package.h"

#include <QMap>
#include <QVariantList>

#include <functional>

#include <optional>

class InboxDatabase;
class QSqlQuery;

// Files packages in the inbox database and finds them again.
class PackageStore
{
public:
    explicit PackageStore(InboxDatabase& database);
    InboxDatabase& database() const { return m_database; }

    struct Filing {
        qint64 id = 0;
        bool added = false;    // false: the same content was filed before
        bool replaced = false; // it took the place of the package it replaces
    };
    // Files the batch in one transaction: all of it or, on a database error, none. Content that
    // is filed already (the same SHA-256) keeps its first filing.
    std::optional<QList<Filing>> file(const QList<FiledPackage>& packages, QString& error);

    // The id of the content filed with the SHA-256: none when it was not filed, and none with
    // the error set when the database could not tell.
    std::optional<qint64> idOf(const QByteArray& sha256, QString& error);
    // With its entries and output log. None when no such package is filed, and none with the
    // error set when the database could not tell.
    std::optional<FiledPackage> find(qint64 id, QString& error);
    // In the filter's order; without entries and output log.
    std::optional<QList<FiledPackage>> list(const PackageFilter& filter, QString& error);
    // The same one at a time, as the database gives them, until `take` says no more.
    bool forEach(const PackageFilter& filter, const std::function<bool(const FiledPackage&)>& take,
                 QString& error);
    // How many packages the filter lists, its limit and offset aside.
    std::optional<qint64> count(const PackageFilter& filter, QString& error);
    // The crashes of the packages that the filter lists, per day and version; undated ones
    // left out.
    std::optional<QList<DayCrashes>> crashDays(const PackageFilter& filter, QString& error);
    // By device and version, the most recently crashed group first.
    std::optional<QList<CrashGroup>> groups(QString& error);
    // By signature, the largest group first; of the packages that the filter lists.
    std::optional<QList<SignatureGroup>> signatureGroups(const PackageFilter& filter,
                                                         QString& error);

    // The packages whose crashed process held the module.
    std::optional<QList<qint64>> packagesWithModule(const QString& debugFile,
                                                    const QString& debugId, QString& error);
    // A package's crash with its modules, frames and crashing thread; none without one.
    std::optional<FiledCrash> storedCrash(qint64 id, QString& error);
    // The crash's place, signature and frames, once symbols told more.
    bool updateCrash(qint64 id, const CrashAnalysis::CrashSummary& summary, QString& error);

    // The groups of the crashes new to the desk in a batch, each with its latest version.
    using Arrivals = QMap<QString, QString>;

private:
    QString whereOf(const PackageFilter& filter, QVariantList& values) const;
    static QString orderOf(const PackageOrder& order, QVariantList& values);
    // The package in the place of the one it replaces when that one holds the same crash; none
    // inside when it does not, and the package is filed as a new one.
    std::optional<std::optional<Filing>> replaceOne(QSqlQuery& query, const FiledPackage& package,
                                                    QString& error);
    std::optional<Filing> fileOne(QSqlQuery& query, const FiledPackage& package, Arrivals& arrivals,
                                  QString& error);
    bool readDumpOfOlderFiling(QSqlQuery& query, qint64 id, const FiledPackage& package,
                               Arrivals& arrivals, QString& error);

    InboxDatabase& m_database;
};
