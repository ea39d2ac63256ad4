#include "q5_crash_reporter_application.h"

#include "channel/crash_channel.h"
#include "channel/crash_data_file.h"
#include "diagnostics/log.h"
#include "mail/mail_attachment.h"
#include "mail/mail_hand_off.h"
#include "suite_identity.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTimerEvent>
#include <QtDebug>

#include <iostream>
#include <memory>

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

// Where the first mouse move of a running countdown happened; the distance that cancels the
// countdown is measured from here.
QPoint rememberedMousePoint = NoPoint;

// On these platforms no window reaches a screen.
bool canShowWindows()
{
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

InstanceNumber instanceFromArguments(const QStringList& arguments)
{
    if (arguments.size() < 3)
        return std::nullopt;
    return arguments.at(2).toLongLong(nullptr, 10);
}

} // namespace

Q5CrashReporterApplication::Q5CrashReporterApplication(int& argc, char** argv)
    : Tessera::Application<QApplication>(argc, argv,
                                         {SuiteApplication::ControllerCrashDesk, std::uint8_t{0}})
{
    m_record = readCrashRecord(instanceFromArguments(QCoreApplication::arguments()));
    std::cout << "connected" << std::endl;
    m_packaging = new PackageJob(this);
    connect(this, &QCoreApplication::aboutToQuit, this, [this] { saveBeforeLeaving(); });
}

Q5CrashReporterApplication::~Q5CrashReporterApplication() = default;

void Q5CrashReporterApplication::launched()
{
    Orrery::log(0, "Crash reporter launched\n");
    if (m_record) {
        setProductModel(m_record->productModel);
        setThemeMode(m_record->themeMode);
    }
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 2) {
        Orrery::log(0, "Shutting down Q5\n");
        QCoreApplication::quit();
        return;
    }
    readCrashData(arguments.at(1));
    reportCrash();
}

void Q5CrashReporterApplication::readCrashData(const QString& path)
{
    CrashData data;
    if (readCrashDataFile(path, data))
        Orrery::log(0, "Read crash report data\n");
    QFile::remove(path);
    m_dumpFilePath = data.dumpFilePath;
    m_crashTime = data.crashTime;
    m_outputLog = data.outputLog;
}

void Q5CrashReporterApplication::reportCrash()
{
    Orrery::log(0, "Crash reported\n");
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
    m_dialogShown = true;
    m_dialog->open();
}

void Q5CrashReporterApplication::saveBeforeLeaving()
{
    // A package being written is finished first, never left half-written.
    if (m_packaging->isRunning() && m_packaging->wait() == PackageResult::Written)
        m_packageWritten = true;
    if (!m_dialogShown || m_packageWritten)
        return;
    autoSaveCrashReport();
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
            trackMouseMove(static_cast<QMouseEvent*>(event)->position().toPoint());
        break;
    default:
        break;
    }
    return Tessera::Application<QApplication>::notify(receiver, event);
}

void Q5CrashReporterApplication::trackMouseMove(QPoint position)
{
    if (rememberedMousePoint == NoPoint) {
        rememberedMousePoint = position;
        return;
    }
    if ((position - rememberedMousePoint).manhattanLength() >= ActivityDistance) {
        rememberedMousePoint = NoPoint;
        cancelAutoAction();
    }
}

