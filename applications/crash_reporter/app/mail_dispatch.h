#pragma once

#include <QCoreApplication>

class EpisodePackages;
class OperatorFeedback;
struct PackageOutcome;

// Mails the crash to the service department: a package is written as the attachment and handed
// to the mail program. A hand-off cannot be verified, so the episode still keeps its automatic
// package; one that fails tells the operator where that package is, to attach it by hand.
class MailDispatch
{
    Q_DECLARE_TR_FUNCTIONS(MailDispatch)

public:
    MailDispatch(EpisodePackages& packages, OperatorFeedback& feedback);

    // True when the package was handed off, or, with the dialog open, is on its way.
    bool send();

private:
    bool handOff(const QString& attachment, const PackageOutcome& outcome);
    void reportFailedHandOff();

    EpisodePackages& m_packages;
    OperatorFeedback& m_feedback;
};
