#include "package_extraction.h"

#include "crash_inbox/extract/platform/output_folder.h"
#include "crash_inbox/text/printable.h"
#include "orrery_core/io/archive_reader.h"
#include "orrery_core/platform/regular_file.h"
#include "package_format/content_type.h"
#include "package_format/package_reader.h"

#include <QDir>
#include <QFile>

namespace {

using Orrery::ArchiveReader;

// Longer names no file system we know takes; the package's own are far shorter.
constexpr qsizetype MaximumComponentBytes = 255;
constexpr qsizetype MaximumPathBytes = 1024;
// Room left on the disk after an entry, so that writing it never fills the disk to the brim.
constexpr qint64 SpareBytes = 16 * 1024 * 1024;

// The name's folders and file, or the reason it may not be written.
QStringList safeComponents(const QString& name, QString& reason)
{
    const QString normal = QString(name).replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (normal.startsWith(QLatin1Char('/')) || QDir::isAbsolutePath(normal) ||
        (normal.size() > 1 && normal.at(1) == QLatin1Char(':'))) {
        reason = QStringLiteral("an absolute name would be written outside the folder");
        return {};
    }
    const QStringList components = normal.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (components.isEmpty()) {
        reason = QStringLiteral("it has no name");
        return {};
    }
    for (const QString& component : components) {
        if (component == QLatin1String(".."))
            reason = QStringLiteral("a name with \"..\" would be written outside the folder");
        else if (component == QLatin1String("."))
            reason = QStringLiteral("a name with \".\" is not a file's");
        else if (QFile::encodeName(component).size() > MaximumComponentBytes ||
                 QFile::encodeName(normal).size() > MaximumPathBytes)
            reason = QStringLiteral("its name is too long");
        if (!reason.isEmpty())
            return {};
    }
    return components;
}

QString kindReason(ArchiveReader::EntryType type)
{
    switch (type) {
    case ArchiveReader::EntryType::SymbolicLink:
        return QStringLiteral("it is a symbolic link, which is never written");
    case ArchiveReader::EntryType::HardLink:
        return QStringLiteral("it is a hard link, which is never written");
    default:
        return QStringLiteral("it is a device or FIFO, which is never written");
    }
}

// Copies the entry's data; false with the reason, the file then taken away by the caller.
bool copyEntry(ArchiveReader& archive, QFile& file, QString& reason)
{
    char chunk[64 * 1024];
    for (;;) {
        const qint64 count = archive.readEntryData(chunk, sizeof chunk);
        if (count == 0)
            return file.flush() || (reason = file.errorString(), false);
        if (count < 0) {
            reason = QStringLiteral("the package cannot be read on here: %1")
                         .arg(archive.error().errorString());
            return false;
        }
        if (file.write(chunk, count) != count) {
            reason = QStringLiteral("it could not be written (%1)").arg(file.errorString());
            return false;
        }
    }
}

} // namespace

ExtractionResult extractPackage(QFile& package, const QString& folder, QTextStream& out,
                                const QString& only)
{
    ExtractionResult result;
    if (!package.seek(0) || !isGzipCompressed(contentType(package))) {
        result.problem = QStringLiteral("it is not a readable gzip-compressed package");
        return result;
    }
    QDir().mkpath(folder);
    CrashInbox::Platform::OutputFolder output(folder);
    ArchiveReader archive;
    if (!output.isOpen()) {
        result.problem = QStringLiteral("the folder %1 cannot be written to").arg(folder);
        return result;
    }
    if (!archive.open(&package)) {
        result.problem = archive.error().errorString();
        return result;
    }
    const auto skip = [&](const QString& name, const QString& reason) {
        out << "skipped " << printable(name) << ": " << printable(reason) << Qt::endl;
        ++result.skipped;
    };
    qsizetype entries = 0;
    for (;;) {
        ArchiveReader::Entry entry;
        if (!archive.nextEntry(entry)) {
            if (archive.error().isError())
                result.problem = QStringLiteral("the package cannot be read on: %1")
                                     .arg(archive.error().errorString());
            return result;
        }
        if (!isCompressedOnce(archive)) {
            result.problem = QStringLiteral("it is compressed more than once");
            return result;
        }
        if (++entries > MaximumPackageEntries) {
            result.problem = QStringLiteral("it holds more entries than any crash package does");
            return result;
        }
        if (!only.isEmpty() && entry.name != only)
            continue;
        QString reason;
        const QStringList components =
            entry.nameIsUtf8 ? safeComponents(entry.name, reason) : QStringList();
        if (!entry.nameIsUtf8)
            reason = QStringLiteral("its name is not UTF-8");
        const qint64 room = output.bytesAvailable();
        if (components.isEmpty()) {
            skip(entry.name, reason);
        } else if (entry.type == ArchiveReader::EntryType::Directory) {
            if (!output.createFolder(components, reason))
                skip(entry.name, reason);
        } else if (entry.type != ArchiveReader::EntryType::File) {
            skip(entry.name, kindReason(entry.type));
        } else if (room >= 0 && entry.size > room - SpareBytes) {
            skip(entry.name, QStringLiteral("its %1 bytes would not fit on the disk, which keeps "
                                            "%2 MiB free")
                                 .arg(entry.size)
                                 .arg(SpareBytes / (1024 * 1024)));
        } else if (const auto file = output.createFile(components, reason); !file) {
            skip(entry.name, reason);
        } else if (!copyEntry(archive, *file, reason)) {
            output.remove(components);
            skip(entry.name, reason);
        } else {
            out << "extracted " << printable(components.join(QLatin1Char('/'))) << Qt::endl;
            ++result.written;
        }
    }
}
