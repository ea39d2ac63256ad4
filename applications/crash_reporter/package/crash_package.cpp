#include "crash_package.h"

#include "io/file_archive.h"
#include "report/crash_report.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QXmlStreamWriter>
#include <QtDebug>

namespace {

constexpr char PackageExtension[] = ".cdp";
constexpr char AutomaticBaseName[] = "Crash Report ";
constexpr char ReportEntryName[] = "report.xml";

bool writeReportFile(const CrashPackageContents& contents, QTemporaryFile& file)
{
    const CrashReport report{contents.crashTime, contents.record, contents.outputLog,
                             contents.comments};
    const auto writer = makeReportWriter();
    writeCrashReport(*writer, &file, report);
    const bool flushed = file.flush();
    file.close();
    return flushed && !writer->hasError() && file.error() == QFileDevice::NoError;
}

QString extraFilePath(const CrashPackageContents& contents)
{
    if (!contents.record || contents.record->extraFilePath.isEmpty())
        return {};
    const QFileInfo extra(contents.record->extraFilePath);
    return extra.exists() ? extra.absoluteFilePath() : QString();
}

// Packs the entries into the open target; true only when every byte reached the file.
bool packEntries(const CrashPackageContents& contents, const QString& reportPath, QFile& target)
{
    Orrery::FileArchive archive;
    if (!archive.open(Orrery::FileArchive::Mode::Write, &target,
                      Orrery::FileArchive::Format::TarGz))
        return false;
    const QFileInfo dump(contents.dumpFilePath);
    bool complete = archive.add(dump.absoluteFilePath(), dump.fileName());
    complete = complete && archive.add(QFileInfo(reportPath).absoluteFilePath(),
                                       QString::fromLatin1(ReportEntryName));
    const QString extra = extraFilePath(contents);
    if (complete && !extra.isEmpty())
        complete = archive.add(extra, QFileInfo(extra).fileName());
    complete = archive.close() && complete;
    complete = target.flush() && complete;
    target.close();
    return complete && target.error() == QFileDevice::NoError;
}

} // namespace

PackageResult writeCrashPackage(const CrashPackageContents& contents, const QString& target,
                                PackageTarget mode)
{
    if (!QFileInfo::exists(contents.dumpFilePath)) {
        qDebug("Error: dump file not found");
        return PackageResult::Failed;
    }
    QTemporaryFile reportFile;
    if (!reportFile.open() || !writeReportFile(contents, reportFile)) {
        qDebug("Error: cannot create temporary file");
        return PackageResult::Failed;
    }

    QFile file(target);
    QIODevice::OpenMode openMode = QIODevice::WriteOnly;
    if (mode == PackageTarget::Replace)
        QFile::remove(target);
    else
        openMode |= QIODevice::NewOnly;
    if (!file.open(openMode)) {
        if (mode == PackageTarget::CreateNew && QFileInfo::exists(target))
            return PackageResult::TargetExists;
        QFile::remove(target);
        return PackageResult::Failed;
    }
    if (!packEntries(contents, reportFile.fileName(), file)) {
        file.remove();
        return PackageResult::Failed;
    }
    return PackageResult::Written;
}

QString automaticPackagePath(const QString& folder, int number)
{
    return folder + QString::fromLatin1(AutomaticBaseName) + QString::number(number) +
           QString::fromLatin1(PackageExtension);
}

QString withPackageExtension(const QString& fileName)
{
    if (fileName.endsWith(QString::fromLatin1(PackageExtension), Qt::CaseSensitive))
        return fileName;
    return fileName + QString::fromLatin1(PackageExtension);
}
