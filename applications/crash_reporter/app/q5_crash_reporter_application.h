#pragma once

#include "application/application.h"
#include "channel/crash_record.h"
#include "dialog/crash_report_widget.h"
#include "package/crash_package.h"
#include "package/package_job.h"

#include <QApplication>
#include <QDateTime>
#include <QPointer>
#include <QStringList>

#include <chrono>
#include <optional>

// One crash episode: reads the failed controller's record and crash data, then shows the
// crash dialog or saves a crash package silently, and ends with exit status 0.
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

    // Handlers of the crash dialog's requests.
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
    // Reads and deletes the crash data file.
    void readCrashData(const QString& path);

private:
    void reportCrash();
    void showDialog();
    // When the episode ends with a dialog shown and nothing written yet, the crash is saved
    // into the Crash Dumps folder first: closing the dialog must not lose it.
    void saveBeforeLeaving();
    // The automatic save; the name written, or none.
    std::optional<QString> autoSavePackage();
    void showError(const QString& text);
    void reportFailedHandOff();
    void autoSaveInBackground(std::function<void(const std::optional<QString>&)> then,
                              int firstNumber = 0);
    // With the dialog open the package is written on a worker while the dialog shows its
    // progress; without it, at once. Then runs the continuation with the result.
    void package(const QString& target, PackageTarget mode, QFileDevice::Permissions permissions,
                 std::function<void(PackageResult)> then);
    CrashPackageContents packageContents() const;
    bool handOffToMail(const QString& attachment);
    PackageResult buildCrashPackage(const QString& target, PackageTarget mode,
                                    QFileDevice::Permissions permissions = {});
    // The mouse position relative to the receiving widget.
    void trackMouseMove(QPoint position);

    std::optional<CrashRecord> m_record;
    QPointer<CrashReportWidget> m_dialog;
    PackageJob* m_packaging = nullptr;
    int m_autoActionTimerId = 0;
    qint64 m_autoActionCountdown = 0;
    QString m_dumpFilePath;
    QDateTime m_crashTime;
    QStringList m_outputLog;
    bool m_dialogShown = false;
    bool m_packageWritten = false;
};
