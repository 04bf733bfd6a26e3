#include "varn_args.h"

#include <cctype>
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

namespace {

// The texts of the help and of the manual page.
struct HelpOption {
    const char* szNames;   // "--log FILE"
    const char* szText;    // one paragraph
};

constexpr char szSummary[] = "Talks to the sensor on PORT (a path such as /dev/ttyUSB0 or a simulator link).";
const HelpOption tGlobalOptions[] = {
    {"--log FILE", "append the serial traffic and messages to FILE ('-': standard error)"},
    {"--full-wakeup",
     "wake the console with the desktop programs' whole sequence (every \"wakeup!\", each answer read to its "
     "time-out: about 5 s) for a sensor that needs it; without it the wake-up ends as soon as the console has "
     "answered (well under a second)"},
    {"-h, --help", "show this help (after a command: the command's help)"},
    {"--version", "print the version and exit"},
};
constexpr char szFileRule[] =
    "A FILE given as '-' is standard output for what varn writes (config export, logger download) and "
    "standard input for what it reads (config import, config diff, flash); --log - writes to standard "
    "error.";
constexpr char szExitRule[] = "0 success, 1 the sensor, port or a file failed, 2 bad usage.";

// Prints sText wrapped at 79 columns from uFirstColumn on (where the
// caller's text ended), every further line indented by uIndent.
void PrintWrapped(FILE* pOut, const std::string& sText, size_t uIndent, size_t uFirstColumn)
{
    constexpr size_t WIDTH = 79;
    size_t column = uFirstColumn;
    size_t at = 0;
    bool first = true;
    while (at < sText.size()) {
        size_t end = sText.find(' ', at);
        if (end == std::string::npos)
            end = sText.size();
        const std::string word = sText.substr(at, end - at);
        if (!first && column + 1 + word.size() > WIDTH) {
            std::fprintf(pOut, "\n%*s", static_cast<int>(uIndent), "");
            column = uIndent;
        } else if (!first) {
            std::fputc(' ', pOut);
            column++;
        }
        std::fputs(word.c_str(), pOut);
        column += word.size();
        first = false;
        at = end + 1;
    }
    std::fputc('\n', pOut);
}

// roff text: a leading '.' or '\'' and every backslash and hyphen escaped.
std::string Roff(const std::string& sText)
{
    std::string out;
    for (char c : sText) {
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else
            out += c;
    }
    if (!out.empty() && (out[0] == '.' || out[0] == '\''))
        out.insert(0, "\\&");
    return out;
}

}  // namespace

const char* VarnVersion()
{
    return "varn " VARN_SUITE_VERSION;
}

void VarnPrintHelp(FILE* pOut)
{
    std::fprintf(pOut, "Usage: varn [--log FILE] [--full-wakeup] COMMAND [ARGS]\n%s\n\nCommands:\n", szSummary);
    for (const VarnCommand& c : VarnCommands()) {
        const int used = std::fprintf(pOut, "  %-16s %-20s ", c.szName, c.szArgs);
        PrintWrapped(pOut, c.szHelp, 40, static_cast<size_t>(used));
    }
    std::fprintf(pOut, "\nOptions:\n");
    for (const HelpOption& o : tGlobalOptions) {
        const int used = std::fprintf(pOut, "  %-15s ", o.szNames);
        PrintWrapped(pOut, o.szText, 18, static_cast<size_t>(used));
    }
    std::fputc('\n', pOut);
    PrintWrapped(pOut, szFileRule, 0, 0);
    std::fprintf(pOut, "\nExit status: %s\n", szExitRule);
}

void VarnPrintManPage(FILE* pOut)
{
    std::fprintf(pOut, ".TH VARN 1 \"\" \"%s\" \"User Commands\"\n", VarnVersion());
    std::fprintf(pOut, ".SH NAME\nvarn \\- the VARN sensor from the command line\n");
    std::fprintf(pOut, ".SH SYNOPSIS\n.B varn\n[\\fB\\-\\-log\\fR \\fIFILE\\fR] [\\fB\\-\\-full\\-wakeup\\fR] "
                       "\\fICOMMAND\\fR [\\fIARGS\\fR]\n");
    std::fprintf(pOut, ".SH DESCRIPTION\n%s\n.SH COMMANDS\n", Roff(szSummary).c_str());
    for (const VarnCommand& c : VarnCommands())
        std::fprintf(pOut, ".TP\n\\fB%s\\fR %s\n%s\n", Roff(c.szName).c_str(), Roff(c.szArgs).c_str(),
                     Roff(c.szHelp).c_str());
    std::fprintf(pOut, ".SH OPTIONS\n");
    for (const HelpOption& o : tGlobalOptions)
        std::fprintf(pOut, ".TP\n\\fB%s\\fR\n%s\n", Roff(o.szNames).c_str(), Roff(o.szText).c_str());
    std::fprintf(pOut, ".SH FILES\n%s\n", Roff(szFileRule).c_str());
    std::fprintf(pOut, ".SH \"EXIT STATUS\"\n%s\n", Roff(szExitRule).c_str());
    std::fprintf(pOut, ".SH \"SEE ALSO\"\nThe user guide, Docs/VARN\\-UserGuide.pdf beside the programs "
                       "(/opt/varn in the package).\n");
}

