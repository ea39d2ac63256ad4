#include "crash_package.h"

#include "crash_reporter/package/platform/file_placement.h"
#include "crash_reporter/report/crash_report.h"
#include "orrery_core/io/archive_writer.h"
#include "orrery_core/platform/regular_file.h"
#include "package_file.h"
#include "package_format/package_entries.h"
#include "package_format/report_writer.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QXmlStreamWriter>
#include <QtDebug>

#include <memory>

namespace {

constexpr char PackageExtension[] = ".cdp";
constexpr char AutomaticBaseName[] = "Crash Report ";
// A package is tried again without each optional file that fails while it is packed.
constexpr int MaximumAttempts = 3;

struct Source {
    QString path;
    QString entryName;
    SourceProblem problem = SourceProblem::None;
    QString detail;
    // Open from the first look on, so that what is packed is what was checked, whatever
    // happens to the path meanwhile.
    std::shared_ptr<QFile> file;
    qint64 size = 0;

    bool isPacked() const { return problem == SourceProblem::None; }
};

// Only a regular file (a link to one is followed) goes into the package: a folder would pack
// the whole tree behind it, and a FIFO would wait for a writer for ever.
Source openSource(const QString& path)
{
    Source source;
    source.path = path;
    if (path.isEmpty()) {
        source.problem = SourceProblem::NotNamed;
        return source;
    }
    source.path = QFileInfo(path).absoluteFilePath();
    bool notRegular = false;
    source.file = Orrery::Platform::openRegularFile(source.path, source.detail, notRegular);
    if (source.file)
        source.size = source.file->size();
    else if (notRegular)
        source.problem = SourceProblem::NotRegularFile;
    else if (!QFileInfo::exists(source.path))
        source.problem = SourceProblem::NotFound;
    else
        source.problem = SourceProblem::Unreadable;
    return source;
}

Source dumpSource(const CrashPackageContents& contents)
{
    Source dump = openSource(contents.dumpFilePath);
    dump.entryName = PackageEntries::dumpName(QFileInfo(contents.dumpFilePath).fileName());
    if (contents.dumpLeftOut) {
        dump.problem = SourceProblem::LeftOut;
        return dump;
    }
    if (!dump.isPacked())
        qDebug("Error: dump file %s: %s; the package holds the report without it",
               QFile::encodeName(contents.dumpFilePath).constData(),
               qPrintable(describeSourceProblem(dump.problem, dump.detail)));
    return dump;
}

// The extra file is optional and only named when the controller gave one.
Source extraSource(const CrashPackageContents& contents, const QString& dumpEntryName)
{
    const QString path = contents.record ? contents.record->extraFilePath : QString();
    Source extra = openSource(path);
    extra.entryName = PackageEntries::extraName(QFileInfo(path).fileName(), dumpEntryName);
    if (!extra.isPacked() && extra.problem != SourceProblem::NotNamed &&
        extra.problem != SourceProblem::NotFound)
        qDebug("Error: extra file %s: %s; it is left out", QFile::encodeName(path).constData(),
               qPrintable(describeSourceProblem(extra.problem, extra.detail)));
    return extra;
}

QByteArray reportDocument(const CrashPackageContents& contents)
{
    const CrashReport report{contents.crashTime, contents.record, contents.outputLog,
                             contents.comments};
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    const auto writer = makeReportWriter();
    writeCrashReport(*writer, &buffer, report);
    return buffer.data();
}

enum class PackStep { Complete, SourceFailed, Failed };

// Packs the entries, in their order, into the open file. A source that fails midway is named
// in `failed`: its entry is already written, so the file is no longer of use.
PackStep pack(QFileDevice& file, const QByteArray& report, Source& dump, Source& extra,
              const PackageProgress& progress, Source*& failed)
{
    Orrery::ArchiveWriter archive;
    if (progress) {
        const qint64 total =
            (dump.isPacked() ? dump.size : 0) + report.size() + (extra.isPacked() ? extra.size : 0);
        archive.setProgressHandler([&progress, total, done = qint64(0)](qint64 bytes) mutable {
            progress(done += bytes, total);
        });
    }
    if (!archive.open(&file))
        return PackStep::Failed;
    const auto addSource = [&](Source& source) {
        if (!source.isPacked() ||
            (source.file->seek(0) && archive.addFile(*source.file, source.size, source.entryName)))
            return true;
        if (archive.error().kind() == Orrery::ArchiveError::Kind::SourceIncomplete)
            failed = &source;
        return false;
    };
    const bool complete = addSource(dump) &&
                          archive.addData(report, QString::fromLatin1(PackageEntries::Report)) &&
                          addSource(extra);
    const bool closed = archive.close();
    if (failed)
        return PackStep::SourceFailed;
    return complete && closed && file.error() == QFileDevice::NoError ? PackStep::Complete
                                                                      : PackStep::Failed;
}

PackageOutcome writePackage(const CrashPackageContents& contents, const QString& target,
                            PackageTarget mode, const PackageProgress& progress,
                            const std::optional<CrashReporter::Platform::FileIdentity>& own)
{
    if (mode == PackageTarget::CreateNew && isNameTaken(target))
        return outcomeOf(PackageResult::TargetExists);
    Source dump = dumpSource(contents);
    Source extra = extraSource(contents, dump.entryName);
    const QByteArray report = reportDocument(contents);

    for (int attempt = 0; attempt < MaximumAttempts; ++attempt) {
        PackageFile file(target);
        if (!file.open())
            return outcomeOf(PackageResult::Failed);
        Source* failed = nullptr;
        switch (pack(file.device(), report, dump, extra, progress, failed)) {
        case PackStep::Complete: {
            const std::optional<CrashReporter::Platform::FileIdentity> written = file.identity();
            const qint64 size = file.device().size();
            const PackageResult result = file.place(mode, own);
            return {result, dump.problem, dump.detail,
                    result == PackageResult::Written ? written : std::nullopt, size};
        }
        case PackStep::Failed:
            return outcomeOf(PackageResult::Failed);
        case PackStep::SourceFailed:
            failed->problem = SourceProblem::ReadIncomplete;
            qDebug("Error: %s %s could not be read in full; the package is written again "
                   "without it",
                   failed == &dump ? "dump file" : "extra file",
                   QFile::encodeName(failed->path).constData());
            break;
        }
    }
    return outcomeOf(PackageResult::Failed);
}

} // namespace

