// Windows part of the console seam.
#include <cstdio>
#include <fcntl.h>
#include <io.h>

#include "cli_console.h"

namespace {

// Standard output and error in binary mode before main runs: records and
// messages leave as the same bytes as on Linux, LF line ends included.
[[maybe_unused]] const bool bBinaryStreams = [] {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    return true;
}();

}  // namespace

bool CliStdinIsTerminal()
{
    return _isatty(_fileno(stdin)) != 0;
}

bool CliStderrIsTerminal()
{
    return _isatty(_fileno(stderr)) != 0;
}
