#include "cli/platform/terminal.h"

#include <unistd.h>

namespace Platform {

bool standardErrorIsTerminal()
{
    return ::isatty(STDERR_FILENO) == 1;
}

} // namespace Platform
