#include "extraction_job.h"

#include "crash_inbox/cli/package_reference.h"
#include "crash_inbox/extract/package_extraction.h"

#include <QTextStream>
#include <QtConcurrent/QtConcurrentRun>

ExtractionReport extractFromPlaces(const QList<PackagePlace>& places, const QByteArray& sha256,
                                   const QString& folder, const QString& only)
{
    PackageFileHolder holder;
    QString error;
    QFile* package = sha256.isEmpty() ? holder.open(places.value(0).file, error)
                                      : holder.openFiled(places, sha256, error);
    if (!package)
        return {error, QString()};
    QString lines;
    QTextStream out(&lines);
    const ExtractionResult result = extractPackage(*package, folder, out, only);
    out.flush();
    const QString summary =
        result.problem.isEmpty()
            ? ExtractionJob::tr("Extracted %1 entries into %2, skipped %3.")
                  .arg(result.written)
                  .arg(folder)
                  .arg(result.skipped)
            : ExtractionJob::tr("The package could not be read to its end: %1").arg(result.problem);
    return {summary, lines.trimmed()};
}

ExtractionJob::ExtractionJob(const QList<PackagePlace>& places, const QByteArray& sha256,
                             const QString& folder, const QString& only, QObject* parent)
    : QObject(parent)
{
    connect(&m_watcher, &QFutureWatcherBase::finished, this,
            [this] { Q_EMIT finished(m_watcher.result()); });
    m_watcher.setFuture(QtConcurrent::run([places, sha256, folder, only] {
        return extractFromPlaces(places, sha256, folder, only);
    }));
}
