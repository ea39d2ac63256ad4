#include "progress.h"

#include "platform/terminal.h"

#include <cstdio>

Progress::Progress()
    : m_enabled(Platform::standardErrorIsTerminal())
{}

Progress::~Progress()
{
    clear();
}

void Progress::show(const QString& text)
{
    if (!m_enabled)
        return;
    std::fprintf(stderr, "\r\x1b[K%s", qPrintable(text));
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
