#include "q5_crash_reporter_application.h"

#include "crash_reporter/app/platform/termination_requests.h"
#include "crash_reporter/channel/crash_channel.h"
#include "crash_reporter/channel/crash_data_file.h"
#include "crash_reporter/dialog/files/package_save_dialog.h"
#include "crash_reporter/mail/platform/mail_attachment.h"
#include "crash_reporter/mail/platform/mail_hand_off.h"
#include "crash_reporter/package/package_folders.h"
#include "crash_reporter/package/package_limits.h"
#include "orrery_core/diagnostics/log.h"
#include "q5_suite/suite_identity.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTimerEvent>
#include <QtDebug>

#include <cstdlib>
#include <iostream>
#include <limits>

// The reporter's own resource bundles; Q_INIT_RESOURCE must be used outside any namespace.
static void registerReporterResources()
{
    Q_INIT_RESOURCE(reporter_file_dialog_icons);
    Q_INIT_RESOURCE(reporter_images);
}

namespace {

const bool reporterResourcesRegistered = (registerReporterResources(), true);

constexpr int AutoActionTickMs = 1000;
constexpr int ActivityDistance = 10;
const QPoint NoPoint(-1, -1);

// The episode of this process, for the way out that skips the event loop.
Q5CrashReporterApplication* runningEpisode = nullptr;

// On these platforms no window reaches a screen.
bool canShowWindows()
{
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

// Qt is shown the program's name alone: a data file named "-reverse" or "-platform" is the
// reporter's, not an option of Qt's.
int& argumentsShownToQt()
{
    static int count = 1;
    return count;
}

QStringList ownArguments(int argc, char** argv)
{
    QStringList arguments;
    for (int index = 0; index < argc; ++index)
        arguments << QFile::decodeName(argv[index]);
    return arguments;
}

InstanceNumber instanceFromArguments(const QStringList& arguments)
{
    if (arguments.size() < 3)
        return std::nullopt;
    return arguments.at(2).toLongLong(nullptr, 10);
}

QByteArray localPath(const QString& path)
{
    return QDir::toNativeSeparators(path).toLocal8Bit();
}

} // namespace

Q5CrashReporterApplication::Q5CrashReporterApplication(int& argc, char** argv)
    : Tessera::Application<QApplication>(
          argumentsShownToQt(), argv,
          describeApplication({SuiteApplication::ControllerCrashDesk, std::uint8_t{0}}))
    , m_arguments(ownArguments(argc, argv))
{
    qRegisterMetaType<PackageOutcome>();
    m_record = readCrashRecord(instanceFromArguments(m_arguments));
    std::cout << "connected" << std::endl;
    m_packaging = new PackageJob(this);
    connect(m_packaging, &PackageJob::finished, this, &Q5CrashReporterApplication::finishPackaging);
    connect(this, &QCoreApplication::aboutToQuit, this, [this] { finishEpisode(); });
    CrashReporter::Platform::deliverTerminationRequests(this, [this] { requestTermination(); });
    runningEpisode = this;
    static const bool registered = std::atexit(&Q5CrashReporterApplication::finishBeforeExit) == 0;
    Q_UNUSED(registered);
}

Q5CrashReporterApplication::~Q5CrashReporterApplication()
{
    runningEpisode = nullptr;
}

void Q5CrashReporterApplication::finishBeforeExit()
{
    if (!runningEpisode || runningEpisode->m_finished)
        return;
    qDebug("The process ends without the event loop; the episode is finished first");
    runningEpisode->finishEpisode();
    std::_Exit(0);
}

void Q5CrashReporterApplication::setProductModel(const ProductModel& productModel)
{
    m_identity.productModel = productModel;
    renameApplication(::applicationName(m_identity));
}

void Q5CrashReporterApplication::launched()
{
    Orrery::log(0, "Crash reporter launched\n");
    if (m_record) {
        setProductModel(m_record->productModel);
        setThemeMode(m_record->themeMode);
    }
    const QStringList& arguments = m_arguments;
    if (arguments.size() < 2) {
        Orrery::log(0, "Shutting down Q5\n");
        QCoreApplication::quit();
        return;
    }
    readCrashData(arguments.at(1));
    reportCrash();
    m_launchDone = true;
    if (m_terminationRequested)
        QCoreApplication::quit();
}

void Q5CrashReporterApplication::readCrashData(const QString& path)
{
    CrashData data;
    if (readCrashDataFile(path, data)) {
        Orrery::log(0, "Read crash report data\n");
        // Deleted once a package holds what it holds.
        m_crashDataFile = path;
    } else {
        qDebug("The crash data file %s could not be read as one; it is left in place",
               localPath(path).constData());
    }
    m_dumpFilePath = data.dumpFilePath;
    m_crashTime = data.crashTime;
    m_outputLog = data.outputLog;
}

void Q5CrashReporterApplication::reportCrash()
{
    Orrery::log(0, "Crash reported\n");
    m_crashReported = true;
    if (wantsDialog()) {
        showDialog();
        return;
    }
    autoSaveCrashReport();
    Orrery::log(0, "Restarting Q5\n");
    QCoreApplication::quit();
}

void Q5CrashReporterApplication::showDialog()
{
    m_dialog = new CrashReportWidget(*m_record, m_crashTime);
    m_dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_dialog, &CrashReportWidget::sendRequested, this, [this] { sendCrashReport(); });
    connect(m_dialog, &CrashReportWidget::saveRequested, this, [this] { saveCrashReport(); });
    connect(m_dialog, &CrashReportWidget::restartRequested, this, [this] { restartController(); });
    connect(m_dialog, &CrashReportWidget::shutdownRequested, this,
            [this] { shutdownController(); });
    // The dialog is deleted soon after it closes; what the operator typed is kept.
    connect(m_dialog, &QDialog::finished, this, [this] { rememberComments(); });
    m_dialog->open();
    // The crash is kept from the start; a display that goes away cannot take it along.
    autoSave(Packaging::InBackground, [](const std::optional<QString>&) {});
    // A negative delay is no delay: the dialog waits for the operator.
    const auto delay = m_record->autoActionDelay;
    if (delay && delay->count() > 0)
        armAutoAction(*delay);
}

