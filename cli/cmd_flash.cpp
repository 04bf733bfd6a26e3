// Bootloader commands: upload a firmware image and show the bootloader's
// information, with the flash program's protocol code, time-outs and
// messages. Progress goes to standard error; the information to standard
// output.
#include <cstdio>
#include <string>
#include <vector>

#include "appframe.h"
#include "bootloader.h"
#include "cli.h"
#include "frontend.h"
#include "log.h"

namespace {

// The flash program's profile: its trace label, message size and no opening
// time-out; the log file stays the one chosen with --log.
void UseFlashProfile()
{
    nProgram = PROGRAM_FLASH;
    CliInstallMessages();
}

int RunBootloader(const std::string& sPort, const std::string& sFile, int bInfoOnly, bool bYes)
{
    UseFlashProfile();
    CliFrontEnd frontEnd(bYes);
    FlashRun run;
    run.sPort = sPort;
    run.sFile = sFile;
    run.bInfoOnly = bInfoOnly;
    run.pFrontEnd = &frontEnd;
    std::fprintf(stderr, "Power the sensor down, then up within %u s...\n", BLDR_START_WINDOW_MS / 1000);
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
    if (!FlashCheckImage(words[1].c_str(), nullptr))
        return EXIT_FAILED;
    return RunBootloader(words[0], words[1], 0, yes);
}

int RunBootloaderInfo(const std::vector<std::string>& args)
{
    if (!CliNoOptionsLeft(args))
        return EXIT_USAGE;
    return RunBootloader(args[0], "", 1, false);
}

const VarnCommandGroup tFlashCommands({
    {"flash", "PORT IMAGE [--yes|-y]",
     "Upload IMAGE; power the sensor up within 10 s. Old devices ask about firmware > 2.36: on the "
     "terminal, else No unless --yes.",
     2, 3, RunFlash},
    {"bootloader-info", "PORT",
     "Show the bootloader's version, unique id and flash sizes; power the sensor up within 10 s.",
     1, 1, RunBootloaderInfo},
});

}  // namespace
