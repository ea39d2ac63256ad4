#include "crash_inbox/cli/platform/terminal.h"

#include <io.h>

#include <cstdio>

namespace CrashInbox::Platform {

bool standardErrorIsTerminal()
{
    return _isatty(_fileno(stderr)) != 0;
}

} // namespace CrashInbox::Platform