void Q5CrashReporterApplication::armAutoAction(std::chrono::seconds delay)
{
    cancelAutoAction();
    m_autoActionCountdown = delay.count();
    m_autoActionTimerId = startTimer(AutoActionTickMs);
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
    autoSaveCrashReport();
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

PackageResult Q5CrashReporterApplication::buildCrashPackage(const QString& target,
                                                            PackageTarget mode,
                                                            QFileDevice::Permissions permissions)
{
    Orrery::log(0, "Creating dump package\n");
    const QString comments = m_dialog ? m_dialog->comments() : QString();
    const CrashPackageContents contents{m_dumpFilePath, m_crashTime, m_record, m_outputLog,
                                        comments};
    const PackageResult result = writeCrashPackage(contents, target, mode, permissions);
    m_packageWritten = m_packageWritten || result == PackageResult::Written;
    return result;
}

CrashPackageContents Q5CrashReporterApplication::packageContents() const
{
    const QString comments = m_dialog ? m_dialog->comments() : QString();
    return {m_dumpFilePath, m_crashTime, m_record, m_outputLog, comments};
}

void Q5CrashReporterApplication::package(const QString& target, PackageTarget mode,
                                         QFileDevice::Permissions permissions,
                                         std::function<void(PackageResult)> then)
{
    if (!m_dialog) {
        then(buildCrashPackage(target, mode, permissions));
        return;
    }
    Orrery::log(0, "Creating dump package\n");
    if (!m_packaging->start(packageContents(), target, mode, permissions))
        return;
    m_dialog->setPackaging(true);
    const auto progress = connect(m_packaging, &PackageJob::progressed, m_dialog,
                                  &CrashReportWidget::setPackagingProgress);
    connect(
        m_packaging, &PackageJob::finished, this,
        [this, progress, then = std::move(then)](PackageResult result) {
            disconnect(progress);
            m_packageWritten = m_packageWritten || result == PackageResult::Written;
            if (m_dialog)
                m_dialog->setPackaging(false);
            then(result);
        },
        Qt::SingleShotConnection);
}

bool Q5CrashReporterApplication::createCrashPackage(const QString& target)
{
    return buildCrashPackage(target, PackageTarget::Replace) == PackageResult::Written;
}

bool Q5CrashReporterApplication::autoSaveCrashReport()
{
    autoSavePackage();
    return true;
}

// Two reporters may save at the same moment: a name another one took in between is skipped.
std::optional<QString> Q5CrashReporterApplication::autoSavePackage()
{
    Orrery::log(0, "Auto-saving crash report\n");
    const QString folder = crashDumpsPath(SuiteApplication::Controller);
    if (!QDir(folder).exists())
        QDir(folder).mkpath(QStringLiteral("."));

    PackageResult result = PackageResult::TargetExists;
    QString path;
    for (int number = 0; result == PackageResult::TargetExists; ++number) {
        path = automaticPackagePath(folder, number);
        if (!isNameTaken(path))
            result = buildCrashPackage(path, PackageTarget::CreateNew);
    }
    // Once tried, the episode is not saved again on the way out.
    m_packageWritten = true;
    if (result == PackageResult::Written)
        return path;
    qDebug("There was a problem auto-saving the crash report to %s",
           path.toLocal8Bit().constData());
    return std::nullopt;
}

// The operator learns that nothing reached the mail program, and where the package is to be
// attached by hand.
void Q5CrashReporterApplication::reportFailedHandOff()
{
    autoSaveInBackground([this](const std::optional<QString>& saved) {
        const QString text = tr("The crash report could not be handed to the mail program.");
        showError(saved
                      ? text + QLatin1Char(' ') +
                            tr("It was saved as %1 instead; please attach it to an email by hand.")
                                .arg(QDir::toNativeSeparators(*saved))
                      : text + QLatin1Char(' ') + tr("It could not be saved either."));
    });
}

// As the automatic save, but on the worker while the dialog is open; a name taken meanwhile
// moves on to the next.
void Q5CrashReporterApplication::autoSaveInBackground(
    std::function<void(const std::optional<QString>&)> then, int firstNumber)
{
    if (!m_dialog) {
        then(autoSavePackage());
        return;
    }
    Orrery::log(0, "Auto-saving crash report\n");
    const QString folder = crashDumpsPath(SuiteApplication::Controller);
    QDir(folder).mkpath(QStringLiteral("."));
    int number = firstNumber;
    while (isNameTaken(automaticPackagePath(folder, number)))
        ++number;
    const QString path = automaticPackagePath(folder, number);
    package(path, PackageTarget::CreateNew, {},
            [this, path, number, then = std::move(then)](PackageResult result) {
                if (result == PackageResult::TargetExists)
                    return autoSaveInBackground(then, number + 1);
                if (result != PackageResult::Written)
                    qDebug("There was a problem auto-saving the crash report to %s",
                           path.toLocal8Bit().constData());
                then(result == PackageResult::Written ? std::optional(path) : std::nullopt);
            });
}

void Q5CrashReporterApplication::showError(const QString& text)
{
    QMessageBox::critical(QApplication::activeWindow(), tr("Error"), text, QMessageBox::Ok,
                          QMessageBox::NoButton);
}

bool Q5CrashReporterApplication::saveCrashReport()
{
    Orrery::log(0, "Saving crash report\n");
    const QString fileName =
        QFileDialog::getSaveFileName(QApplication::activeWindow(), tr("Save crash dump file"),
                                     crashDumpsPath(SuiteApplication::Controller));
    if (fileName.isEmpty())
        return false;
    // Without the dialog the result is known on return; with it, the package is on its way.
    const auto saved = std::make_shared<bool>(true);
    package(withPackageExtension(fileName), PackageTarget::Replace, {},
            [this, saved](PackageResult result) {
                *saved = result == PackageResult::Written;
                if (!*saved)
                    showError(tr("There was a problem saving the crash report."));
            });
    return *saved;
}

bool Q5CrashReporterApplication::sendCrashReport()
{
    Orrery::log(0, "Sending crash report\n");
    const QString attachment = mailAttachmentPath();
    if (attachment.isEmpty()) {
        showError(
            tr("There was a problem creating a crash report package to attach to the email."));
        return false;
    }
    const auto sent = std::make_shared<bool>(true);
    // The attachment holds the output log and the serial number: for the user's eyes only.
    package(attachment, PackageTarget::Replace, QFileDevice::ReadOwner | QFileDevice::WriteOwner,
            [this, attachment, sent](PackageResult result) {
                if (result != PackageResult::Written) {
                    showError(tr("There was a problem creating a crash report package to attach "
                                 "to the email."));
                    *sent = false;
                    return;
                }
                *sent = handOffToMail(attachment);
            });
    return *sent;
}

bool Q5CrashReporterApplication::handOffToMail(const QString& attachment)
{
    const QString subject = QStringLiteral("Q5-PC Crash Report");
    const QString body = tr("Your Q5-PC crash report is attached to this email.");
    const QString currentDirectory = QDir::currentPath();
    const bool sent = sendMapiMail(QString::fromLatin1(Suite::ServiceDepartmentName),
                                   QString::fromLatin1(Suite::ServiceDepartmentAddress), subject,
                                   body, attachment);
    QDir::setCurrent(currentDirectory);
    if (!sent || mailClientReleasesAttachmentOnReturn())
        QFile::remove(attachment);
    if (!sent)
        reportFailedHandOff();
    return sent;
}
