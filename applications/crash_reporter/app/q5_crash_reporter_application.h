#pragma once

#include "crash_reporter/channel/crash_record.h"
#include "crash_reporter/dialog/crash_report_widget.h"
#include "crash_reporter/package/crash_package.h"
#include "crash_reporter/package/package_job.h"
#include "crash_reporter/package/package_limits.h"
#include "q5_suite/suite_identity.h"
#include "tessera/application/application.h"

#include <QApplication>
#include <QDateTime>
#include <QPointer>
#include <QStringList>

#include <chrono>
#include <functional>
#include <optional>

// One crash episode: reads the failed controller's record and crash data, then shows the
// crash dialog or saves a crash package silently, and ends with exit status 0. The crash is
// kept from the start: a package is saved into the Crash Dumps folder as the dialog opens, and
// on the way out it takes the comments typed since, unless the operator saved a package that
// holds them. The crash data file goes only once a package holds its data.
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
    bool isAutoActionRunning() const { return m_autoActionTimerId != 0; }

protected:
    void launched() override;
    void timerEvent(QTimerEvent* event) override;
    // Reads the crash data file, and deletes it only when it was read as one.
    void readCrashData(const QString& path);
    // Creates and shows the crash dialog for the record, which must be present.
    void showDialog();

private:
    using PackageDone = std::function<void(const PackageOutcome&, const QString& comments)>;
    using AutoSaveDone = std::function<void(const std::optional<QString>&)>;
    enum class Packaging { Now, InBackground };
    // A package that holds the crash, the comments it holds, and the file written.
    struct KeptPackage {
        QString path;
        QString comments;
        std::optional<CrashReporter::Platform::FileIdentity> identity;
        qint64 size = 0;
    };

    // The application is named for the failed controller's model.
    void setProductModel(const ProductModel& productModel);
    void reportCrash();
    // A termination request ends the episode as closing the dialog does, once it has begun.
    void requestTermination();
    // On the way out: a package being written is finished (and handed to the mail program
    // when it was meant for it), and the crash is kept with the comments typed so far.
    void finishEpisode();
    void keep(const QString& path, const QString& comments, bool automatic,
              const PackageOutcome& outcome);
    static bool isStillThere(const KeptPackage& kept);
    bool dumpFitsBeside(const QString& folder, const QString& replacing = {}) const;
    // Saves the crash again, into the automatic package when there is one.
    void updateAutomaticPackage(Packaging packaging, AutoSaveDone done);
    // Where the process ends without returning from exec() (a display server that went away
    // makes Qt call exit()), the episode is finished there, with status 0.
    static void finishBeforeExit();
    void rememberComments();
    QString comments() const;

    // Writes the package now, or in the background while the dialog is open; `done` gets the
    // outcome. False when a package is already being written. ReplaceOwn replaces only `own`;
    // without `withDump` the package leaves the dump out.
    bool package(const QString& target, PackageTarget mode, Packaging packaging, PackageDone done,
                 const std::optional<CrashReporter::Platform::FileIdentity>& own = {},
                 bool withDump = true);
    void finishPackaging(const PackageOutcome& outcome);
    CrashPackageContents packageContents() const;

    // The next free automatic name in the first folder that takes the package.
    void autoSave(Packaging packaging, AutoSaveDone done);
    void autoSaveFrom(QStringList folders, int number, Packaging packaging, AutoSaveDone done);
    bool handOffToMail(const QString& attachment, const PackageOutcome& outcome);
    void reportFailedHandOff();

    void showError(const QString& text);
    void showResult(const QString& text, const PackageOutcome& outcome);
    QString dumpProblemText(const PackageOutcome& outcome) const;
    // The mouse position on the screen: a move reaches both a window and the widget under the
    // mouse, each in its own coordinates.
    void trackMouseMove(QPoint position);

    // The reporter's own arguments: the program, the crash data file, the instance number.
    const QStringList m_arguments;
    ApplicationIdentity m_identity{SuiteApplication::ControllerCrashDesk, std::uint8_t{0}};
    std::optional<CrashRecord> m_record;
    QPointer<CrashReportWidget> m_dialog;
    PackageJob* m_packaging = nullptr;
    std::function<void(const PackageOutcome&)> m_packagingDone;
    int m_autoActionTimerId = 0;
    qint64 m_autoActionCountdown = 0;
    QPoint m_rememberedMousePoint{-1, -1};
    QString m_dumpFilePath;
    QDateTime m_crashTime;
    QStringList m_outputLog;
    QString m_comments;
    // The crash data file, while no package holds what it held.
    QString m_crashDataFile;
    // The episode's own package in the Crash Dumps folder, and the last the operator saved.
    std::optional<KeptPackage> m_automatic;
    std::optional<KeptPackage> m_saved;
    const PackageLimits m_packageLimits = PackageLimits::fromEnvironment();
    bool m_launchDone = false;
    bool m_terminationRequested = false;
    bool m_crashReported = false;
    bool m_leaving = false;
    bool m_finished = false;
};
