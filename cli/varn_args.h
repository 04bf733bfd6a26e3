// The varn tool's command line: the global options, the command and its
// arguments, taken from the words after the program name. A function on
// words, so that tests and the fuzzer call it without starting a command.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "cli.h"

// What a command line asks for.
struct VarnInvocation {
    // -1: run pCommand with vArgs; otherwise the command line is done (help
    // printed, or a usage error reported) and varn exits with this status.
    int nExit = -1;
    const VarnCommand* pCommand = nullptr;
    std::vector<std::string> vArgs;
    std::string sLogFile;        // --log FILE; empty: no log
    bool bFullWakeup = false;    // --full-wakeup
};

// Parses the words (argv without the program name). Help goes to pOut,
// usage errors to pErr, each ending in "Try 'varn --help'." where that
// helps. "--full-wakeup" may stand before or after the command; "--log" and
// "--help" before it ("--help" also after it, for the command's help).
// An argument longer than a path or half the longest command is refused.
VarnInvocation VarnParseArgs(const std::vector<std::string>& vWords, FILE* pOut, FILE* pErr);

// A key or value that goes into a console command (get, set) may not hold
// CR, LF or NUL: the sensor would take the rest as another command. Returns
// EXIT_OK, or EXIT_USAGE after naming the refused argument on pErr:
// "varn: get: KEY 'a<0x0D>b' holds a carriage return, line feed or zero
// byte, refused".
int VarnCheckCommandText(const char* szCommand, const char* szRole, const std::string& sArg, FILE* pErr);

// The help of the whole tool.
void VarnPrintHelp(FILE* pOut);
