#pragma once

#include "crash_inbox/store/filed_package.h"
#include "filing_outcome.h"

#include <QFuture>
#include <QHash>
#include <QList>
#include <QString>

#include <variant>

class PackageStore;
struct PackageSource;

// Files packages as "add" does: package files are read on every core, a batch at a time, and
// each batch is filed in one transaction; mail files are read attachment by attachment. The
// listener hears one outcome for each package, in order, and how many of the expected sources
// are done.
class PackageFiler
{
public:
    // Packages read and filed together: enough to keep every core busy and to make
    // transactions worth their cost, few enough to keep memory flat.
    static constexpr qsizetype BatchSize = 64;

    PackageFiler(PackageStore& store, FilingListener& listener, qsizetype expected = 0);
    ~PackageFiler();

    // Each source as it is: a package, mail, or one that is missing; then flushes.
    bool addSources(const QList<PackageSource>& sources);
    // `replaces`: the filed package that this one, the same crash sent again, brings up to date.
    void addFile(const QString& path, qint64 replaces = 0);
    void addMail(const QString& path, bool mbox);
    void reject(const QString& path, const QString& reason);
    // Files what is waiting; false on a database error.
    bool flush();

    bool failed() const { return m_failed; }
    QString error() const { return m_error; }

    // A package file as read on the pool, with its dump's facts.
    struct Reading {
        QString path;
        PackageReading reading;
        std::optional<CrashAnalysis::DumpFacts> facts;
        QString crashProblem;
        QByteArray encodedThread;
        QByteArray encodedModules;
    };

private:
    void readNextBatch();
    void fileBatch(QFuture<Reading> batch);
    // A package's index among those filed together, or a rejection.
    using Outcome = std::variant<qsizetype, FilingOutcome>;
    // Files the packages and tells the listener of each, in the order of `outcomes`.
    void file(const QList<FiledPackage>& packages, const QList<Outcome>& outcomes);
    void showProgress();
    bool fail(const QString& error);

    PackageStore& m_store;
    FilingListener& m_listener;
    QStringList m_waiting;
    QHash<QString, qint64> m_replacing; // path -> the package it replaces
    QFuture<Reading> m_reading;
    qsizetype m_expected;
    qsizetype m_done = 0;
    bool m_failed = false;
    QString m_error;
};

// A package as the database files it.
FiledPackage filedPackage(const PackageSummary& summary, const QString& file);
