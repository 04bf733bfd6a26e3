// The varn tool's one front end for every command family: the progress
// line, the yes/no prompt, information on standard output and the reporter
// texts on standard error.
//
// Progress goes to standard error. On a terminal it is one line, rewritten
// in place; otherwise a line is printed when the step changes, or when a
// long step passes another tenth of its way, so that logs stay readable.
// The idle hint a window shows at the end of a run names its buttons and
// is never printed.
#pragma once

#include <string>
#include <vector>

#include "task.h"

class CliFrontEnd : public TaskFrontEnd {
public:
    // bAssumeYes: every question is answered Yes (--yes / -y).
    explicit CliFrontEnd(bool bAssumeYes = false);
    ~CliFrontEnd() override;

    void Progress(int nPosition, int nStep, const char* szText) override;
    void State(int nState, const char* szTitle) override;
    // Yes with --yes; otherwise asked on the terminal ("[y/N]"); without a
    // terminal to ask on the answer is No, and the message says how to
    // answer Yes.
    int Question(MessageKind nIcon, const char* szText) override;
    void Information(const char* szText) override;

    // Ends an open progress line, so the next output starts on a line of
    // its own.
    static void EndLine();

private:
    bool bAssumeYes;
    bool bTerminal;
    int nLastStep = -1;
    int nLastTenth = -1;
};

// Installs varn's reporter handler: "ERROR : text" (WARNING, INFO) on
// standard error, after ending an open progress line.
void CliInstallMessages();

// --- Options of the command families ------------------------------------

// Removes every occurrence of the flag (long form, and the short one when
// given) from vArgs; true when it was there.
bool CliTakeFlag(std::vector<std::string>& vArgs, const char* szLong, const char* szShort = nullptr);
// The same for "--yes" / "-y".
bool CliTakeYes(std::vector<std::string>& vArgs);
// Removes "NAME VALUE" (or "NAME=VALUE") from vArgs. 1 with the value, 0
// when absent, -1 when the value is missing (reported on standard error).
int CliTakeOption(std::vector<std::string>& vArgs, const char* szName, std::string* pValue);
// true when no word left in vArgs looks like an option (VarnIsOptionWord:
// "-x", "--x"; a lone "-" and a number such as "-5" are words); otherwise
// reports the first one as unknown.
bool CliNoOptionsLeft(const std::vector<std::string>& vArgs);
