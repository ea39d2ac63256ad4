#include "package_reader.h"

#include "content_type.h"
#include "orrery_core/io/archive_reader.h"
#include "orrery_core/platform/regular_file.h"
#include "package_entries.h"
#include "report_reader.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFuture>
#include <QSet>
#include <QtConcurrent/QtConcurrentRun>

#include <atomic>
#include <functional>

namespace {

using Orrery::ArchiveError;
using Orrery::ArchiveReader;

// Names beyond this bound are no crash package's; they would only cost memory.
constexpr qsizetype MaximumNameBytes = 4 * 1024 * 1024;

PackageEntry::Kind kindOf(ArchiveReader::EntryType type)
{
    switch (type) {
    case ArchiveReader::EntryType::File:
        return PackageEntry::Kind::File;
    case ArchiveReader::EntryType::Directory:
        return PackageEntry::Kind::Directory;
    case ArchiveReader::EntryType::SymbolicLink:
        return PackageEntry::Kind::SymbolicLink;
    case ArchiveReader::EntryType::HardLink:
        return PackageEntry::Kind::HardLink;
    case ArchiveReader::EntryType::Other:
        break;
    }
    return PackageEntry::Kind::Other;
}

// The archive's failure, as a sentence about the package.
QString damage(const ArchiveError& error)
{
    switch (error.kind()) {
    case ArchiveError::Kind::EndsEarly:
        return QStringLiteral("it ends early: the file is cut short");
    case ArchiveError::Kind::NotAnArchive:
        return QStringLiteral("it is not a tar archive inside its gzip compression");
    case ArchiveError::Kind::DeviceFailed:
        return QStringLiteral("it cannot be read (%1)").arg(qt_error_string(error.systemError()));
    default:
        return QStringLiteral("it is damaged (%1)")
            .arg(error.libraryText().isEmpty() ? QStringLiteral("the archive cannot be read on")
                                               : error.libraryText());
    }
}

QString readReport(ArchiveReader& archive, const PackageEntry& entry, QByteArray& report)
{
    if (entry.kind != PackageEntry::Kind::File)
        return QStringLiteral("its report.xml is not a regular file");
    if (entry.size > MaximumReportSize)
        return QStringLiteral("its report.xml is larger than 1 MiB");
    report.resize(entry.size);
    qint64 done = 0;
    while (done < entry.size) {
        const qint64 count = archive.readEntryData(report.data() + done, entry.size - done);
        if (count < 0)
            return damage(archive.error());
        // libarchive pads an entry cut short; a shortfall all the same is the end of the file.
        if (count == 0)
            return QStringLiteral("it ends early: the file is cut short");
        done += count;
    }
    return {};
}

// Passes the entry's data to the reader until it ends or the reader has enough.
bool passEntryData(ArchiveReader& archive, EntryDataReader& reader)
{
    QByteArray chunk(64 * 1024, Qt::Uninitialized);
    for (;;) {
        const qint64 count = archive.readEntryData(chunk.data(), chunk.size());
        if (count < 0) {
            reader.finish();
            return false;
        }
        if (count == 0 || !reader.read(QByteArrayView(chunk.constData(), count)))
            break;
    }
    reader.finish();
    return true;
}

// What no package from the reporter has, whatever the entry's data.
QString oddEntry(const ArchiveReader::Entry& entry, QSet<QString>& names)
{
    if (!entry.nameIsUtf8)
        return QStringLiteral("it has an entry whose name is not UTF-8");
    QString name = entry.name;
    while (name.endsWith(QLatin1Char('/')))
        name.chop(1);
    if (names.contains(name))
        return name == QLatin1String(PackageEntries::Report)
                   ? QStringLiteral("it has more than one report.xml")
                   : QStringLiteral("it has two entries named %1").arg(name);
    names.insert(name);
    return {};
}

// Walks every entry, so that a package damaged anywhere is found out, and keeps the report.
QString readEntries(ArchiveReader& archive, PackageSummary& package, QByteArray& report,
                    EntryDataReader* entryReader)
{
    qsizetype nameBytes = 0;
    bool reportFound = false;
    QSet<QString> names;
    for (;;) {
        ArchiveReader::Entry entry;
        if (!archive.nextEntry(entry)) {
            if (archive.error().isError())
                return damage(archive.error());
            break;
        }
        if (package.entries.isEmpty() && !isCompressedOnce(archive))
            return QStringLiteral("it is compressed more than once, which no crash package is");
        nameBytes += entry.name.size() + entry.linkTarget.size();
        if (package.entries.size() >= MaximumPackageEntries || nameBytes > MaximumNameBytes)
            return QStringLiteral("it holds more entries, or longer names, than any crash "
                                  "package does");
        if (const QString problem = oddEntry(entry, names); !problem.isEmpty())
            return problem;
        const PackageEntry summary{entry.name, entry.size, kindOf(entry.type), entry.linkTarget};
        package.entries << summary;
        if (entry.name != QLatin1String(PackageEntries::Report)) {
            if (entryReader && summary.kind == PackageEntry::Kind::File &&
                entryReader->wants(summary, package.entries.size() - 1, reportFound) &&
                !passEntryData(archive, *entryReader))
                return damage(archive.error());
            continue;
        }
        if (std::exchange(reportFound, true))
            return QStringLiteral("it has more than one report.xml");
        if (const QString problem = readReport(archive, summary, report); !problem.isEmpty())
            return problem;
    }
    if (package.entries.isEmpty())
        return QStringLiteral("it is an empty archive");
    if (!reportFound)
        return QStringLiteral("it has no report.xml");
    return {};
}

// Stops early, empty, once the package turned out to be none: a large file that is no
// package costs no more than the look that found it out.
QByteArray sha256Of(const QString& path, const std::atomic_bool& stop)
{
    QString error;
    bool notRegular = false;
    const std::unique_ptr<QFile> file = Orrery::Platform::openRegularFile(path, error, notRegular);
    if (!file)
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    QByteArray chunk(1024 * 1024, Qt::Uninitialized);
    while (!stop) {
        const qint64 count = file->read(chunk.data(), chunk.size());
        if (count < 0)
            return {};
        if (count == 0)
            return hash.result().toHex();
        hash.addData(QByteArrayView(chunk.constData(), count));
    }
    return {};
}

} // namespace

