#include "package_job.h"

#include <QtConcurrent/QtConcurrentRun>

#include <atomic>
#include <memory>

PackageJob::PackageJob(QObject* parent)
    : QObject(parent)
{
    connect(&m_watcher, &QFutureWatcher<PackageOutcome>::finished, this,
            [this] { Q_EMIT finished(m_future.result()); });
}

PackageJob::~PackageJob()
{
    m_future.waitForFinished();
}

bool PackageJob::start(const CrashPackageContents& contents, const QString& target,
                       PackageTarget mode,
                       const std::optional<CrashReporter::Platform::FileIdentity>& own)
{
    if (isRunning())
        return false;
    // Emitted from the worker; queued to the receivers, and only when a thousandth passed.
    auto reported = std::make_shared<std::atomic<int>>(-1);
    const PackageProgress progress = [this, reported](qint64 done, qint64 total) {
        const int permille = total > 0 ? int(done * 1000 / total) : 1000;
        if (reported->exchange(permille) != permille)
            Q_EMIT progressed(permille);
    };
    m_future = QtConcurrent::run([contents, target, mode, progress, own] {
        return writeCrashPackage(contents, target, mode, progress, own);
    });
    m_watcher.setFuture(m_future);
    return true;
}

PackageOutcome PackageJob::wait()
{
    if (m_future.isCanceled() || !m_future.isStarted())
        return outcomeOf(PackageResult::Failed);
    m_future.waitForFinished();
    return m_future.result();
}
