#pragma once

#include <QString>

// A line of progress on standard error, rewritten in place, only on a terminal.
class Progress
{
public:
    Progress();
    ~Progress();

    void show(const QString& text);
    void clear();

private:
    bool m_shown = false;
    bool m_enabled = false;
};
