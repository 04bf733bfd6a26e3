// The installer's command line and its two modes without a window.
#include <chrono>
#include <thread>

#include "fileutil.h"
#include "install.h"
#include "install_files.h"
#include "log.h"
#include "suite.h"

InstallCommand InstallParseCommandLine(int argc, const char* const* argv)
{
    InstallCommand cmd;
    std::vector<std::string> args;
    for (int i = 1; i < argc; i++) {
        // A path cut to fit would name another file: too long is unknown.
        if (std::string(argv[i]).size() > INSTALL_PATH_MAX)
            return cmd;
        args.emplace_back(argv[i]);
    }
    if (!args.empty())
        cmd.sCmd = args[0];
    if (args.size() == 2 && args[0] == "install") {
        cmd.nMode = INSTALL_MODE_INSTALL;
        cmd.sTmpDir = args[1];
    } else if (args.size() == 4 && args[0] == "self") {
        cmd.nMode = INSTALL_MODE_SELF;
        cmd.sTmpDir = args[1];
        cmd.sSource = args[2];
        cmd.sDest = args[3];
    }
    return cmd;
}

int InstallSelfMode(const char* szTmpDir, const char* szSource, const char* szDest)
{
    Log("SELF : %s, %s, %s", szTmpDir, szSource, szDest);
    std::this_thread::sleep_for(std::chrono::milliseconds(tInstallWaits.uSelfMs));
    // The installer's file is not deleted first: the move replaces it in one
    // step, so a missing new installer leaves the old one in place.
    if (!FileExists(szSource) || FileSpecialKind(szSource) != nullptr)
        return Error("Could not self install '%s' (File '%s' not found) !", INSTALL_PROGRAM, szSource);
    InstallKeepExecBits(szSource, szDest);
    if (!InstallMoveFile(szSource, szDest))
        return Error("Could not self install '%s' (Could not move file '%s' to '%s') !", INSTALL_PROGRAM, szSource,
                     szDest);
    const std::string params = "install \"" + std::string(szTmpDir) + "\"";
    return ExecTools(INSTALL_PROGRAM, params.c_str());
}

int InstallHandOver()
{
    const std::string updater = std::string(szAppDir) + APP_SEPARATOR + SuiteProgramFile(SUITE_UPDATE_PROGRAM);
    if (!FileExists(updater.c_str()))
        return 0;
    return ExecTools(SUITE_UPDATE_PROGRAM, "");
}
