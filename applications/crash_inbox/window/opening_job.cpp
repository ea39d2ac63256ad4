#include "opening_job.h"

#include <QtConcurrent/QtConcurrentRun>

OpeningJob::OpeningJob(const QStringList& paths, QObject* parent)
    : QObject(parent)
{
    connect(&m_watcher, &QFutureWatcherBase::finished, this,
            [this] { Q_EMIT finished(m_watcher.result()); });
    m_watcher.setFuture(QtConcurrent::run([paths] {
        Readings readings;
        for (const QString& path : paths)
            readings.append({path, readPackage(path)});
        return readings;
    }));
}
