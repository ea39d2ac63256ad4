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

// The extra file is optional: one that cannot be read never costs the dump and the report.
void addExtraFile(Orrery::FileArchive& archive, const QString& path)
{
    if (path.isEmpty() || archive.add(path, QFileInfo(path).fileName()))
        return;
    qDebug("Error: extra file %s could not be read; it is left out or cut short",
           QFile::encodeName(path).constData());
}

// Packs the entries into the open target; true only when every byte of the dump and the
// report reached the file.
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
    if (complete)
        addExtraFile(archive, extraFilePath(contents));
    complete = archive.close() && complete;
    complete = target.flush() && complete;
    target.close();
    return complete && target.error() == QFileDevice::NoError;
}

bool openTarget(QFile& file, PackageTarget mode, QFileDevice::Permissions permissions)
{
    QIODevice::OpenMode openMode = QIODevice::WriteOnly;
    if (mode == PackageTarget::CreateNew)
        openMode |= QIODevice::NewOnly;
    return permissions ? file.open(openMode, permissions) : file.open(openMode);
}

} // namespace

PackageResult writeCrashPackage(const CrashPackageContents& contents, const QString& target,
                                PackageTarget mode, QFileDevice::Permissions permissions)
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
    if (mode == PackageTarget::Replace)
        QFile::remove(target);
    if (!openTarget(file, mode, permissions)) {
        // Whatever holds a new name belongs to someone else and stays.
        if (mode == PackageTarget::CreateNew)
            return isNameTaken(target) ? PackageResult::TargetExists : PackageResult::Failed;
        QFile::remove(target);
        return PackageResult::Failed;
    }
    if (!packEntries(contents, reportFile.fileName(), file)) {
        file.remove();
        return PackageResult::Failed;
    }
    return PackageResult::Written;
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

QString withPackageExtension(const QString& fileName)
{
    if (fileName.endsWith(QString::fromLatin1(PackageExtension), Qt::CaseSensitive))
        return fileName;
    return fileName + QString::fromLatin1(PackageExtension);
}
