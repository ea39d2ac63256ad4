#pragma once

#include "crash_inbox/store/filed_package.h"

#include <QFuture>
#include <QList>
#include <QString>
#include <QTextStream>

#include <variant>

class PackageStore;
struct PackageSource;

// Where a long filing run tells how far it got; cleared before each line of output.
class FilingProgress
{
public:
    virtual ~FilingProgress() = default;
    virtual void show(qsizetype done, qsizetype expected) = 0;
    virtual void clear() {}
};

// Files packages as "add" does: package files are read on every core, a batch at a time, and
// each batch is filed in one transaction; mail files are read attachment by attachment. For
// each package one line: "added ID PATH", "known ID PATH" or "rejected PATH: REASON".
class PackageFiler
{
public:
    // The progress, if any, hears how many of the expected sources are done.
    PackageFiler(PackageStore& store, QTextStream& out, FilingProgress* progress = nullptr,
                 qsizetype expected = 0);
    ~PackageFiler();

    // Each source as it is: a package, mail, or one that is missing; then flushes.
    bool addSources(const QList<PackageSource>& sources);
    void addFile(const QString& path);
    void addMail(const QString& path, bool mbox);
    void reject(const QString& path, const QString& reason);
    // Files what is waiting; false on a database error.
    bool flush();

    int rejected() const { return m_rejected; }
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
    // Files the packages and writes a line for each, in the order of `lines`: a package's
    // index, or a rejection already worded.
    void file(const QList<FiledPackage>& packages,
              const QList<std::variant<qsizetype, QString>>& lines);
    void showProgress();
    bool fail(const QString& error);

    PackageStore& m_store;
    QTextStream& m_out;
    FilingProgress* m_progress;
    QStringList m_waiting;
    QFuture<Reading> m_reading;
    qsizetype m_expected;
    qsizetype m_done = 0;
    int m_rejected = 0;
    bool m_failed = false;
    QString m_error;
};

// A package as the database files it.
FiledPackage filedPackage(const PackageSummary& summary, const QString& file);
