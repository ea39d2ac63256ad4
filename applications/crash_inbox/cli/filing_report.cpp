#include "filing_report.h"

#include "crash_inbox/text/printable.h"

FilingReport::FilingReport(QTextStream& out)
    : m_out(out)
{}

void FilingReport::filed(const FilingOutcome& outcome)
{
    m_progress.clear();
    switch (outcome.kind) {
    case FilingOutcome::Kind::Added:
    case FilingOutcome::Kind::Known:
    case FilingOutcome::Kind::Updated:
        m_out << outcome.word() << ' ' << outcome.id << ' ' << printable(outcome.path) << Qt::endl;
        break;
    case FilingOutcome::Kind::Rejected:
        m_out << "rejected " << printable(outcome.path) << ": " << printable(outcome.reason)
              << Qt::endl;
        ++m_rejected;
        break;
    }
}

void FilingReport::progressed(qsizetype done, qsizetype expected)
{
    m_progress.show(done, expected);
}
