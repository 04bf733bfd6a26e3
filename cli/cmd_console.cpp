// Console commands: parameters and the configuration listing,
// with the configuration program's wake-up, time-outs and messages.
#include <cstdio>
#include <string>
#include <vector>

#include "appframe.h"
#include "cli.h"
#include "sensor.h"
#include "serial.h"
#include "varn_args.h"

namespace {

// Time-out of console commands, as in the configuration program.
constexpr unsigned CONSOLE_TIMEOUT_MS = 1000;

// Opens the port and wakes the console with the configuration program's
// time-out (the wake-up mode is varn's, see varn.cpp).
bool OpenConsole(const std::string& sPort)
{
    if (!SerialOpen(sPort.c_str()))
        return false;
    if (!SerialSetTimeout(CONSOLE_TIMEOUT_MS) || !SensorWakeup()) {
        SerialClose();
        return false;
    }
    return true;
}

int RunGet(const std::vector<std::string>& args)
{
    for (size_t i = 1; i < args.size(); i++) {
        if (VarnCheckCommandText("get", "KEY", args[i], stderr) != EXIT_OK)
            return EXIT_USAGE;
    }
    if (!OpenConsole(args[0]))
        return EXIT_FAILED;
    const bool several = args.size() > 2;
    int status = EXIT_OK;
    for (size_t i = 1; i < args.size(); i++) {
        char value[SENSOR_RESULT_SIZE];
        // The key is its own label: the command line has no page captions.
        if (!SensorCmdGet(args[i].c_str(), args[i].c_str(), value, sizeof value)) {
            status = EXIT_FAILED;
            break;
        }
        if (several)
            std::printf("%s=%s\n", args[i].c_str(), value);
        else
            std::printf("%s\n", value);
    }
    SerialClose();
    return status;
}

int RunSet(const std::vector<std::string>& args)
{
    if (VarnCheckCommandText("set", "KEY", args[1], stderr) != EXIT_OK ||
        VarnCheckCommandText("set", "VALUE", args[2], stderr) != EXIT_OK)
        return EXIT_USAGE;
    if (!OpenConsole(args[0]))
        return EXIT_FAILED;
    int ok = SensorCmdSet(args[1].c_str(), args[1].c_str(), args[2].c_str());
    SerialClose();
    return ok ? EXIT_OK : EXIT_FAILED;
}

int RunConfig(const std::vector<std::string>& args)
{
    if (!OpenConsole(args[0]))
        return EXIT_FAILED;
    std::vector<char> text(CurrentProfile().uConfigReadSize + 1);
    int ok = SensorCmdConfig(text.data(), text.size());
    SerialClose();
    if (!ok)
        return EXIT_FAILED;
    std::string out(text.data());
    // The listing uses the console's CR LF; print plain lines.
    std::string plain;
    for (char c : out)
        if (c != '\r')
            plain += c;
    std::printf("%s\n", plain.c_str());
    return EXIT_OK;
}

const VarnCommandGroup tConsoleCommands({
    {"get", "PORT KEY...", "Read parameters; one key prints its value, several print KEY=VALUE lines.",
     2, -1, RunGet, ""},
    {"set", "PORT KEY VALUE", "Write one parameter.", 3, 3, RunSet, ""},
    {"config", "PORT", "Print the sensor's configuration listing.", 1, 1, RunConfig, ""},
});

}  // namespace
