#include "crash_package.h"

#include "io/file_archive.h"
#include "report/crash_report.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
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
// report reached the device. The caller closes or commits it.
bool packEntries(const CrashPackageContents& contents, const QString& reportPath,
                 QFileDevice& target, const PackageProgress& progress)
{
    Orrery::FileArchive archive;
    if (progress) {
        const QString extra = extraFilePath(contents);
        const qint64 total = QFileInfo(contents.dumpFilePath).size() +
                             QFileInfo(reportPath).size() +
                             (extra.isEmpty() ? 0 : QFileInfo(extra).size());
        archive.setProgressHandler([&progress, total, done = qint64(0)](qint64 bytes) mutable {
            progress(done += bytes, total);
        });
    }
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
    return complete && target.error() == QFileDevice::NoError;
}

// Written beside the target and put in its place only when complete: a failure leaves an
// existing file as it was.
PackageResult replaceTarget(const CrashPackageContents& contents, const QString& reportPath,
                            const QString& target, QFileDevice::Permissions permissions,
                            const PackageProgress& progress)
{
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly) || !packEntries(contents, reportPath, file, progress)) {
        file.cancelWriting();
        return PackageResult::Failed;
    }
    if (!file.commit())
        return PackageResult::Failed;
    if (permissions)
        QFile::setPermissions(target, permissions);
    return PackageResult::Written;
}

// A new name must not exist yet; whatever holds it belongs to someone else and stays.
PackageResult createTarget(const CrashPackageContents& contents, const QString& reportPath,
                           const QString& target, QFileDevice::Permissions permissions,
                           const PackageProgress& progress)
{
    QFile file(target);
    const QIODevice::OpenMode mode = QIODevice::WriteOnly | QIODevice::NewOnly;
    if (!(permissions ? file.open(mode, permissions) : file.open(mode)))
        return isNameTaken(target) ? PackageResult::TargetExists : PackageResult::Failed;
    bool complete = packEntries(contents, reportPath, file, progress);
    complete = file.flush() && complete;
    file.close();
    if (complete && file.error() == QFileDevice::NoError)
        return PackageResult::Written;
    file.remove();
    return PackageResult::Failed;
}

} // namespace

PackageResult writeCrashPackage(const CrashPackageContents& contents, const QString& target,
                                PackageTarget mode, QFileDevice::Permissions permissions,
                                const PackageProgress& progress)
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

    return mode == PackageTarget::Replace
               ? replaceTarget(contents, reportFile.fileName(), target, permissions, progress)
               : createTarget(contents, reportFile.fileName(), target, permissions, progress);
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
