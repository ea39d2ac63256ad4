#pragma once

#include "crash_inbox/intake/filing_outcome.h"
#include "progress.h"

#include <QTextStream>

// Tells the terminal of a filing run: one line for each package on standard output, "added ID
// PATH", "known ID PATH" or "rejected PATH: REASON", and how far it got on standard error.
class FilingReport : public FilingListener
{
public:
    explicit FilingReport(QTextStream& out);

    void filed(const FilingOutcome& outcome) override;
    void progressed(qsizetype done, qsizetype expected) override;

    int rejected() const { return m_rejected; }

private:
    QTextStream& m_out;
    Progress m_progress;
    int m_rejected = 0;
};
