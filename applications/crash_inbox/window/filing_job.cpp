#include "filing_job.h"

#include "crash_inbox/intake/package_filer.h"
#include "crash_inbox/intake/package_sources.h"
#include "crash_inbox/store/inbox_database.h"
#include "crash_inbox/store/package_store.h"

#include <QPointer>
#include <QtConcurrent/QtConcurrentRun>

namespace {

// Counts the outcomes, and hands the filer's progress to the job's thread of origin.
class SummaryListener : public FilingListener
{
public:
    explicit SummaryListener(FilingJob* job)
        : m_job(job)
    {}

    void filed(const FilingOutcome& outcome) override { summary.count(outcome); }

    void progressed(qsizetype done, qsizetype expected) override
    {
        QMetaObject::invokeMethod(
            m_job, [job = m_job, done, expected] { Q_EMIT job->progressed(done, expected); },
            Qt::QueuedConnection);
    }

    FilingSummary summary;

private:
    FilingJob* m_job;
};

} // namespace

void FilingSummary::count(const FilingOutcome& outcome)
{
    switch (outcome.kind) {
    case FilingOutcome::Kind::Added:
        ++added;
        break;
    case FilingOutcome::Kind::Known:
    case FilingOutcome::Kind::Updated:
        ++known;
        break;
    case FilingOutcome::Kind::Rejected:
        rejections << outcome;
        break;
    }
}

FilingJob::FilingJob(const DatabaseLocation& location, const QStringList& paths, QObject* parent)
    : QObject(parent)
{
    m_future = QtConcurrent::run([this, location, paths] {
        const FilingSummary summary = run(location, paths);
        QMetaObject::invokeMethod(
            this, [this, summary] { Q_EMIT finished(summary); }, Qt::QueuedConnection);
    });
}

FilingJob::~FilingJob()
{
    m_stop = true;
    m_future.waitForFinished();
}

FilingSummary FilingJob::run(const DatabaseLocation& location, const QStringList& paths)
{
    QString error;
    const std::unique_ptr<InboxDatabase> database = InboxDatabase::open(location, error);
    if (!database)
        return {0, 0, {}, error};
    PackageStore store(*database);
    const QList<PackageSource> sources = packageSources(paths);
    SummaryListener listener(this);
    PackageFiler filer(store, listener, sources.size());
    // The job looks at whether to stop between batches.
    for (qsizetype first = 0; first < sources.size() && !m_stop; first += PackageFiler::BatchSize) {
        if (!filer.addSources(sources.mid(first, PackageFiler::BatchSize)))
            break;
    }
    if (filer.failed())
        listener.summary.error = filer.error();
    return listener.summary;
}