bool VarnIsOptionWord(const std::string& sWord)
{
    if (sWord.size() < 2 || sWord[0] != '-')
        return false;
    const unsigned char second = static_cast<unsigned char>(sWord[1]);
    return std::isalpha(second) || (second == '-' && sWord.size() > 2);
}

namespace {

// true when the command takes the option named by sWord (up to a '=');
// *pbValue tells whether it takes a value.
bool CommandTakes(const VarnCommand& c, const std::string& sWord, bool* pbValue)
{
    const std::string name = sWord.substr(0, sWord.find('='));
    const std::string options = std::string(" ") + (c.szOptions ? c.szOptions : "") + " ";
    if (options.find(" " + name + " ") != std::string::npos) {
        *pbValue = false;
        return sWord.find('=') == std::string::npos;
    }
    *pbValue = true;
    return options.find(" " + name + "= ") != std::string::npos;
}

}  // namespace

VarnInvocation VarnParseArgs(const std::vector<std::string>& vWords, FILE* pOut, FILE* pErr)
{
    VarnInvocation inv;
    size_t i = 0;
    while (i < vWords.size() && VarnIsOptionWord(vWords[i])) {
        if (vWords[i] == "--help" || vWords[i] == "-h") {
            VarnPrintHelp(pOut);
            return Done(EXIT_OK);
        }
        if (vWords[i] == "--version") {
            std::fprintf(pOut, "%s\n", VarnVersion());
            return Done(EXIT_OK);
        }
        if (vWords[i] == "--man-page") {
            VarnPrintManPage(pOut);
            return Done(EXIT_OK);
        }
        if (vWords[i] == "--complete") {
            const std::vector<std::string> what(vWords.begin() + static_cast<long>(i) + 1, vWords.end());
            return Done(VarnPrintCompletion(what, pOut) ? EXIT_OK : EXIT_USAGE);
        }
        if (vWords[i] == "--log" || vWords[i].rfind("--log=", 0) == 0) {
            const bool joined = vWords[i].size() > 5;
            if (!joined && i + 1 >= vWords.size())
                return Usage(pErr, "%s needs a file name", "--log");
            const std::string file = joined ? vWords[i].substr(6) : vWords[i + 1];
            if (file.empty() || file.size() >= APP_PATH_SIZE)
                return Usage(pErr, "%s: file name empty or too long", "--log");
            inv.sLogFile = file;
            i += joined ? 1 : 2;
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
        std::vector<std::string> args;
        for (size_t k = i; k < vWords.size(); k++) {
            const std::string& a = vWords[k];
            if (!VarnIsOptionWord(a)) {
                args.push_back(a);
                continue;
            }
            if (a == "--help" || a == "-h") {
                PrintCommandHelp(pOut, c);
                return Done(EXIT_OK);
            }
            if (a == szFullWakeupOption) {
                inv.bFullWakeup = true;
                continue;
            }
            bool value = false;
            if (!CommandTakes(c, a, &value)) {
                std::fprintf(pErr, "varn %s: unknown option '%s'\nTry 'varn %s --help'.\n", c.szName,
                             LogPrintable(a.data(), a.size(), SHOWN_MAX).c_str(), c.szName);
                return Done(EXIT_USAGE);
            }
            args.push_back(a);
            // The value of "--name VALUE" is a word, whatever it looks like.
            if (value && a.find('=') == std::string::npos && k + 1 < vWords.size())
                args.push_back(vWords[++k]);
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
    const bool help = i + 1 < vWords.size() && (vWords[i + 1] == "--help" || vWords[i + 1] == "-h");
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
