#include "filing_job.h"

#include "crash_inbox/intake/package_filer.h"
#include "crash_inbox/intake/package_sources.h"
#include "crash_inbox/store/inbox_database.h"
#include "crash_inbox/store/package_store.h"

#include <QPointer>
#include <QtConcurrent/QtConcurrentRun>

namespace {

// Sources filed between two looks at whether to stop.
constexpr qsizetype SourcesPerStep = 64;

// Hands the filer's progress to the job's thread of origin.
class QueuedProgress : public FilingProgress
{
public:
    explicit QueuedProgress(FilingJob* job)
        : m_job(job)
    {}

    void show(qsizetype done, qsizetype expected) override
    {
        QMetaObject::invokeMethod(
            m_job, [job = m_job, done, expected] { Q_EMIT job->progressed(done, expected); },
            Qt::QueuedConnection);
    }

private:
    FilingJob* m_job;
};

FilingSummary summaryOf(const QString& lines)
{
    FilingSummary summary;
    for (const QString& line : lines.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (line.startsWith(QLatin1String("added ")))
            ++summary.added;
        else if (line.startsWith(QLatin1String("known ")))
            ++summary.known;
        else if (line.startsWith(QLatin1String("rejected ")))
            summary.rejections << line.mid(9);
    }
    return summary;
}

} // namespace

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
    QString lines;
    QTextStream out(&lines);
    QueuedProgress progress(this);
    PackageFiler filer(store, out, &progress, sources.size());
    for (qsizetype first = 0; first < sources.size() && !m_stop; first += SourcesPerStep) {
        if (!filer.addSources(sources.mid(first, SourcesPerStep)))
            break;
    }
    out.flush();
    FilingSummary summary = summaryOf(lines);
    if (filer.failed())
        summary.error = filer.error();
    return summary;
}
