#include "operator_feedback.h"

#include <QApplication>
#include <QMessageBox>
#include <QtDebug>

void OperatorFeedback::showError(const QString& text) const
{
    if (m_leaving) {
        qDebug("%s", qPrintable(text));
        return;
    }
    QMessageBox::critical(QApplication::activeWindow(), tr("Error"), text, QMessageBox::Ok,
                          QMessageBox::NoButton);
}

void OperatorFeedback::showResult(const QString& text, const PackageOutcome& outcome) const
{
    const QString problem = dumpProblemText(outcome);
    showResult(problem.isEmpty()
                   ? text
                   : text + QLatin1Char(' ') + tr("The dump file is not in it: %1.").arg(problem));
}

void OperatorFeedback::showResult(const QString& text) const
{
    if (m_dialog && !m_leaving)
        m_dialog->setResult(text);
}

QString OperatorFeedback::dumpProblemText(const PackageOutcome& outcome)
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
