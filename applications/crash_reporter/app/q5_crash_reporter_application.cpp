#include "q5_crash_reporter_application.h"

#include "crash_reporter/app/platform/termination_requests.h"
#include "crash_reporter/channel/crash_channel.h"
#include "crash_reporter/channel/crash_data_file.h"
#include "crash_reporter/dialog/files/package_save_dialog.h"
#include "crash_reporter/package/package_folders.h"
#include "orrery_core/diagnostics/log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QtDebug>

#include <cstdlib>
#include <iostream>

// The reporter's own resource bundles; Q_INIT_RESOURCE must be used outside any namespace.
static void registerReporterResources()
{
    Q_INIT_RESOURCE(reporter_file_dialog_icons);
    Q_INIT_RESOURCE(reporter_images);
}

namespace {

const bool reporterResourcesRegistered = (registerReporterResources(), true);

// How long the way out waits for packages on their way to the service desk.
constexpr std::chrono::milliseconds UploadTimeOnTheWayOut{3000};

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
    , m_packages([this] { return comments(); })
    , m_mail(m_packages, m_feedback)
{
    m_record = readCrashRecord(instanceFromArguments(m_arguments));
    std::cout << "connected" << std::endl;
    connect(&m_countdown, &AutoActionCountdown::changed, this, [this] {
        if (m_dialog)
            m_dialog->setCountdown(m_countdown.remaining());
    });
    // The way out keeps the crash with whatever was typed.
    connect(&m_countdown, &AutoActionCountdown::expired, this, [] {
        Orrery::log(Orrery::ProgressLevel, "Restarting Q5\n");
        QCoreApplication::quit();
    });
    connect(this, &QCoreApplication::aboutToQuit, this, [this] { finishEpisode(); });
    CrashReporter::Platform::deliverTerminationRequests(this, [this] { requestTermination(); });
    prepareUploads();
    runningEpisode = this;
    static const bool registered = std::atexit(&Q5CrashReporterApplication::finishBeforeExit) == 0;
    Q_UNUSED(registered);
}

Q5CrashReporterApplication::~Q5CrashReporterApplication()
{
    runningEpisode = nullptr;
}

void Q5CrashReporterApplication::prepareUploads()
{
    QString problem;
    const UploadSettings settings = UploadSettings::load(problem);
    if (!problem.isEmpty())
        Orrery::log(Orrery::ProgressLevel, "%s\n", qUtf8Printable(problem));
    if (!settings.isConfigured())
        return;
    m_uploadQueue = std::make_unique<UploadQueue>(UploadQueue::defaultIndexPath(),
                                                  PackageLimits::fromEnvironment().count);
    m_uploads = std::make_unique<UploadSender>(settings, *m_uploadQueue);
    connect(m_uploads.get(), &UploadSender::packageSent, this, [this](const QString& path) {
        if (path == m_uploading)
            m_feedback.showResult(tr("Sent to the service desk"));
    });
    connect(m_uploads.get(), &UploadSender::packageWaits, this, [this](const QString& path) {
        if (path == m_uploading)
            m_feedback.showResult(tr("Will be sent when the service desk can be reached"));
    });
    m_packages.setAutomaticKept([this](const QString& path) { uploadAutomatic(path); });
}

void Q5CrashReporterApplication::uploadAutomatic(const QString& path)
{
    m_uploading = QFileInfo(path).absoluteFilePath();
    m_uploads->send(path);
}

void Q5CrashReporterApplication::finishBeforeExit()
{
    if (!runningEpisode || runningEpisode->m_finished)
        return;
    qDebug("The process ends without the event loop; the episode is finished first");
    // Without the event loop nothing can be sent: the packages wait for a later run.
    runningEpisode->m_uploadsOnTheWayOut = false;
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
    Orrery::log(Orrery::ProgressLevel, "Crash reporter launched\n");
    if (m_record) {
        setProductModel(m_record->productModel);
        setThemeMode(m_record->themeMode);
    }
    if (m_arguments.size() < 2) {
        Orrery::log(Orrery::ProgressLevel, "Shutting down Q5\n");
        QCoreApplication::quit();
        return;
    }
    readCrashData(m_arguments.at(1));
    reportCrash();
    // Packages of earlier episodes that still wait go after this one's.
    if (m_uploads)
        m_uploads->sendWaiting(false);
    m_launchDone = true;
    if (m_terminationRequested)
        QCoreApplication::quit();
}

void Q5CrashReporterApplication::readCrashData(const QString& path)
{
    CrashData data;
    if (readCrashDataFile(path, data)) {
        Orrery::log(Orrery::ProgressLevel, "Read crash report data\n");
        m_packages.setCrashDataFile(path);
    } else {
        qDebug("The crash data file %s could not be read as one; it is left in place",
               localPath(path).constData());
    }
    m_packages.setCrash({data.dumpFilePath, data.crashTime, m_record, data.outputLog, {}, false});
    m_crashTime = data.crashTime;
}

void Q5CrashReporterApplication::reportCrash()
{
    Orrery::log(Orrery::ProgressLevel, "Crash reported\n");
    m_crashReported = true;
    if (wantsDialog()) {
        showDialog();
        return;
    }
    autoSaveCrashReport();
    Orrery::log(Orrery::ProgressLevel, "Restarting Q5\n");
    QCoreApplication::quit();
}

void Q5CrashReporterApplication::showDialog()
{
    m_dialog = new CrashReportWidget(*m_record, m_crashTime);
    m_dialog->setAttribute(Qt::WA_DeleteOnClose);
    m_feedback.setDialog(m_dialog);
    m_packages.setDialog(m_dialog);
    connect(m_dialog, &CrashReportWidget::sendRequested, this, [this] { sendCrashReport(); });
    connect(m_dialog, &CrashReportWidget::saveRequested, this, [this] { saveCrashReport(); });
    connect(m_dialog, &CrashReportWidget::restartRequested, this, [this] { restartController(); });
    connect(m_dialog, &CrashReportWidget::shutdownRequested, this,
            [this] { shutdownController(); });
    // The dialog is deleted soon after it closes; what the operator typed is kept.
    connect(m_dialog, &QDialog::finished, this, [this] { rememberComments(); });
    m_dialog->open();
    // The crash is kept from the start; a display that goes away cannot take it along.
    m_packages.autoSave(EpisodePackages::Packaging::InBackground,
                        [](const std::optional<QString>&) {});
    // A negative delay is no delay: the dialog waits for the operator.
    const auto delay = m_record->autoActionDelay;
    if (delay && delay->count() > 0)
        armAutoAction(*delay);
}

void Q5CrashReporterApplication::requestTermination()
{
    Orrery::log(Orrery::ProgressLevel, "Termination requested\n");
    m_terminationRequested = true;
    // Before the launch the crash is not even read; the launch ends the episode then.
    if (m_launchDone)
        QCoreApplication::quit();
}

void Q5CrashReporterApplication::finishEpisode()
{
    if (std::exchange(m_finished, true))
        return;
    m_feedback.setLeaving();
    rememberComments();
    if (m_crashReported)
        m_packages.finish();
    // Sending never holds the end of the episode for long: what is not sent by then waits.
    if (m_uploads && m_uploadsOnTheWayOut)
        m_uploads->finish(UploadTimeOnTheWayOut);
    CrashReporter::Platform::terminationRequestHandled();
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
    m_countdown.noteEvent(event);
    return Tessera::Application<QApplication>::notify(receiver, event);
}

void Q5CrashReporterApplication::armAutoAction(std::chrono::seconds delay)
{
    m_countdown.arm(delay);
}

void Q5CrashReporterApplication::cancelAutoAction()
{
    m_countdown.cancel();
}

bool Q5CrashReporterApplication::restartController()
{
    Orrery::log(Orrery::ProgressLevel, "Restarting Q5\n");
    QCoreApplication::quit();
    return true;
}

bool Q5CrashReporterApplication::shutdownController()
{
    Orrery::log(Orrery::ProgressLevel, "Shutting down Q5\n");
    QCoreApplication::quit();
    return true;
}

bool Q5CrashReporterApplication::createCrashPackage(const QString& target)
{
    return m_packages.package(target, PackageTarget::Replace, EpisodePackages::Packaging::Now,
                              [](const PackageOutcome&, const QString&) {});
}

bool Q5CrashReporterApplication::autoSaveCrashReport()
{
    m_packages.autoSave(EpisodePackages::Packaging::Now, [](const std::optional<QString>&) {});
    return true;
}

bool Q5CrashReporterApplication::saveCrashReport()
{
    Orrery::log(Orrery::ProgressLevel, "Saving crash report\n");
    if (m_packages.isWriting())
        return false;
    const QString fileName = PackageSaveDialog::getPackageName(
        QApplication::activeWindow(), tr("Save crash dump file"), saveDialogFolder());
    if (fileName.isEmpty())
        return false;
    const QString path = withPackageExtension(fileName);
    return m_packages.package(
        path, PackageTarget::Replace, EpisodePackages::Packaging::InBackground,
        [this, path, fileName](const PackageOutcome& outcome, const QString& comments) {
            if (outcome.result != PackageResult::Written)
                return m_feedback.showError(tr("There was a problem saving the crash report."));
            m_packages.keepSaved(path, comments, outcome);
            m_feedback.showResult(tr("Saved as %1.").arg(QDir::toNativeSeparators(fileName)),
                                  outcome);
        });
}

bool Q5CrashReporterApplication::sendCrashReport()
{
    return m_mail.send();
}