void Q5CrashReporterApplication::requestTermination()
{
    Orrery::log(0, "Termination requested\n");
    m_terminationRequested = true;
    // Before the launch the crash is not even read; the launch ends the episode then.
    if (m_launchDone)
        QCoreApplication::quit();
}

void Q5CrashReporterApplication::finishEpisode()
{
    if (std::exchange(m_finished, true))
        return;
    m_leaving = true;
    rememberComments();
    // The watcher may not have told us of a package that is already written.
    if (m_packagingDone)
        finishPackaging(m_packaging->wait());
    if (m_crashReported) {
        if (m_saved && m_saved->comments == comments() && isStillThere(*m_saved)) {
            // The operator's package holds everything the automatic one does.
            if (m_automatic && m_automatic->identity &&
                QFileInfo(m_automatic->path) != QFileInfo(m_saved->path))
                CrashReporter::Platform::removeOwnFile(m_automatic->path, *m_automatic->identity);
        } else if (!m_automatic || m_automatic->comments != comments()) {
            updateAutomaticPackage(Packaging::Now, [](const std::optional<QString>&) {});
        }
        if (!m_crashDataFile.isEmpty())
            qDebug("No package holds the crash; the crash data file %s is left in place",
                   localPath(m_crashDataFile).constData());
    }
    CrashReporter::Platform::terminationRequestHandled();
}

// Still the file written, whole: an operator may have moved or deleted it meanwhile.
bool Q5CrashReporterApplication::isStillThere(const KeptPackage& kept)
{
    return kept.identity && CrashReporter::Platform::identityAt(kept.path) == kept.identity &&
           QFileInfo(kept.path).size() == kept.size;
}

void Q5CrashReporterApplication::keep(const QString& path, const QString& comments, bool automatic,
                                      const PackageOutcome& outcome)
{
    (automatic ? m_automatic : m_saved) =
        KeptPackage{path, comments, outcome.written, outcome.size};
    if (!m_crashDataFile.isEmpty() && QFile::remove(m_crashDataFile))
        m_crashDataFile.clear();
}

void Q5CrashReporterApplication::updateAutomaticPackage(Packaging packaging, AutoSaveDone done)
{
    if (!m_automatic)
        return autoSave(packaging, std::move(done));
    Orrery::log(0, "Auto-saving crash report\n");
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
            Orrery::log(0, "Crash report saved to %s\n", localPath(path).constData());
            keep(path, comments, true, outcome);
            done(path);
        },
        m_automatic->identity, withDump);
}

void Q5CrashReporterApplication::rememberComments()
{
    if (m_dialog)
        m_comments = m_dialog->comments();
}

QString Q5CrashReporterApplication::comments() const
{
    return m_dialog ? m_dialog->comments() : m_comments;
}

bool Q5CrashReporterApplication::wantsDialog() const
{
    const bool recordAsksForDialog =
        m_record && (!m_record->autoActionDelay || m_record->autoActionDelay->count() != 0);
    // A dialog that nobody can see would wait forever, so there the crash is saved at once.
    return recordAsksForDialog && canShowWindows();
}

bool Q5CrashReporterApplication::notify(QObject* receiver, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::KeyPress:
        cancelAutoAction();
        break;
    case QEvent::MouseMove:
        if (m_autoActionTimerId != 0)
            trackMouseMove(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
        break;
    default:
        break;
    }
    return Tessera::Application<QApplication>::notify(receiver, event);
}

