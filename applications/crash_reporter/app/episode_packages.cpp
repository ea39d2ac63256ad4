#include "episode_packages.h"

#include "crash_reporter/dialog/crash_report_widget.h"
#include "crash_reporter/package/package_folders.h"
#include "crash_reporter/package/package_job.h"
#include "orrery_core/diagnostics/log.h"
#include "q5_suite/suite_identity.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtDebug>

namespace {

QByteArray localPath(const QString& path)
{
    return QDir::toNativeSeparators(path).toLocal8Bit();
}

} // namespace

EpisodePackages::EpisodePackages(std::function<QString()> comments, QObject* parent)
    : QObject(parent)
    , m_comments(std::move(comments))
    , m_packaging(new PackageJob(this))
{
    qRegisterMetaType<PackageOutcome>();
    connect(m_packaging, &PackageJob::finished, this, &EpisodePackages::finishPackaging);
}

bool EpisodePackages::isWriting() const
{
    return m_packaging->isRunning();
}

bool EpisodePackages::package(const QString& target, PackageTarget mode, Packaging packaging,
                              PackageDone done,
                              const std::optional<CrashReporter::Platform::FileIdentity>& own,
                              bool withDump)
{
    Orrery::log(Orrery::ProgressLevel, "Creating dump package\n");
    CrashPackageContents contents = m_crash;
    contents.comments = m_comments();
    if (!withDump) {
        Orrery::log(Orrery::ProgressLevel,
                    "Crash Dumps holds as much as automatic packages may take: the package "
                    "leaves the dump out\n");
        contents.dumpFilePath.clear();
        contents.dumpLeftOut = true;
    }
    if (packaging == Packaging::Now || !m_dialog || m_leaving || m_packaging->isRunning()) {
        const PackageOutcome outcome = writeCrashPackage(contents, target, mode, {}, own);
        done(outcome, contents.comments);
        return outcome.result == PackageResult::Written;
    }
    m_packaging->start(contents, target, mode, own);
    m_packagingDone = [done = std::move(done),
                       comments = contents.comments](const PackageOutcome& outcome) {
        done(outcome, comments);
    };
    m_dialog->setPackaging(true);
    connect(m_packaging, &PackageJob::progressed, m_dialog,
            &CrashReportWidget::setPackagingProgress, Qt::UniqueConnection);
    return true;
}

// Runs once per package: from the job's signal, or while leaving when that comes first.
void EpisodePackages::finishPackaging(const PackageOutcome& outcome)
{
    if (m_dialog)
        m_dialog->setPackaging(false);
    if (const auto done = std::exchange(m_packagingDone, {}))
        done(outcome);
}

void EpisodePackages::autoSave(Packaging packaging, AutoSaveDone done)
{
    Orrery::log(Orrery::ProgressLevel, "Auto-saving crash report\n");
    // The empty entry stands for a new private folder in the temporary folder, made only when
    // every other folder failed.
    autoSaveFrom(automaticPackageFolders() << QString(), 0, packaging, std::move(done));
}

// A name another reporter takes meanwhile moves on to the next number; a folder that cannot
// take the package at all (a file in its place, read-only, full) to the next folder.
void EpisodePackages::autoSaveFrom(QStringList folders, int number, Packaging packaging,
                                   AutoSaveDone done)
{
    // The user's folder in the temporary folder, shared by the episodes, goes when empty.
    const bool temporary = !folders.isEmpty() && folders.constFirst().isEmpty();
    if (temporary)
        folders.first() = temporaryCrashDumpsFolder();
    if (folders.isEmpty() || folders.constFirst().isEmpty()) {
        qDebug("There was a problem auto-saving the crash report: no folder takes it");
        return done(std::nullopt);
    }
    const QString folder = folders.constFirst();
    // The levels this episode makes go again when the package does not stay there.
    const QStringList made = ensurePathExists(folder).value_or(QStringList());
    while (isNameTaken(automaticPackagePath(folder, number)))
        ++number;
    const QString path = automaticPackagePath(folder, number);
    package(
        path, PackageTarget::CreateNew, packaging,
        [=, this](const PackageOutcome& outcome, const QString& comments) {
            switch (outcome.result) {
            case PackageResult::Written:
                Orrery::log(Orrery::ProgressLevel, "Crash report saved to %s\n",
                            localPath(path).constData());
                keep(path, comments, true, outcome);
                return done(path);
            case PackageResult::TargetExists:
                return autoSaveFrom(folders, number + 1, packaging, done);
            case PackageResult::Failed:
                qDebug("There was a problem auto-saving the crash report to %s",
                       localPath(path).constData());
                removeEmptyFolders(temporary ? QStringList{folder} : made);
                return autoSaveFrom(folders.mid(1), 0, packaging, done);
            }
        },
        std::nullopt, dumpFitsBeside(folder));
}

