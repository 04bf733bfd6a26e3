#include "varn_args.h"

#include <algorithm>
#include <cstring>

#include "appframe.h"
#include "log.h"
#include "sensor.h"

namespace {

constexpr char szFullWakeupOption[] = "--full-wakeup";
// Longest piece of a refused argument that a message shows.
constexpr size_t SHOWN_MAX = 64;

std::vector<VarnCommand>& Registry()
{
    static std::vector<VarnCommand> commands;
    return commands;
}

VarnInvocation Done(int nExit)
{
    VarnInvocation inv;
    inv.nExit = nExit;
    return inv;
}

VarnInvocation Usage(FILE* pErr, const char* szFormat, const std::string& sArg)
{
    std::fprintf(pErr, "varn: ");
    std::fprintf(pErr, szFormat, sArg.c_str());
    std::fprintf(pErr, "\nTry 'varn --help'.\n");
    return Done(EXIT_USAGE);
}

void PrintCommandHelp(FILE* pOut, const VarnCommand& c)
{
    std::fprintf(pOut, "Usage: varn %s %s\n%s\n", c.szName, c.szArgs, c.szHelp);
}

// The two-word command wins over a one-word one ("config load" over
// "config"), whatever order the command files registered in.
bool IsCommandName(const std::string& sName)
{
    for (const VarnCommand& c : Registry())
        if (sName == c.szName)
            return true;
    return false;
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

void VarnPrintHelp(FILE* pOut)
{
    std::fprintf(pOut,
                 "Usage: varn [--log FILE] [--full-wakeup] COMMAND [ARGS]\n"
                 "Talks to the sensor on PORT (a path such as /dev/ttyUSB0 or a simulator link).\n\n"
                 "Commands:\n");
    for (const VarnCommand& c : VarnCommands())
        std::fprintf(pOut, "  %-16s %-20s %s\n", c.szName, c.szArgs, c.szHelp);
    std::fprintf(pOut,
                 "\nOptions:\n"
                 "  --log FILE      append the serial traffic and messages to FILE\n"
                 "  --full-wakeup   wake the console with the desktop programs' whole sequence\n"
                 "                  (every \"wakeup!\", each answer read to its time-out: about 5 s)\n"
                 "                  for a sensor that needs it; without it the wake-up ends as\n"
                 "                  soon as the console has answered (well under a second)\n"
                 "  --help          show this help (also after a command)\n"
                 "\nExit status: 0 success, 1 the sensor or port failed, 2 bad usage.\n");
}

VarnInvocation VarnParseArgs(const std::vector<std::string>& vWords, FILE* pOut, FILE* pErr)
{
    VarnInvocation inv;
    size_t i = 0;
    while (i < vWords.size() && vWords[i].rfind("--", 0) == 0) {
        if (vWords[i] == "--help") {
            VarnPrintHelp(pOut);
            return Done(EXIT_OK);
        }
        if (vWords[i] == "--log") {
            if (i + 1 >= vWords.size())
                return Usage(pErr, "%s needs a file name", "--log");
            if (vWords[i + 1].size() >= APP_PATH_SIZE)
                return Usage(pErr, "%s: file name too long", "--log");
            inv.sLogFile = vWords[i + 1];
            i += 2;
            continue;
        }
        if (vWords[i] == szFullWakeupOption) {
            inv.bFullWakeup = true;
            i++;
            continue;
        }
        return Usage(pErr, "unknown option '%s'", vWords[i]);
    }
    if (i >= vWords.size()) {
        VarnPrintHelp(pErr);
        return Done(EXIT_USAGE);
    }
    const std::string name = vWords[i];
    // Families of commands take two words ("logger info"); empty when there
    // is no second word, so a one-word command never matches as two.
    const std::string twoWords = i + 1 < vWords.size() ? name + " " + vWords[i + 1] : std::string();
    for (const VarnCommand& c : VarnCommands()) {
        if (twoWords == c.szName)
            i += 2;
        else if (name == c.szName && !IsCommandName(twoWords))
            i += 1;
        else
            continue;
        std::vector<std::string> args(vWords.begin() + static_cast<long>(i), vWords.end());
        for (const std::string& a : args) {
            if (a == "--help") {
                PrintCommandHelp(pOut, c);
                return Done(EXIT_OK);
            }
        }
        const auto full = std::remove(args.begin(), args.end(), std::string(szFullWakeupOption));
        if (full != args.end()) {
            inv.bFullWakeup = true;
            args.erase(full, args.end());
        }
        const int n = static_cast<int>(args.size());
        if (n < c.nMinArgs || (c.nMaxArgs >= 0 && n > c.nMaxArgs)) {
            std::fprintf(pErr, "Usage: varn %s %s\n", c.szName, c.szArgs);
            return Done(EXIT_USAGE);
        }
        for (const std::string& a : args) {
            if (a.size() >= APP_PATH_SIZE || a.size() > SENSOR_COMMAND_MAX / 2)
                return Usage(pErr, "argument too long: '%.40s...'", a);
        }
        inv.pCommand = &c;
        inv.vArgs = std::move(args);
        return inv;
    }
    // A family name alone ("varn logger", "varn logger --help") lists the
    // family's commands.
    const std::string family = name + " ";
    bool found = false;
    const bool help = i + 1 < vWords.size() && vWords[i + 1] == "--help";
    FILE* out = help ? pOut : pErr;
    for (const VarnCommand& c : VarnCommands()) {
        if (std::strncmp(c.szName, family.c_str(), family.size()) == 0) {
            if (!found)
                std::fprintf(out, "Commands of 'varn %s':\n", name.c_str());
            std::fprintf(out, "  %-16s %-20s %s\n", c.szName, c.szArgs, c.szHelp);
            found = true;
        }
    }
    if (found)
        return Done(help ? EXIT_OK : EXIT_USAGE);
    return Usage(pErr, "unknown command '%s'", name);
}

int VarnCheckCommandText(const char* szCommand, const char* szRole, const std::string& sArg, FILE* pErr)
{
    if (SensorTextFitsCommand(sArg.data(), sArg.size()))
        return EXIT_OK;
    std::fprintf(pErr, "varn: %s: %s '%s' holds a carriage return, line feed or zero byte, refused\n", szCommand,
                 szRole, LogPrintable(sArg.data(), sArg.size(), SHOWN_MAX).c_str());
    return EXIT_USAGE;
}