// Where memory runs out, the package is written again without the output log, the largest part
// of the report: a report without it is better than no package.
PackageOutcome writeCrashPackage(const CrashPackageContents& contents, const QString& target,
                                 PackageTarget mode, const PackageProgress& progress,
                                 const std::optional<CrashReporter::Platform::FileIdentity>& own)
{
    try {
        return writePackage(contents, target, mode, progress, own);
    } catch (const std::bad_alloc&) {
        qDebug("Error: memory ran out while the package was written; it is written again "
               "without the output log");
    }
    try {
        CrashPackageContents smaller = contents;
        smaller.outputLog.clear();
        return writePackage(smaller, target, mode, progress, own);
    } catch (const std::bad_alloc&) {
        qDebug("Error: memory ran out again; no package could be written");
    }
    return outcomeOf(PackageResult::Failed);
}

bool isNameTaken(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

QString automaticPackagePath(const QString& folder, int number)
{
    return folder + QString::fromLatin1(AutomaticBaseName) + QString::number(number) +
           QString::fromLatin1(PackageExtension);
}

QString automaticPackageNamePattern()
{
    return QString::fromLatin1(AutomaticBaseName) + QLatin1Char('*') +
           QString::fromLatin1(PackageExtension);
}

QString withPackageExtension(const QString& fileName)
{
    if (fileName.endsWith(QString::fromLatin1(PackageExtension), Qt::CaseSensitive))
        return fileName;
    return fileName + QString::fromLatin1(PackageExtension);
}

QString describeSourceProblem(SourceProblem problem, const QString& detail)
{
    switch (problem) {
    case SourceProblem::None:
        return {};
    case SourceProblem::NotNamed:
        return QStringLiteral("no file was named");
    case SourceProblem::NotFound:
        return QStringLiteral("not found");
    case SourceProblem::NotRegularFile:
        return QStringLiteral("not a regular file");
    case SourceProblem::Unreadable:
        return QStringLiteral("cannot be read (%1)").arg(detail);
    case SourceProblem::ReadIncomplete:
        return QStringLiteral("could not be read in full");
    case SourceProblem::LeftOut:
        return QStringLiteral("left out: the folder holds as much as automatic packages may take");
    }
    return {};
}