void Q5CrashReporterApplication::trackMouseMove(QPoint position)
{
    if (m_rememberedMousePoint == NoPoint) {
        m_rememberedMousePoint = position;
        return;
    }
    if ((position - m_rememberedMousePoint).manhattanLength() >= ActivityDistance) {
        m_rememberedMousePoint = NoPoint;
        cancelAutoAction();
    }
}

void Q5CrashReporterApplication::armAutoAction(std::chrono::seconds delay)
{
    cancelAutoAction();
    m_rememberedMousePoint = NoPoint;
    m_autoActionCountdown = delay.count();
    m_autoActionTimerId = startTimer(AutoActionTickMs);
    if (m_dialog)
        m_dialog->setCountdown(m_autoActionCountdown);
}

void Q5CrashReporterApplication::cancelAutoAction()
{
    if (m_autoActionTimerId == 0)
        return;
    Orrery::log(0, "Canceled auto-action timer\n");
    killTimer(m_autoActionTimerId);
    m_autoActionTimerId = 0;
    if (m_dialog)
        m_dialog->setCountdown(std::nullopt);
}

void Q5CrashReporterApplication::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != m_autoActionTimerId)
        return;
    --m_autoActionCountdown;
    if (m_dialog)
        m_dialog->setCountdown(m_autoActionCountdown);
    if (m_autoActionCountdown >= 1)
        return;
    Orrery::log(0, "Auto-action timer expired\n");
    killTimer(m_autoActionTimerId);
    m_autoActionTimerId = 0;
    // The way out keeps the crash with whatever was typed.
    Orrery::log(0, "Restarting Q5\n");
    QCoreApplication::quit();
}

bool Q5CrashReporterApplication::restartController()
{
    Orrery::log(0, "Restarting Q5\n");
    QCoreApplication::quit();
    return true;
}

bool Q5CrashReporterApplication::shutdownController()
{
    Orrery::log(0, "Shutting down Q5\n");
    QCoreApplication::quit();
    return true;
}

// Automatic packages stay within their limits; the one being replaced makes room.
bool Q5CrashReporterApplication::dumpFitsBeside(const QString& folder,
                                                const QString& replacing) const
{
    const QFileInfo dump(m_dumpFilePath);
    return dumpFits(folder, dump.isFile() ? dump.size() : 0, m_packageLimits, replacing);
}

CrashPackageContents Q5CrashReporterApplication::packageContents() const
{
    return {m_dumpFilePath, m_crashTime, m_record, m_outputLog, comments()};
}

