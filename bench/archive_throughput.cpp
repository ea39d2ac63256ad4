// Writes one file into a gzip-compressed tar package through Orrery::ArchiveWriter on a QFile, the
// way the reporter writes a crash package, and prints the wall time and this process's peak memory.
//   archive_throughput --generate <file> <bytes>
//   archive_throughput <input> <output.tar.gz>
#include "controller_sim/dump_generator.h"
#include "orrery_core/io/archive_writer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <sys/resource.h>

#include <cstdio>

namespace {

long peakResidentKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

int writePackage(const QString& input, const QString& output)
{
    QElapsedTimer timer;
    timer.start();
    QFile source(input);
    QFile file(output);
    if (!source.open(QIODevice::ReadOnly) || !file.open(QIODevice::WriteOnly))
        return 1;
    Orrery::ArchiveWriter archive;
    if (!archive.open(&file))
        return 1;
    const bool added = archive.addFile(source, source.size(), QFileInfo(input).fileName());
    const bool closed = archive.close();
    file.close();
    if (!added || !closed || file.error() != QFileDevice::NoError)
        return 1;
    std::printf("seconds %.3f\npeak_kib %ld\n", double(timer.nsecsElapsed()) / 1e9,
                peakResidentKiB());
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 4 && arguments.at(1) == QLatin1String("--generate"))
        return generateDumpFile(arguments.at(2), arguments.at(3).toLongLong()) ? 0 : 1;
    if (arguments.size() == 3)
        return writePackage(arguments.at(1), arguments.at(2));
    std::fprintf(stderr,
                 "usage: archive_throughput --generate <file> <bytes> | <input> <output>\n");
    return 2;
}
