#pragma once

#include "crash_inbox/store/database_location.h"

#include <QFuture>
#include <QObject>
#include <QStringList>

#include <atomic>

#include "crash_inbox/intake/filing_outcome.h"

// What a filing run came to: counts, and the rejections.
struct FilingSummary {
    int added = 0;
    int known = 0;
    QList<FilingOutcome> rejections;
    QString error; // the database failed; empty otherwise

    void count(const FilingOutcome& outcome);
};

// Files packages, folders and mail as "add" does, on a thread of its own with its own
// connection to the database, so that the window stays responsive meanwhile.
class FilingJob : public QObject
{
    Q_OBJECT

public:
    FilingJob(const DatabaseLocation& location, const QStringList& paths,
              QObject* parent = nullptr);
    // Stops between batches and waits for the thread.
    ~FilingJob() override;

Q_SIGNALS:
    void progressed(qsizetype done, qsizetype expected);
    void finished(const FilingSummary& summary);

private:
    FilingSummary run(const DatabaseLocation& location, const QStringList& paths);

    std::atomic_bool m_stop = false;
    QFuture<void> m_future;
};
