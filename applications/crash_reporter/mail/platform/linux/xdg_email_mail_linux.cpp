#include "crash_reporter/mail/platform/mail_hand_off.h"

#include <QCoreApplication>
#include <QProcess>
#include <QtDebug>

#include <memory>

namespace CrashReporter::Platform {

namespace {

// xdg-email returns only when the program it launches returns: at once for a desktop opener
// or a running mail client, only when the client quits otherwise. The operator's dialog waits
// this long at most; after that the hand-off goes on by itself.
constexpr int StatusWaitMs = 3000;

// xdg-email's own statuses: 0 ok, 1 syntax, 2 file missing, 3 no tool, 4 action failed,
// 5 file unreadable.
bool isSuccess(const QProcess& process)
{
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// A hand-off still running when the wait ends is left to run. Its QProcess is deliberately
// never destroyed: that would kill xdg-email and with it, possibly, the mail client.
void letRunOn(QProcess* process, std::function<void(int)> failedLater)
{
    QObject::connect(
        process, &QProcess::finished, process, [process, failedLater = std::move(failedLater)] {
            if (!isSuccess(*process)) {
                qDebug("The mail client hand-off ended with status %d", process->exitCode());
                if (failedLater)
                    failedLater(process->exitCode());
            }
            process->deleteLater();
        });
}

} // namespace

bool sendMapiMail(const QString&, const QString& recipientAddress, const QString& subject,
                  const QString& body, const QString& attachmentPath,
                  std::function<void(int)> failedLater)
{
    auto process = std::make_unique<QProcess>();
    // No pipes back to us: the mail client may outlive this process.
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    QStringList arguments = {QStringLiteral("--utf8"), QStringLiteral("--subject"), subject,
                             QStringLiteral("--body"), body};
    if (!attachmentPath.isEmpty())
        arguments << QStringLiteral("--attach") << attachmentPath;
    arguments << recipientAddress;
    process->start(QStringLiteral("xdg-email"), arguments);

    if (!process->waitForStarted())
        return false;
    if (!process->waitForFinished(StatusWaitMs)) {
        letRunOn(process.release(), std::move(failedLater));
        return true;
    }
    return isSuccess(*process);
}

// The client may read the attachment long after xdg-email returned.
bool mailClientReleasesAttachmentOnReturn()
{
    return false;
}

} // namespace CrashReporter::Platform
