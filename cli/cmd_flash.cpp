// Bootloader commands: upload a firmware image and show the bootloader's
// information, with the flash program's protocol code, time-outs and
// messages. Progress goes to standard error; the information to standard
// output.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "appframe.h"
#include "bootloader.h"
#include "cli.h"
#include "log.h"

namespace {

constexpr char szYesOption[] = "--yes";

class TerminalFrontEnd : public FlashFrontEnd {
public:
    explicit TerminalFrontEnd(bool bYes) : bAssumeYes(bYes), bTty(isatty(STDERR_FILENO) == 1) {}

    ~TerminalFrontEnd() override { EndLine(); }

    void Progress(int nPosition, const char* szText) override
    {
        // The window's idle hint names its buttons; nothing to show here.
        if (std::strcmp(szText, szFlashIdleHint) == 0)
            return;
        if (bTty) {
            // One line that keeps being rewritten.
            std::fprintf(stderr, "\r\033[K[%3d%%] %s", nPosition, szText);
            bLineOpen = true;
            return;
        }
        // Without a terminal: a line when the step changes, or every tenth
        // of a long step, so logs stay readable.
        const std::string step = WithoutDigits(szText);
        if (step == sLastStep && nPosition / 10 == nLastTenth)
            return;
        sLastStep = step;
        nLastTenth = nPosition / 10;
        std::fprintf(stderr, "[%3d%%] %s\n", nPosition, szText);
    }

    void State(int) override { EndLine(); }
    void DisableCancel() override {}

    int AskYesNo(const char* szText) override
    {
        EndLine();
        std::fprintf(stderr, "%s\n", szText);
        if (bAssumeYes) {
            std::fprintf(stderr, "Answered Yes (%s).\n", szYesOption);
            return 1;
        }
        if (isatty(STDIN_FILENO) != 1) {
            std::fprintf(stderr, "Answered No (no terminal to ask; %s answers Yes).\n", szYesOption);
            return 0;
        }
        std::fprintf(stderr, "[y/N] ");
        std::fflush(stderr);
        char answer[16] = "";
        if (std::fgets(answer, sizeof answer, stdin) == nullptr)
            return 0;
        return answer[0] == 'y' || answer[0] == 'Y';
    }

    void ShowInformation(const char* szText) override
    {
        EndLine();
        std::fputs(szText, stdout);
        std::fflush(stdout);
    }

private:
    void EndLine()
    {
        if (bLineOpen)
            std::fputc('\n', stderr);
        bLineOpen = false;
    }

    static std::string WithoutDigits(const char* szText)
    {
        std::string out;
        for (const char* p = szText; *p != '\0'; p++)
            if (!std::isdigit(static_cast<unsigned char>(*p)))
                out += *p;
        return out;
    }

    bool bAssumeYes;
    bool bTty;
    bool bLineOpen = false;
    std::string sLastStep;
    int nLastTenth = -1;
};

// Reporter texts are printed on standard error, one line each, so they do
// not run into the progress line.
void PrintMessage(MessageKind nKind, const char* szText)
{
    static const char* const tLabel[] = {"ERROR", "WARNING", "INFO"};
    std::fprintf(stderr, "\r\033[K%s : %s\n", tLabel[nKind], szText);
}

void PrintMessagePlain(MessageKind nKind, const char* szText)
{
    static const char* const tLabel[] = {"ERROR", "WARNING", "INFO"};
    std::fprintf(stderr, "%s : %s\n", tLabel[nKind], szText);
}

int RunBootloader(const std::string& sPort, const std::string& sFile, int bInfoOnly, bool bYes)
{
    // The flash program's profile: its trace label, message size and no
    // opening time-out; the log file stays the one chosen with --log.
    nProgram = PROGRAM_FLASH;
    SetMessageHandler(isatty(STDERR_FILENO) == 1 ? PrintMessage : PrintMessagePlain);
    TerminalFrontEnd frontEnd(bYes);
    FlashRun run;
    run.sPort = sPort;
    run.sFile = sFile;
    run.bInfoOnly = bInfoOnly;
    run.pFrontEnd = &frontEnd;
    std::fprintf(stderr, "Power the sensor down, then up within %u s...\n", BLDR_START_WINDOW_MS / 1000);
    return ProcessThreadRun(run) ? EXIT_OK : EXIT_FAILED;
}

int RunFlash(const std::vector<std::string>& args)
{
    std::vector<std::string> words;
    bool yes = false;
    for (const std::string& a : args) {
        if (a == szYesOption)
            yes = true;
        else
            words.push_back(a);
    }
    if (words.size() != 2) {
        std::fprintf(stderr, "Usage: varn flash PORT IMAGE [--yes]\n");
        return EXIT_USAGE;
    }
    // Nobody should power-cycle a sensor for an image that cannot be read.
    FILE* f = std::fopen(words[1].c_str(), "rb");
    if (f == nullptr) {
        std::fprintf(stderr, "ERROR : Could not open file '%s' !\n", words[1].c_str());
        return EXIT_FAILED;
    }
    std::fclose(f);
    return RunBootloader(words[0], words[1], 0, yes);
}

int RunBootloaderInfo(const std::vector<std::string>& args)
{
    return RunBootloader(args[0], "", 1, false);
}

const VarnCommandGroup tFlashCommands({
    {"flash", "PORT IMAGE [--yes]",
     "Upload IMAGE; power the sensor up within 10 s. Old devices ask about firmware > 2.36: on the "
     "terminal, else No unless --yes.",
     2, 3, RunFlash},
    {"bootloader-info", "PORT",
     "Show the bootloader's version, unique id and flash sizes; power the sensor up within 10 s.",
     1, 1, RunBootloaderInfo},
});

}  // namespace
