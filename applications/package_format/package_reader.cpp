#include "package_reader.h"

#include "io/file_archive.h"
#include "package_entries.h"
#include "report_reader.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFuture>
#include <QtConcurrent/QtConcurrentRun>

namespace {

using Orrery::FileArchive;

// Names beyond these bounds are no crash package's; they would only cost memory.
constexpr qsizetype MaximumEntries = 10000;
constexpr qsizetype MaximumNameBytes = 4 * 1024 * 1024;

PackageEntry::Kind kindOf(FileArchive::EntryType type)
{
    switch (type) {
    case FileArchive::EntryType::File:
        return PackageEntry::Kind::File;
    case FileArchive::EntryType::Directory:
        return PackageEntry::Kind::Directory;
    case FileArchive::EntryType::SymbolicLink:
        return PackageEntry::Kind::SymbolicLink;
    case FileArchive::EntryType::HardLink:
        return PackageEntry::Kind::HardLink;
    case FileArchive::EntryType::Other:
        break;
    }
    return PackageEntry::Kind::Other;
}

// What libarchive said, as a sentence about the package.
QString damage(bool firstEntry)
{
    const QString text = FileArchive::lastErrorText();
    if (text.contains(QLatin1String("runcat"), Qt::CaseInsensitive) ||
        text.contains(QLatin1String("premature"), Qt::CaseInsensitive))
        return QStringLiteral("it ends early: the file is cut short");
    if (firstEntry)
        return QStringLiteral("it is not a tar archive inside its gzip compression");
    return QStringLiteral("it is damaged (%1)")
        .arg(text.isEmpty() ? QStringLiteral("the archive cannot be read on") : text);
}

QString readReport(FileArchive& archive, const PackageEntry& entry, QByteArray& report)
{
    if (entry.kind != PackageEntry::Kind::File)
        return QStringLiteral("its report.xml is not a regular file");
    if (entry.size > MaximumReportSize)
        return QStringLiteral("its report.xml is larger than 1 MiB");
    report.resize(entry.size);
    qint64 done = 0;
    while (done < entry.size) {
        const qint64 count = archive.readEntryData(report.data() + done, entry.size - done);
        if (count <= 0)
            return QStringLiteral("it ends early: the file is cut short");
        done += count;
    }
    return {};
}

// Walks every entry, so that a package damaged anywhere is found out, and keeps the report.
QString readEntries(FileArchive& archive, PackageSummary& package, QByteArray& report)
{
    qsizetype nameBytes = 0;
    bool reportFound = false;
    for (;;) {
        FileArchive::setLastError(FileArchive::NoError);
        FileArchive::Entry entry;
        if (!archive.nextEntry(entry)) {
            if (FileArchive::lastError() != FileArchive::NoError)
                return damage(package.entries.isEmpty());
            break;
        }
        nameBytes += entry.name.size() + entry.linkTarget.size();
        if (package.entries.size() >= MaximumEntries || nameBytes > MaximumNameBytes)
            return QStringLiteral("it holds more entries, or longer names, than any crash "
                                  "package does");
        const PackageEntry summary{entry.name, entry.size, kindOf(entry.type), entry.linkTarget};
        package.entries << summary;
        if (entry.name != QLatin1String(PackageEntries::Report))
            continue;
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

QByteArray sha256Of(const QString& path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return {};
    return hash.result().toHex();
}

} // namespace

PackageReading readPackage(QIODevice& device)
{
    if (!device.peek(2).startsWith("\x1f\x8b"))
        return {std::nullopt, QStringLiteral("it is not a gzip-compressed file")};
    FileArchive archive;
    if (!archive.open(FileArchive::Mode::Read, &device, FileArchive::Format::TarGz))
        return {std::nullopt, damage(true)};
    PackageSummary package;
    QByteArray report;
    if (const QString problem = readEntries(archive, package, report); !problem.isEmpty())
        return {std::nullopt, problem};
    ReportReading reading = readReportDocument(report);
    if (!reading.document)
        return {std::nullopt, reading.problem};
    package.report = std::move(*reading.document);
    return {std::move(package), {}};
}

PackageReading readPackage(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {std::nullopt, QStringLiteral("it cannot be read (%1)").arg(file.errorString())};
    QFuture<QByteArray> hash = QtConcurrent::run(sha256Of, path);
    PackageReading reading = readPackage(file);
    const QByteArray sha256 = hash.result();
    if (reading.package) {
        reading.package->sha256 = sha256;
        reading.package->fileSize = file.size();
        if (sha256.isEmpty())
            return {std::nullopt, QStringLiteral("it cannot be read to its end")};
    }
    return reading;
}
