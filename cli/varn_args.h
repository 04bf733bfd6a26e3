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
// helps. "--full-wakeup" may stand before or after the command; "--log",
// "--version" and "-h"/"--help" before it ("-h"/"--help" also after it, for
// the command's help). After the command, a word that looks like an option
// ("-x", "--xy"; not "-", not a number such as "-5") must be one the
// command takes (VarnCommand::szOptions), or the line is refused with status
// 2. An argument longer than a path or half the longest command is
// refused.
VarnInvocation VarnParseArgs(const std::vector<std::string>& vWords, FILE* pOut, FILE* pErr);

// true when the word is an option by the rule above.
bool VarnIsOptionWord(const std::string& sWord);

// The help of the whole tool and, from the same texts, the manual page
// varn(1) in roff (written at build time, so the two cannot drift).
void VarnPrintManPage(FILE* pOut);

// The suite's version, as --version prints it ("varn 1.0").
const char* VarnVersion();

// A key or value that goes into a console command (get, set) may not hold
// CR, LF or NUL: the sensor would take the rest as another command. Returns
// EXIT_OK, or EXIT_USAGE after naming the refused argument on pErr:
// "varn: get: KEY 'a<0x0D>b' holds a carriage return, line feed or zero
// byte, refused".
int VarnCheckCommandText(const char* szCommand, const char* szRole, const std::string& sArg, FILE* pErr);

// The help of the whole tool.
void VarnPrintHelp(FILE* pOut);

// Completion words for the shell (bash completion calls "varn --complete
// WHAT"): "commands" the command names (first words, one a line),
// "options" followed by a command's words its options, "keys" the
// parameter keys. false for another WHAT.
bool VarnPrintCompletion(const std::vector<std::string>& vWhat, FILE* pOut);
