#pragma once

#include "crash_inbox/intake/package_filer.h"

#include <QString>

// A line of progress on standard error, rewritten in place, only on a terminal.
class Progress : public FilingProgress
{
public:
    Progress();
    ~Progress() override;

    void show(qsizetype done, qsizetype expected) override;
    void clear() override;

private:
    bool m_shown = false;
    bool m_enabled = false;
};
