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
#include "cli.h"
#include "log.h"
#include "sensor.h"

namespace {

std::vector<VarnCommand>& Registry()
{
    static std::vector<VarnCommand> commands;
    return commands;
}

int Usage(const char* szFormat, const char* szArg)
{
    std::fprintf(stderr, "varn: ");
    std::fprintf(stderr, szFormat, szArg);
    std::fprintf(stderr, "\nTry 'varn --help'.\n");
    return EXIT_USAGE;
}

void PrintHelp(FILE* f)
{
    std::fprintf(f,
                 "Usage: varn [--log FILE] COMMAND [ARGS]\n"
                 "Talks to the sensor on PORT (a path such as /dev/ttyUSB0 or a simulator link).\n\n"
                 "Commands:\n");
    for (const VarnCommand& c : VarnCommands())
        std::fprintf(f, "  %-16s %-20s %s\n", c.szName, c.szArgs, c.szHelp);
    std::fprintf(f,
                 "\nOptions:\n"
                 "  --log FILE   append the serial traffic and messages to FILE\n"
                 "  --help       show this help (also after a command)\n"
                 "\nExit status: 0 success, 1 the sensor or port failed, 2 bad usage.\n");
}

void PrintCommandHelp(const VarnCommand& c)
{
    std::printf("Usage: varn %s %s\n%s\n", c.szName, c.szArgs, c.szHelp);
}

}  // namespace

VarnCommandGroup::VarnCommandGroup(std::vector<VarnCommand> vCommands)
{
    for (VarnCommand& c : vCommands)
        Registry().push_back(c);
}

const std::vector<VarnCommand>& VarnCommands()
{
    return Registry();
}

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
    const std::string name = words[i];
    // Families of commands take two words ("logger info"); empty when there
    // is no second word, so a one-word command never matches as two.
    const std::string twoWords = i + 1 < words.size() ? name + " " + words[i + 1] : std::string();
    for (const VarnCommand& c : VarnCommands()) {
        if (twoWords == c.szName)
            i += 2;
        else if (name == c.szName)
            i += 1;
        else
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
    // A family name alone ("varn logger", "varn logger --help") lists the
    // family's commands.
    const std::string family = name + " ";
    bool found = false;
    const bool help = i + 1 < words.size() && words[i + 1] == "--help";
    FILE* out = help ? stdout : stderr;
    for (const VarnCommand& c : VarnCommands()) {
        if (std::strncmp(c.szName, family.c_str(), family.size()) == 0) {
            if (!found)
                std::fprintf(out, "Commands of 'varn %s':\n", name.c_str());
            std::fprintf(out, "  %-16s %-20s %s\n", c.szName, c.szArgs, c.szHelp);
            found = true;
        }
    }
    if (found)
        return help ? EXIT_OK : EXIT_USAGE;
    return Usage("unknown command '%s'", name.c_str());
}
