#pragma once

#include "crash_package.h"

#include <QFuture>
#include <QFutureWatcher>
#include <QObject>

// Writes one crash package on a worker thread, so that the window stays responsive; progress
// and the outcome arrive as signals on the thread that started it.
class PackageJob : public QObject
{
    Q_OBJECT

public:
    explicit PackageJob(QObject* parent = nullptr);
    // Waits for a package being written: it is never left half-written.
    ~PackageJob() override;

    bool isRunning() const { return m_future.isRunning(); }
    // False while another package is being written.
    bool start(const CrashPackageContents& contents, const QString& target, PackageTarget mode,
               const std::optional<CrashReporter::Platform::FileIdentity>& own = {});
    // The outcome of the last package, once written; Failed when none was started.
    PackageOutcome wait();

Q_SIGNALS:
    // In thousandths of the bytes to pack.
    void progressed(int permille);
    void finished(const PackageOutcome& outcome);

private:
    QFuture<PackageOutcome> m_future;
    QFutureWatcher<PackageOutcome> m_watcher;
};
