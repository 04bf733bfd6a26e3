// Configuration commands: the configuration program's own load, send and
// reset on in-memory pages, so that a script gets exactly the requests and
// the messages of the window.
//
// "config load" prints the identity fields and derived figures as
// "Label: value" lines, then every parameter the load read as "key=value"
// in table order. "config send" loads, changes the named values on the
// pages as a user would (a value the pages cannot show, or a control the
// sensor's kind has disabled, is refused before anything is sent), then
// runs the Apply sequence and prints the reloaded configuration.
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "appframe.h"
#include "cli.h"
#include "codecs.h"
#include "config_session.h"
#include "config_task.h"
#include "derived.h"
#include "frontend.h"
#include "memory_pages.h"
#include "param_table.h"
#include "progress.h"
#include "serial.h"

namespace {

struct Edit {
    std::string sKey;
    std::string sValue;
};

// The state of a control that a user's change can alter.
struct ControlState {
    bool bChecked;
    int nSelected;
    std::string sText;
    ConfigDate tDate;
};

ControlState StateOf(MemoryPages& pages, CtlId id)
{
    return {pages.Checked(id), pages.Selected(id), pages.Text(id), pages.Date(id)};
}

// A control the change has set (checked, selected, typed into): unchecking
// the button a group had before is part of the user's click elsewhere.
bool ChangedByUser(const ControlState& a, const ControlState& b)
{
    return (!a.bChecked && b.bChecked) || a.nSelected != b.nSelected || a.sText != b.sText || !(a.tDate == b.tDate);
}

// The pages show the value given: the field mask as a whole number (decimal
// or 0x hexadecimal) of the thirteen boxes, everything else as typed.
bool SameValue(const SensorParam& p, const std::string& sGiven, const std::string& sShown)
{
    if (p.nCodec != CODEC_LOGGER_FIELDS)
        return sGiven == sShown;
    char* end = nullptr;
    const long long mask = std::strtoll(sGiven.c_str(), &end, 0);
    return !sGiven.empty() && *end == '\0' && std::to_string(mask) == sShown;
}

// Changes one value on the pages as a user would; false (reported on
// standard error) when the pages cannot take it.
bool ApplyEdit(MemoryPages& pages, const SensorParam& p, const std::string& sValue)
{
    const std::vector<CtlId> controls = ParamControls(p);
    std::vector<ControlState> before;
    for (CtlId id : controls)
        before.push_back(StateOf(pages, id));
    ParamSetValue(p, sValue.c_str(), USE_FILE);
    for (size_t i = 0; i < controls.size(); i++) {
        if (!ChangedByUser(before[i], StateOf(pages, controls[i])))
            continue;
        if (!pages.Enabled(controls[i]) || !pages.Visible(controls[i])) {
            std::fprintf(stderr, "varn: %s=%s cannot be set on this sensor: '%s' is disabled\n", p.szKey,
                         sValue.c_str(), pages.Caption(controls[i]).c_str());
            return false;
        }
        ConfigPageReaction(controls[i]);
    }
    const std::string shown = ParamGetValue(p, USE_FILE);
    if (!SameValue(p, sValue, shown)) {
        std::fprintf(stderr, "varn: '%s' is not a value of %s on this sensor (the page would send '%s')\n",
                     sValue.c_str(), p.szKey, shown.c_str());
        return false;
    }
    return true;
}

// KEY=VALUE words into edits; false (reported) for a malformed one, an
// unknown key, one that is never sent, or a key given twice.
bool ParseEdits(const std::vector<std::string>& vWords, std::vector<Edit>* pEdits)
{
    std::map<std::string, bool> seen;
    for (const std::string& w : vWords) {
        const size_t eq = w.find('=');
        if (eq == std::string::npos || eq == 0) {
            std::fprintf(stderr, "varn: '%s' is not KEY=VALUE\n", w.c_str());
            return false;
        }
        Edit e{w.substr(0, eq), w.substr(eq + 1)};
        const SensorParam* p = SensorParamByKey(e.sKey.c_str());
        if (p == nullptr) {
            std::fprintf(stderr, "varn: unknown parameter '%s'\n", e.sKey.c_str());
            return false;
        }
        bool sent = false;
        for (size_t i = 0; i < uSensorParamCount; i++)
            sent = sent || (std::strcmp(tSensorParams[i].szKey, p->szKey) == 0 && (tSensorParams[i].uOps & OP_SEND));
        if (!sent) {
            std::fprintf(stderr, "varn: '%s' is read only\n", e.sKey.c_str());
            return false;
        }
        if (e.sValue.find_first_of("\r\n") != std::string::npos) {
            std::fprintf(stderr, "varn: the value of '%s' holds a line end\n", e.sKey.c_str());
            return false;
        }
        if (seen[e.sKey]) {
            std::fprintf(stderr, "varn: '%s' is given twice\n", e.sKey.c_str());
            return false;
        }
        seen[e.sKey] = true;
        pEdits->push_back(e);
    }
    return true;
}

// The edits in table order, so that a mode is chosen before the field it
// enables is typed into, as on the page. EXIT_OK, or EXIT_USAGE reported.
int ApplyEdits(MemoryPages& pages, const std::vector<Edit>& vEdits)
{
    const unsigned kind = SensorKindBit();
    const int firmware = nSensorFirmware.load();
    for (const Edit& e : vEdits) {
        const SensorParam* p = SensorParamFor(e.sKey.c_str(), OP_SEND, kind, firmware);
        if (p == nullptr) {
            std::fprintf(stderr, "varn: the %s sensor (firmware %.2f) has no parameter '%s'\n", szSensorType,
                         fSensorVersion.load(), e.sKey.c_str());
            return EXIT_USAGE;
        }
        if (p->nPage == PAGE_FACTORY && bAdmin.load() != 1) {
            std::fprintf(stderr, "varn: '%s' is a factory parameter: unlock with --unlock PASSWORD\n",
                         e.sKey.c_str());
            return EXIT_USAGE;
        }
    }
    for (size_t i = 0; i < uSensorParamCount; i++) {
        const SensorParam& row = tSensorParams[i];
        for (const Edit& e : vEdits) {
            if (SensorParamFor(e.sKey.c_str(), OP_SEND, kind, firmware) == &row && !ApplyEdit(pages, row, e.sValue))
                return EXIT_USAGE;
        }
    }
    return EXIT_OK;
}

// PORT and the remaining words, after the options; false (reported) on
// an unknown option or a missing port.
bool TakeWords(std::vector<std::string> vArgs, bool bMoreWords, std::string* pPort,
               std::vector<std::string>* pWords, bool* pbYes, std::string* pUnlock, int* pnUnlock)
{
    *pbYes = CliTakeYes(vArgs);
    if (pUnlock != nullptr) {
        *pnUnlock = CliTakeOption(vArgs, "--unlock", pUnlock);
        if (*pnUnlock < 0)
            return false;
    }
    if (!CliNoOptionsLeft(vArgs))
        return false;
    if (vArgs.empty() || (!bMoreWords && vArgs.size() > 1)) {
        std::fprintf(stderr, "varn: give one PORT%s\n", bMoreWords ? " first" : "");
        return false;
    }
    *pPort = vArgs[0];
    pWords->assign(vArgs.begin() + 1, vArgs.end());
    return true;
}

int RunLoad(const std::vector<std::string>& vArgs)
{
    std::string port;
    std::vector<std::string> words;
    bool yes = false;
    if (!TakeWords(vArgs, false, &port, &words, &yes, nullptr, nullptr))
        return EXIT_USAGE;
    ConfigSession session(yes);
    if (!session.Finish(DlgMainConnect(port.c_str())))
        return EXIT_FAILED;
    session.Print();
    return EXIT_OK;
}

int RunSend(const std::vector<std::string>& vArgs)
{
    std::string port, password;
    std::vector<std::string> words;
    bool yes = false;
    int unlock = 0;
    if (!TakeWords(vArgs, true, &port, &words, &yes, &password, &unlock))
        return EXIT_USAGE;
    std::vector<Edit> edits;
    if (!ParseEdits(words, &edits))
        return EXIT_USAGE;

    ConfigSession session(yes);
    if (!session.Finish(DlgMainConnect(port.c_str())))
        return EXIT_FAILED;
    if (unlock == 1) {
        SetPasswordDialog([password](std::string* pText) {
            *pText = password;
            return true;
        });
        if (!DlgFactoryUnlock())
            return EXIT_FAILED;
    }
    const int status = ApplyEdits(session.pages, edits);
    if (status != EXIT_OK)
        return status;
    if (!session.Finish(SendSensorConfig()))
        return EXIT_FAILED;
    session.Print();
    return EXIT_OK;
}

int RunReset(const std::vector<std::string>& vArgs)
{
    std::string port;
    std::vector<std::string> words;
    bool yes = false;
    if (!TakeWords(vArgs, false, &port, &words, &yes, nullptr, nullptr))
        return EXIT_USAGE;
    ConfigSession session(yes);
    if (!SerialOpen(port.c_str()))
        return EXIT_FAILED;
    DlgMainStatus(1);
    if (!session.Finish(DlgMainReset()))
        return EXIT_FAILED;
    session.Print();
    return EXIT_OK;
}

const VarnCommandGroup tConfigCommands({
    {"config load", "PORT [--yes]",
     "Load the configuration as the configuration program does and print it (identity, then KEY=VALUE "
     "lines). --yes answers the debug-mode question.",
     1, 2, RunLoad, "--yes -y"},
    {"config send", "PORT [KEY=VALUE]... [--unlock PASSWORD] [--yes]",
     "Load, change the named values, send every parameter, reboot and reload; --unlock also sends the "
     "factory parameters.",
     1, -1, RunSend, "--unlock= --yes -y"},
    {"config reset", "PORT [--yes]",
     "Reset every sensor parameter to its default and reload; asks first unless --yes.", 1, 2, RunReset, "--yes -y"},
});

}  // namespace