void EpisodePackages::updateAutomatic(Packaging packaging, AutoSaveDone done)
{
    if (!m_automatic)
        return autoSave(packaging, std::move(done));
    Orrery::log(Orrery::ProgressLevel, "Auto-saving crash report\n");
    const QString path = m_automatic->path;
    const bool withDump = dumpFitsBeside(QFileInfo(path).path(), path);
    // Only the episode's own package is replaced; a name another episode took meanwhile is
    // left to it, and the crash goes under the next free name.
    package(
        path, PackageTarget::ReplaceOwn, packaging,
        [=, this](const PackageOutcome& outcome, const QString& comments) {
            if (outcome.result == PackageResult::TargetExists) {
                qDebug("The automatic package %s is another's now; the crash is saved "
                       "under a new name",
                       localPath(path).constData());
                return autoSave(packaging, done);
            }
            if (outcome.result != PackageResult::Written) {
                qDebug("There was a problem auto-saving the crash report to %s",
                       localPath(path).constData());
                return autoSave(packaging, done);
            }
            Orrery::log(Orrery::ProgressLevel, "Crash report saved to %s\n",
                        localPath(path).constData());
            keep(path, comments, true, outcome);
            done(path);
        },
        m_automatic->identity, withDump);
}

void EpisodePackages::keepSaved(const QString& path, const QString& comments,
                                const PackageOutcome& outcome)
{
    keep(path, comments, false, outcome);
}

void EpisodePackages::keep(const QString& path, const QString& comments, bool automatic,
                           const PackageOutcome& outcome)
{
    (automatic ? m_automatic : m_saved) =
        KeptPackage{path, comments, outcome.written, outcome.size};
    if (!m_crashDataFile.isEmpty() && QFile::remove(m_crashDataFile))
        m_crashDataFile.clear();
    if (automatic && m_automaticKept)
        m_automaticKept(path);
}

void EpisodePackages::finish()
{
    m_leaving = true;
    // The watcher may not have told us of a package that is already written.
    if (m_packagingDone)
        finishPackaging(m_packaging->wait());
    const QString comments = m_comments();
    if (m_saved && m_saved->comments == comments && isStillThere(*m_saved)) {
        // The operator's package holds everything the automatic one does.
        if (m_automatic && m_automatic->identity &&
            QFileInfo(m_automatic->path) != QFileInfo(m_saved->path))
            CrashReporter::Platform::removeOwnFile(m_automatic->path, *m_automatic->identity);
    } else if (!m_automatic || m_automatic->comments != comments) {
        updateAutomatic(Packaging::Now, [](const std::optional<QString>&) {});
    }
    if (!m_crashDataFile.isEmpty())
        qDebug("No package holds the crash; the crash data file %s is left in place",
               localPath(m_crashDataFile).constData());
}

// Still the file written, whole: an operator may have moved or deleted it meanwhile.
bool EpisodePackages::isStillThere(const KeptPackage& kept)
{
    return kept.identity && CrashReporter::Platform::identityAt(kept.path) == kept.identity &&
           QFileInfo(kept.path).size() == kept.size;
}

bool EpisodePackages::dumpFitsBeside(const QString& folder, const QString& replacing) const
{
    const QFileInfo dump(m_crash.dumpFilePath);
    return dumpFits(folder, dump.isFile() ? dump.size() : 0, m_packageLimits, replacing);
}
