// varn: command line access to the sensor for people who script.
//
// Each command opens the port, talks to the sensor exactly as the matching
// desktop program does (same wake-up, time-outs and messages), prints its
// result on standard output, reports failures on standard error and exits
// non-zero on failure.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "appframe.h"
#include "log.h"
#include "sensor.h"
#include "serial.h"

namespace {

constexpr int EXIT_OK = 0;
constexpr int EXIT_FAILED = 1;
constexpr int EXIT_USAGE = 2;

// Time-out of console commands, as in the configuration program.
constexpr unsigned CONSOLE_TIMEOUT_MS = 1000;

struct Command {
    const char* szName;
    const char* szArgs;
    const char* szHelp;
    int nMinArgs;
    int nMaxArgs;   // -1: no limit
    int (*pfnRun)(const std::vector<std::string>& args);
};

int Usage(const char* szFormat, const char* szArg)
{
    std::fprintf(stderr, "varn: ");
    std::fprintf(stderr, szFormat, szArg);
    std::fprintf(stderr, "\nTry 'varn --help'.\n");
    return EXIT_USAGE;
}

// Opens the port and wakes the console as the configuration program does.
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

int RunPorts(const std::vector<std::string>&)
{
    PortList list = LoadPortList();
    for (size_t i = 1; i < list.vEntries.size(); i++)
        std::printf("%s\n", list.vEntries[i].c_str());
    return EXIT_OK;
}

int RunGet(const std::vector<std::string>& args)
{
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

const Command tCommands[] = {
    {"ports", "", "List the serial ports that can be opened now.", 0, 0, RunPorts},
    {"get", "PORT KEY...", "Read parameters; one key prints its value, several print KEY=VALUE lines.",
     2, -1, RunGet},
    {"set", "PORT KEY VALUE", "Write one parameter.", 3, 3, RunSet},
    {"config", "PORT", "Print the sensor's configuration listing.", 1, 1, RunConfig},
};

void PrintHelp(FILE* f)
{
    std::fprintf(f,
                 "Usage: varn [--log FILE] COMMAND [ARGS]\n"
                 "Talks to the sensor on PORT (a path such as /dev/ttyUSB0 or a simulator link).\n\n"
                 "Commands:\n");
    for (const Command& c : tCommands)
        std::fprintf(f, "  %-8s %-16s %s\n", c.szName, c.szArgs, c.szHelp);
    std::fprintf(f,
                 "\nOptions:\n"
                 "  --log FILE   append the serial traffic and messages to FILE\n"
                 "  --help       show this help (also after a command)\n"
                 "\nExit status: 0 success, 1 the sensor or port failed, 2 bad usage.\n");
}

void PrintCommandHelp(const Command& c)
{
    std::printf("Usage: varn %s %s\n%s\n", c.szName, c.szArgs, c.szHelp);
}

}  // namespace

int main(int argc, char** argv)
{
    AppStartupFrame(PROGRAM_CONFIG);
    std::vector<std::string> words(argv + 1, argv + argc);
    size_t i = 0;
    while (i < words.size() && words[i].rfind("--", 0) == 0) {
        if (words[i] == "--help") {
            PrintHelp(stdout);
            return EXIT_OK;
        }
        if (words[i] == "--log") {
            if (i + 1 >= words.size())
                return Usage("%s needs a file name", "--log");
            if (words[i + 1].size() >= sizeof szLogFile)
                return Usage("%s: file name too long", "--log");
            std::snprintf(szLogFile, sizeof szLogFile, "%s", words[i + 1].c_str());
            bLogEnabled = 1;
            i += 2;
            continue;
        }
        return Usage("unknown option '%s'", words[i].c_str());
    }
    if (i >= words.size()) {
        PrintHelp(stderr);
        return EXIT_USAGE;
    }
    const std::string name = words[i++];
    for (const Command& c : tCommands) {
        if (name != c.szName)
            continue;
        std::vector<std::string> args(words.begin() + static_cast<long>(i), words.end());
        for (const std::string& a : args) {
            if (a == "--help") {
                PrintCommandHelp(c);
                return EXIT_OK;
            }
        }
        const int n = static_cast<int>(args.size());
        if (n < c.nMinArgs || (c.nMaxArgs >= 0 && n > c.nMaxArgs)) {
            std::fprintf(stderr, "Usage: varn %s %s\n", c.szName, c.szArgs);
            return EXIT_USAGE;
        }
        for (const std::string& a : args) {
            if (a.size() >= APP_PATH_SIZE || a.size() > SENSOR_COMMAND_MAX / 2)
                return Usage("argument too long: '%.40s...'", a.c_str());
        }
        return c.pfnRun(args);
    }
    return Usage("unknown command '%s'", name.c_str());
}
