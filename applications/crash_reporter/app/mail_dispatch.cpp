#include "mail_dispatch.h"

#include "crash_reporter/mail/platform/mail_attachment.h"
#include "crash_reporter/mail/platform/mail_hand_off.h"
#include "episode_packages.h"
#include "operator_feedback.h"
#include "orrery_core/diagnostics/log.h"
#include "q5_suite/suite_identity.h"

#include <QDir>

#include <memory>

MailDispatch::MailDispatch(EpisodePackages& packages, OperatorFeedback& feedback)
    : m_packages(packages)
    , m_feedback(feedback)
{}

bool MailDispatch::send()
{
    Orrery::log(Orrery::ProgressLevel, "Sending crash report\n");
    const QString failure =
        tr("There was a problem creating a crash report package to attach to the email.");
    if (m_packages.isWriting())
        return false;
    const QString attachment = CrashReporter::Platform::newMailAttachmentPath();
    if (attachment.isEmpty()) {
        m_feedback.showError(failure);
        return false;
    }
    // Known at once without the dialog; with it, the package is on its way.
    const auto handedOff = std::make_shared<bool>(true);
    const bool packaged = m_packages.package(
        attachment, PackageTarget::Replace, EpisodePackages::Packaging::InBackground,
        [this, attachment, failure, handedOff](const PackageOutcome& outcome, const QString&) {
            if (outcome.result != PackageResult::Written) {
                CrashReporter::Platform::discardMailAttachment(attachment);
                return m_feedback.showError(failure);
            }
            *handedOff = handOff(attachment, outcome);
        });
    return packaged && *handedOff;
}

bool MailDispatch::handOff(const QString& attachment, const PackageOutcome& outcome)
{
    const QString subject = QStringLiteral("Q5-PC Crash Report");
    const QString body = tr("Your Q5-PC crash report is attached to this email.");
    const QString currentDirectory = QDir::currentPath();
    const bool sent = CrashReporter::Platform::sendMapiMail(
        QString::fromLatin1(Suite::ServiceDepartmentName),
        QString::fromLatin1(Suite::ServiceDepartmentAddress), subject, body, attachment,
        [this](int status) {
            m_feedback.showResult(tr("The mail program reported a problem (status %1): the "
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
    m_feedback.showResult(tr("The crash report was handed to the mail program."), outcome);
    return true;
}

// The operator learns that nothing reached the mail program, and where the package is to be
// attached by hand: the automatic one, brought up to date.
void MailDispatch::reportFailedHandOff()
{
    m_packages.updateAutomatic(
        EpisodePackages::Packaging::InBackground, [this](const std::optional<QString>& saved) {
            const QString text = tr("The crash report could not be handed to the mail program.");
            m_feedback.showError(
                saved ? text + QLatin1Char(' ') +
                            tr("It was saved as %1 instead; please attach it to an email by "
                               "hand.")
                                .arg(QDir::toNativeSeparators(*saved))
                      : text + QLatin1Char(' ') + tr("It could not be saved either."));
        });
}
