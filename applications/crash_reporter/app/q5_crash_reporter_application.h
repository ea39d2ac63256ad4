#pragma once

#include "auto_action_countdown.h"
#include "crash_reporter/channel/crash_record.h"
#include "crash_reporter/dialog/crash_report_widget.h"
#include "crash_reporter/upload/upload_queue.h"
#include "crash_reporter/upload/upload_sender.h"
#include "episode_packages.h"
#include "mail_dispatch.h"
#include "operator_feedback.h"
#include "q5_suite/suite_identity.h"
#include "tessera/application/application.h"

#include <QApplication>
#include <QDateTime>
#include <QPointer>
#include <QStringList>

#include <chrono>
#include <optional>

// One crash episode: reads the failed controller's record and crash data, then shows the
// crash dialog or saves a crash package silently, and ends with exit status 0. It wires the
// parts together: the packages of the episode, the mail dispatch, the countdown to the
// automatic restart and what the operator is told.
class Q5CrashReporterApplication : public Tessera::Application<QApplication>
{
    Q_OBJECT

public:
    Q5CrashReporterApplication(int& argc, char** argv);
    ~Q5CrashReporterApplication() override;

    bool notify(QObject* receiver, QEvent* event) override;

    // Whether the episode shows the crash dialog: the record asks for it (no auto-action delay,
    // or one above 0) and windows can be seen on this platform.
    bool wantsDialog() const;

    // Handlers of the crash dialog's requests. With the dialog open a package is written in the
    // background: true then means that it is on its way.
    bool sendCrashReport();
    bool saveCrashReport();
    bool restartController();
    bool shutdownController();

    bool createCrashPackage(const QString& target);
    bool autoSaveCrashReport();

    // Starts the countdown to an automatic restart, one tick a second.
    void armAutoAction(std::chrono::seconds delay);
    void cancelAutoAction();
    bool isAutoActionRunning() const { return m_countdown.isRunning(); }

protected:
    void launched() override;
    // Reads the crash data file, and deletes it only when it was read as one.
    void readCrashData(const QString& path);
    // Creates and shows the crash dialog for the record, which must be present.
    void showDialog();

private:
    // The application is named for the failed controller's model.
    void setProductModel(const ProductModel& productModel);
    void reportCrash();
    // A termination request ends the episode as closing the dialog does, once it has begun.
    void requestTermination();
    // On the way out: a package being written is finished (and handed to the mail program
    // when it was meant for it), and the crash is kept with the comments typed so far.
    void finishEpisode();
    // Where the process ends without returning from exec() (a display server that went away
    // makes Qt call exit()), the episode is finished there, with status 0.
    static void finishBeforeExit();
    void rememberComments();
    QString comments() const;
    // When the console sends its packages: each automatic package goes to the service desk,
    // and the dialog says whether it got there.
    void prepareUploads();
    void uploadAutomatic(const QString& path);

    // The reporter's own arguments: the program, the crash data file, the instance number.
    const QStringList m_arguments;
    // Before every member that makes QObjects: each of their events passes notify(), which
    // hands it to the countdown.
    AutoActionCountdown m_countdown;
    ApplicationIdentity m_identity{SuiteApplication::ControllerCrashDesk, std::uint8_t{0}};
    std::optional<CrashRecord> m_record;
    QPointer<CrashReportWidget> m_dialog;
    QDateTime m_crashTime;
    QString m_comments;
    OperatorFeedback m_feedback;
    EpisodePackages m_packages;
    MailDispatch m_mail;
    std::unique_ptr<UploadQueue> m_uploadQueue;
    std::unique_ptr<UploadSender> m_uploads;
    QString m_uploading; // the episode's own package, on its way to the service desk
    bool m_launchDone = false;
    bool m_terminationRequested = false;
    bool m_crashReported = false;
    bool m_finished = false;
    bool m_uploadsOnTheWayOut = true;
};
