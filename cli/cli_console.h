// The console varn runs in: whether its standard streams are a terminal.
//
// Platform part: cli_console_posix.cpp, cli_console_win.cpp. On Windows the
// standard output and error streams are also put into binary mode before
// main runs, so that what varn writes is the same bytes as on Linux (no
// line end turned into CR LF).
#pragma once

// true when standard input, or standard error, is an interactive terminal.
bool CliStdinIsTerminal();
bool CliStderrIsTerminal();
