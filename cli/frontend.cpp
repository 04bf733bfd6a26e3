#include "frontend.h"

#include <atomic>
#include <cstdio>
#include <cstring>

#include "cli_console.h"

#include "varn_args.h"

namespace {

// A progress line is open on standard error (written without its line end).
std::atomic<bool> bLineOpen{false};

void PrintMessage(MessageKind nKind, const char* szText)
{
    static const char* const tLabel[] = {"ERROR", "WARNING", "INFO"};
    CliFrontEnd::EndLine();
    std::fprintf(stderr, "%s : %s\n", tLabel[nKind], szText);
}

}  // namespace

CliFrontEnd::CliFrontEnd(bool bYes) : bAssumeYes(bYes), bTerminal(CliStderrIsTerminal()) {}

CliFrontEnd::~CliFrontEnd()
{
    EndLine();
}

void CliFrontEnd::EndLine()
{
    if (bLineOpen.exchange(false)) {
        std::fputc('\n', stderr);
        std::fflush(stderr);
    }
}

void CliFrontEnd::Progress(int nPosition, int nStep, const char* szText)
{
    if (nStep == TASK_STEP_IDLE)
        return;
    const int position = nPosition < 0 ? 0 : nPosition > 100 ? 100 : nPosition;
    const int tenth = position / 10;
    if (bTerminal) {
        // Redrawn only when something a reader can see changed: a new step,
        // or the percentage of a long one.
        if (nStep == nLastStep && nStep != TASK_STEP_NONE && position == nLastTenth)
            return;
        std::fprintf(stderr, "\r\033[K[%3d%%] %s", position, szText);
        std::fflush(stderr);
        bLineOpen = true;
        nLastStep = nStep;
        nLastTenth = position;
        return;
    }
    if (nStep == nLastStep && nStep != TASK_STEP_NONE && tenth == nLastTenth)
        return;
    nLastStep = nStep;
    nLastTenth = tenth;
    std::fprintf(stderr, "[%3d%%] %s\n", position, szText);
}

void CliFrontEnd::State(int, const char*)
{
    EndLine();
}

int CliFrontEnd::Question(MessageKind, const char* szText)
{
    EndLine();
    std::fprintf(stderr, "%s\n", szText);
    if (bAssumeYes) {
        std::fprintf(stderr, "Answered Yes (--yes).\n");
        return 1;
    }
    if (!CliStdinIsTerminal()) {
        std::fprintf(stderr, "Answered No (no terminal to ask on; --yes answers Yes).\n");
        return 0;
    }
    std::fprintf(stderr, "[y/N] ");
    std::fflush(stderr);
    char answer[16] = "";
    if (std::fgets(answer, sizeof answer, stdin) == nullptr) {
        std::fputc('\n', stderr);
        return 0;
    }
    return answer[0] == 'y' || answer[0] == 'Y';
}

void CliFrontEnd::Information(const char* szText)
{
    EndLine();
    std::fputs(szText, stdout);
    const size_t n = std::strlen(szText);
    if (n == 0 || szText[n - 1] != '\n')
        std::fputc('\n', stdout);
    std::fflush(stdout);
}

void CliInstallMessages()
{
    SetMessageHandler(PrintMessage);
}

bool CliTakeFlag(std::vector<std::string>& vArgs, const char* szLong, const char* szShort)
{
    bool found = false;
    for (auto it = vArgs.begin(); it != vArgs.end();) {
        if (*it == szLong || (szShort != nullptr && *it == szShort)) {
            found = true;
            it = vArgs.erase(it);
        } else {
            ++it;
        }
    }
    return found;
}

bool CliTakeYes(std::vector<std::string>& vArgs)
{
    return CliTakeFlag(vArgs, "--yes", "-y");
}

int CliTakeOption(std::vector<std::string>& vArgs, const char* szName, std::string* pValue)
{
    const std::string prefix = std::string(szName) + "=";
    for (auto it = vArgs.begin(); it != vArgs.end(); ++it) {
        if (it->rfind(prefix, 0) == 0) {
            *pValue = it->substr(prefix.size());
            vArgs.erase(it);
            return 1;
        }
        if (*it == szName) {
            if (it + 1 == vArgs.end()) {
                std::fprintf(stderr, "varn: %s needs a value\n", szName);
                return -1;
            }
            *pValue = *(it + 1);
            vArgs.erase(it, it + 2);
            return 1;
        }
    }
    return 0;
}

bool CliNoOptionsLeft(const std::vector<std::string>& vArgs)
{
    for (const std::string& a : vArgs) {
        if (VarnIsOptionWord(a)) {
            std::fprintf(stderr, "varn: unknown option '%s'\n", a.c_str());
            return false;
        }
    }
    return true;
}