bool isCompressedOnce(const ArchiveReader& archive)
{
    return archive.filterCount() <= 2;
}

PackageReading readPackage(QIODevice& device, EntryDataReader* entryReader)
{
    if (!isGzipCompressed(contentType(device)))
        return {std::nullopt, QStringLiteral("it is not a gzip-compressed file")};
    ArchiveReader archive;
    if (!archive.open(&device))
        return {std::nullopt, damage(archive.error())};
    PackageSummary package;
    QByteArray report;
    if (const QString problem = readEntries(archive, package, report, entryReader);
        !problem.isEmpty())
        return {std::nullopt, problem};
    ReportReading reading = readReportDocument(report);
    if (!reading.document)
        return {std::nullopt, reading.problem};
    package.report = std::move(*reading.document);
    return {std::move(package), {}};
}

PackageReading readPackageFile(QFile& file, EntryDataReader* entryReader)
{
    PackageReading reading = readPackage(file, entryReader);
    if (!reading.package)
        return reading;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.seek(0) || !hash.addData(&file))
        return {std::nullopt, QStringLiteral("it cannot be read to its end")};
    reading.package->sha256 = hash.result().toHex();
    reading.package->fileSize = file.size();
    return reading;
}

PackageReading readPackage(const QString& path, EntryDataReader* entryReader)
{
    QString error;
    bool notRegular = false;
    const std::unique_ptr<QFile> file = Orrery::Platform::openRegularFile(path, error, notRegular);
    if (notRegular)
        return {std::nullopt, QStringLiteral("it is not a regular file")};
    if (!file)
        return {std::nullopt, QStringLiteral("it cannot be read (%1)").arg(error)};
    std::atomic_bool stop = false;
    QFuture<QByteArray> hash = QtConcurrent::run(sha256Of, path, std::cref(stop));
    PackageReading reading = readPackage(*file, entryReader);
    stop = !reading.package;
    const QByteArray sha256 = hash.result();
    if (reading.package) {
        reading.package->sha256 = sha256;
        reading.package->fileSize = file->size();
        if (sha256.isEmpty())
            return {std::nullopt, QStringLiteral("it cannot be read to its end")};
    }
    return reading;
}
