#include "cli/platform/terminal.h"

#include <io.h>

#include <cstdio>

namespace Platform {

bool standardErrorIsTerminal()
{
    return _isatty(_fileno(stderr)) != 0;
}

} // namespace Platform
