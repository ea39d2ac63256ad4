#include "package_job.h"

#include <QtConcurrent/QtConcurrentRun>

#include <atomic>
#include <memory>

PackageJob::PackageJob(QObject* parent)
    : QObject(parent)
{
    connect(&m_watcher, &QFutureWatcher<PackageResult>::finished, this,
            [this] { Q_EMIT finished(m_future.result()); });
}

PackageJob::~PackageJob()
{
    m_future.waitForFinished();
}

bool PackageJob::start(const CrashPackageContents& contents, const QString& target,
                       PackageTarget mode, QFileDevice::Permissions permissions)
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
    m_future = QtConcurrent::run([contents, target, mode, permissions, progress] {
        return writeCrashPackage(contents, target, mode, permissions, progress);
    });
    m_watcher.setFuture(m_future);
    return true;
}

PackageResult PackageJob::wait()
{
    if (m_future.isCanceled() || !m_future.isStarted())
        return PackageResult::Failed;
    m_future.waitForFinished();
    return m_future.result();
}
