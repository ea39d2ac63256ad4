#pragma once

#include "crash_inbox/store/package_places.h"

#include <QFutureWatcher>
#include <QObject>

// What an extraction came to: one line for the status, and a line about each entry.
struct ExtractionReport {
    QString summary;
    QString details;
};

// Extracts a package into a folder, or only its entry `only`. A filed package (its SHA-256
// given) is taken only from a place that still holds what was filed; an unfiled one from its
// one place.
ExtractionReport extractFromPlaces(const QList<PackagePlace>& places, const QByteArray& sha256,
                                   const QString& folder, const QString& only = {});

// The same on a worker, so that a large package leaves the window answering.
class ExtractionJob : public QObject
{
    Q_OBJECT

public:
    ExtractionJob(const QList<PackagePlace>& places, const QByteArray& sha256,
                  const QString& folder, const QString& only, QObject* parent = nullptr);

Q_SIGNALS:
    void finished(const ExtractionReport& report);

private:
    QFutureWatcher<ExtractionReport> m_watcher;
};