bool Q5CrashReporterApplication::package(
    const QString& target, PackageTarget mode, Packaging packaging, PackageDone done,
    const std::optional<CrashReporter::Platform::FileIdentity>& own, bool withDump)
{
    Orrery::log(0, "Creating dump package\n");
    CrashPackageContents contents = packageContents();
    if (!withDump) {
        Orrery::log(0, "Crash Dumps holds as much as automatic packages may take: the package "
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
void Q5CrashReporterApplication::finishPackaging(const PackageOutcome& outcome)
{
    if (m_dialog)
        m_dialog->setPackaging(false);
    if (const auto done = std::exchange(m_packagingDone, {}))
        done(outcome);
}

bool Q5CrashReporterApplication::createCrashPackage(const QString& target)
{
    return package(target, PackageTarget::Replace, Packaging::Now,
                   [](const PackageOutcome&, const QString&) {});
}

bool Q5CrashReporterApplication::autoSaveCrashReport()
{
    autoSave(Packaging::Now, [](const std::optional<QString>&) {});
    return true;
}

void Q5CrashReporterApplication::autoSave(Packaging packaging, AutoSaveDone done)
{
    Orrery::log(0, "Auto-saving crash report\n");
    // The empty entry stands for a new private folder in the temporary folder, made only when
    // every other folder failed.
    autoSaveFrom(automaticPackageFolders() << QString(), 0, packaging, std::move(done));
}

// A name another reporter takes meanwhile moves on to the next number; a folder that cannot
// take the package at all (a file in its place, read-only, full) to the next folder.
void Q5CrashReporterApplication::autoSaveFrom(QStringList folders, int number, Packaging packaging,
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
                Orrery::log(0, "Crash report saved to %s\n", localPath(path).constData());
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

bool Q5CrashReporterApplication::saveCrashReport()
{
    Orrery::log(0, "Saving crash report\n");
    if (m_packaging->isRunning())
        return false;
    const QString fileName = PackageSaveDialog::getPackageName(
        QApplication::activeWindow(), tr("Save crash dump file"), saveDialogFolder());
    if (fileName.isEmpty())
        return false;
    return package(withPackageExtension(fileName), PackageTarget::Replace, Packaging::InBackground,
                   [this, fileName](const PackageOutcome& outcome, const QString& comments) {
                       if (outcome.result != PackageResult::Written)
                           return showError(tr("There was a problem saving the crash report."));
                       keep(withPackageExtension(fileName), comments, false, outcome);
                       showResult(tr("Saved as %1.").arg(QDir::toNativeSeparators(fileName)),
                                  outcome);
                   });
}

bool Q5CrashReporterApplication::sendCrashReport()
{
    Orrery::log(0, "Sending crash report\n");
    const QString failure =
        tr("There was a problem creating a crash report package to attach to the email.");
    if (m_packaging->isRunning())
        return false;
    const QString attachment = CrashReporter::Platform::newMailAttachmentPath();
    if (attachment.isEmpty()) {
        showError(failure);
        return false;
    }
    // Known at once without the dialog; with it, the package is on its way.
    const auto handedOff = std::make_shared<bool>(true);
    const bool packaged = package(
        attachment, PackageTarget::Replace, Packaging::InBackground,
        [this, attachment, failure, handedOff](const PackageOutcome& outcome, const QString&) {
            if (outcome.result != PackageResult::Written) {
                CrashReporter::Platform::discardMailAttachment(attachment);
                return showError(failure);
            }
            *handedOff = handOffToMail(attachment, outcome);
        });
    return packaged && *handedOff;
}

// The hand-off cannot be verified: a package handed to the mail program is not a package kept,
// so the episode still keeps one in the Crash Dumps folder when it ends.
bool Q5CrashReporterApplication::handOffToMail(const QString& attachment,
                                               const PackageOutcome& outcome)
{
    const QString subject = QStringLiteral("Q5-PC Crash Report");
    const QString body = tr("Your Q5-PC crash report is attached to this email.");
    const QString currentDirectory = QDir::currentPath();
    const bool sent = CrashReporter::Platform::sendMapiMail(
        QString::fromLatin1(Suite::ServiceDepartmentName),
        QString::fromLatin1(Suite::ServiceDepartmentAddress), subject, body, attachment,
        [this](int status) {
            if (m_dialog && !m_leaving)
                m_dialog->setResult(tr("The mail program reported a problem (status %1): the "
                                       "crash report may not have been sent. It is kept in the "
                                       "Crash Dumps folder.")
                                        .arg(status));
        });
    QDir::setCurrent(currentDirectory);
    if (!sent || CrashReporter::Platform::mailClientReleasesAttachmentOnReturn())
        CrashReporter::Platform::discardMailAttachment(attachment);
    if (!sent) {
        reportFailedHandOff();
        return false;
    }
    showResult(tr("The crash report was handed to the mail program."), outcome);
    return true;
}

// The operator learns that nothing reached the mail program, and where the package is to be
// attached by hand: the automatic one, brought up to date.
void Q5CrashReporterApplication::reportFailedHandOff()
{
    updateAutomaticPackage(Packaging::InBackground, [this](const std::optional<QString>& saved) {
        const QString text = tr("The crash report could not be handed to the mail program.");
        showError(saved
                      ? text + QLatin1Char(' ') +
                            tr("It was saved as %1 instead; please attach it to an email by hand.")
                                .arg(QDir::toNativeSeparators(*saved))
                      : text + QLatin1Char(' ') + tr("It could not be saved either."));
    });
}

// On the way out nobody is there to answer a box.
void Q5CrashReporterApplication::showError(const QString& text)
{
    if (m_leaving) {
        qDebug("%s", qPrintable(text));
        return;
    }
    QMessageBox::critical(QApplication::activeWindow(), tr("Error"), text, QMessageBox::Ok,
                          QMessageBox::NoButton);
}

void Q5CrashReporterApplication::showResult(const QString& text, const PackageOutcome& outcome)
{
    const QString problem = dumpProblemText(outcome);
    const QString result =
        problem.isEmpty()
            ? text
            : text + QLatin1Char(' ') + tr("The dump file is not in it: %1.").arg(problem);
    if (m_dialog && !m_leaving)
        m_dialog->setResult(result);
}

QString Q5CrashReporterApplication::dumpProblemText(const PackageOutcome& outcome) const
{
    switch (outcome.dumpProblem) {
    case SourceProblem::None:
        return {};
    case SourceProblem::NotNamed:
        return tr("the controller named none");
    case SourceProblem::NotFound:
        return tr("it was not found");
    case SourceProblem::NotRegularFile:
        return tr("it is not a regular file");
    case SourceProblem::Unreadable:
        return tr("it cannot be read (%1)").arg(outcome.dumpProblemDetail);
    case SourceProblem::ReadIncomplete:
        return tr("it could not be read in full");
    case SourceProblem::LeftOut:
        return tr("the Crash Dumps folder holds as much as automatic packages may take");
    }
    return {};
}
