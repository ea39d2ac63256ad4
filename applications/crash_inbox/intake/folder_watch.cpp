#include "folder_watch.h"

#include "crash_inbox/text/printable.h"

#include "package_filer.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QHash>
#include <QThread>

namespace {

constexpr int LookEveryMs = 250;
constexpr qint64 SettledMs = 1000;
constexpr qint64 GivenUpMs = 10000;

struct Sighting {
    qint64 size = -1;
    QDateTime modified;
    qint64 stillSince = 0;
    bool done = false;
    bool noted = false;
};

} // namespace

bool watchFolder(const QString& folder, PackageFiler& filer, QTextStream& err)
{
    QHash<QString, Sighting> seen;
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        QThread::msleep(LookEveryMs);
        // A folder that is deleted or moved away would be watched in silence for ever.
        if (!QFileInfo(folder).isDir()) {
            err << "q5-crash-inbox: the watched folder " << printable(folder) << " is gone"
                << Qt::endl;
            return false;
        }
        const QFileInfoList files =
            QDir(folder).entryInfoList({QStringLiteral("*.cdp")}, QDir::Files | QDir::NoSymLinks);
        for (const QFileInfo& info : files) {
            Sighting& sighting = seen[info.absoluteFilePath()];
            if (info.size() != sighting.size || info.lastModified() != sighting.modified) {
                sighting = {info.size(), info.lastModified(), clock.elapsed(), false, false};
                continue;
            }
            const qint64 still = clock.elapsed() - sighting.stillSince;
            if (sighting.done || still < SettledMs)
                continue;
            const PackageReading reading = readPackage(info.absoluteFilePath());
            if (reading.package) {
                filer.addFile(info.absoluteFilePath());
                filer.flush();
                sighting.done = true;
            } else if (still >= GivenUpMs) {
                filer.reject(info.absoluteFilePath(), reading.problem);
                sighting.done = true;
            } else if (!std::exchange(sighting.noted, true)) {
                err << "waiting for " << printable(info.absoluteFilePath()) << ": "
                    << printable(reading.problem) << Qt::endl;
            }
            if (filer.failed())
                return false;
        }
    }
}
