#pragma once

#include "crash_reporter/dialog/crash_report_widget.h"
#include "crash_reporter/package/crash_package.h"

#include <QCoreApplication>
#include <QPointer>

// What the episode tells the operator: results in the dialog, failures in an error box. On the
// way out nobody is there to read the dialog or answer a box: failures go to the debug output
// then.
class OperatorFeedback
{
    Q_DECLARE_TR_FUNCTIONS(OperatorFeedback)

public:
    void setDialog(CrashReportWidget* dialog) { m_dialog = dialog; }
    void setLeaving() { m_leaving = true; }

    void showError(const QString& text) const;
    // The text, and why the dump is not in the package when it is not.
    void showResult(const QString& text, const PackageOutcome& outcome) const;
    void showResult(const QString& text) const;

private:
    static QString dumpProblemText(const PackageOutcome& outcome);

    QPointer<CrashReportWidget> m_dialog;
    bool m_leaving = false;
};
