#pragma once

#include "package_format/package_reader.h"

#include <QFutureWatcher>
#include <QList>
#include <QObject>
#include <QStringList>

#include <utility>

// Reads package files from outside on a worker, so that a large one leaves the window
// answering; their readings arrive together, in the order given.
class OpeningJob : public QObject
{
    Q_OBJECT

public:
    using Readings = QList<std::pair<QString, PackageReading>>;

    OpeningJob(const QStringList& paths, QObject* parent = nullptr);

Q_SIGNALS:
    void finished(const OpeningJob::Readings& readings);

private:
    QFutureWatcher<Readings> m_watcher;
};
