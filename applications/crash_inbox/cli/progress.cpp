#include "progress.h"

#include "crash_inbox/cli/platform/terminal.h"

#include <cstdio>

Progress::Progress()
    : m_enabled(CrashInbox::Platform::standardErrorIsTerminal())
{}

Progress::~Progress()
{
    clear();
}

void Progress::show(qsizetype done, qsizetype expected)
{
    if (!m_enabled)
        return;
    std::fprintf(stderr, "\r\x1b[KFiling: %lld of %lld", static_cast<long long>(done),
                 static_cast<long long>(expected));
    std::fflush(stderr);
    m_shown = true;
}

void Progress::clear()
{
    if (!m_shown)
        return;
    std::fprintf(stderr, "\r\x1b[K");
    std::fflush(stderr);
    m_shown = false;
}
