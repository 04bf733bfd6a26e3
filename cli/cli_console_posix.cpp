// POSIX part of the console seam.
#include <unistd.h>

#include "cli_console.h"

bool CliStdinIsTerminal()
{
    return isatty(STDIN_FILENO) == 1;
}

bool CliStderrIsTerminal()
{
    return isatty(STDERR_FILENO) == 1;
}
