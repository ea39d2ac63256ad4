#include "crash_inbox/cli/platform/terminal.h"

#include <unistd.h>

namespace CrashInbox::Platform {

bool standardErrorIsTerminal()
{
    return ::isatty(STDERR_FILENO) == 1;
}

} // namespace CrashInbox::Platform
