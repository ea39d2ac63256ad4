#pragma once

#include <QtGlobal>

// A line of progress on standard error, rewritten in place, only on a terminal.
class Progress
{
public:
    Progress();
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void show(qsizetype done, qsizetype expected);
    void clear();

private:
    bool m_shown = false;
    bool m_enabled = false;
};
