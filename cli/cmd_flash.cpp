// Bootloader commands: upload a firmware image and show the bootloader's
// information, with the flash program's protocol code, time-outs and
// messages. Progress goes to standard error; the information to standard
// output.
//
// Ctrl-C, SIGTERM or SIGHUP ends the wait for the bootloader, or an upload
// after the block in flight, with a word that the sensor must be flashed
// again; a second one ends varn at once.
#include <cstdio>
#include <string>
#include <vector>

#include "appframe.h"
#include "bootloader.h"
#include "cli.h"
#include "cli_interrupt.h"
#include "frontend.h"
#include "log.h"
#include "stdio_file.h"

namespace {

// varn's front end, which also tells the interrupt what a second signal
// leaves behind once the upload has begun.
class FlashCliFrontEnd : public CliFrontEnd {
public:
    using CliFrontEnd::CliFrontEnd;
    void Progress(int nPosition, int nStep, const char* szText) override
    {
        if (nStep == FLASH_STEP_BEGIN_UPLOAD)
            CliInterrupt::SetLastWords(
                "\nStopped during the upload: the sensor holds an incomplete image and must be flashed again !\n");
        CliFrontEnd::Progress(nPosition, nStep, szText);
    }
};

// The flash program's profile: its trace label, message size and no opening
// time-out; the log file stays the one chosen with --log.
void UseFlashProfile()
{
    nProgram = PROGRAM_FLASH;
}

int RunBootloader(const std::string& sPort, const std::string& sFile, int bInfoOnly, bool bYes)
{
    UseFlashProfile();
    FlashCliFrontEnd frontEnd(bYes);
    AutoResetEvent cancel;
    FlashRun run;
    run.sPort = sPort;
    run.sFile = sFile;
    run.bInfoOnly = bInfoOnly;
    run.pFrontEnd = &frontEnd;
    run.pCancel = &cancel;
    run.bCancelUpload = 1;
    std::fprintf(stderr, "Power the sensor down, then up within %u s...\n", BLDR_START_WINDOW_MS / 1000);
    CliInterrupt interrupt(cancel, "stopping the wait, or the upload after the current block");
    return ProcessThread(run) ? EXIT_OK : EXIT_FAILED;
}

int RunFlash(const std::vector<std::string>& args)
{
    std::vector<std::string> words = args;
    const bool yes = CliTakeYes(words);
    if (!CliNoOptionsLeft(words))
        return EXIT_USAGE;
    if (words.size() != 2) {
        std::fprintf(stderr, "Usage: varn flash PORT IMAGE [--yes]\n");
        return EXIT_USAGE;
    }
    // Nobody should power-cycle a sensor for an image that cannot go.
    UseFlashProfile();
    CliStdioFile stream;
    std::string image;
    if (!stream.Input(words[1], &image) || !FlashCheckImage(image.c_str(), nullptr))
        return EXIT_FAILED;
    return RunBootloader(words[0], image, 0, yes);
}

int RunBootloaderInfo(const std::vector<std::string>& args)
{
    if (!CliNoOptionsLeft(args))
        return EXIT_USAGE;
    return RunBootloader(args[0], "", 1, false);
}

const VarnCommandGroup tFlashCommands({
    {"flash", "PORT IMAGE [--yes|-y]",
     "Upload IMAGE ('-': standard input); power the sensor up within 10 s. Old devices ask about firmware > 2.36: on the "
     "terminal, else No unless --yes.",
     2, 3, RunFlash, "--yes -y"},
    {"bootloader-info", "PORT",
     "Show the bootloader's version, unique id and flash sizes; power the sensor up within 10 s.",
     1, 1, RunBootloaderInfo, ""},
});

}  // namespace
