#pragma once

#include "crash_package.h"

#include <QFuture>
#include <QFutureWatcher>
#include <QObject>

// Writes one crash package on a worker thread, so that the window stays responsive; progress
// and the result arrive as signals on the thread that started it.
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
               QFileDevice::Permissions permissions = {});
    // The result of the last package, once written; Failed when none was started.
    PackageResult wait();

Q_SIGNALS:
    // In thousandths of the bytes to pack.
    void progressed(int permille);
    void finished(PackageResult result);

private:
    QFuture<PackageResult> m_future;
    QFutureWatcher<PackageResult> m_watcher;
};
