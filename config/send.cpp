// Configuration send: every parameter that applies to the sensor, from its
// control, the averaging durations in their safe order, the reboot, the
// lock, and the follow-up load.
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "codecs.h"
#include "config_run.h"
#include "config_task.h"
#include "derived.h"
#include "log.h"
#include "operations.h"
#include "param_table.h"
#include "progress.h"
#include "sensor.h"
#include "serial.h"
#include "value_check.h"

namespace {

constexpr unsigned SEND_STEPS_LOCKED = 28;
constexpr unsigned SEND_STEPS_UNLOCKED = 36;

// How one "set" ended: accepted, refused by the sensor (its status line
// came back), or failed on the line.
struct SetOutcome {
    bool bOk = true;
    bool bAnswered = false;
    std::string sReply;
};

SetOutcome TrySet(const SensorParam& p, const std::string& sValue)
{
    char result[SENSOR_RESULT_SIZE];
    const std::string cmd = std::string("set ") + p.szKey + " " + sValue;
    SetOutcome o;
    o.bOk = SensorCmd(cmd.c_str(), result, sizeof result) == 1;
    o.bAnswered = SensorLastAnswered() == 1;
    o.sReply = result;
    return o;
}

// The failure of a "set": a refusal names the parameter and the sensor's
// reason; only a failure of the line points at the connection.
std::string SetFailureText(const SensorParam& p, const std::string& sValue, const SetOutcome& o)
{
    const std::string what = std::string("Could not set parameter '") + p.szLabel + "' (" + p.szKey + "=" +
                             SensorShortValue(sValue.c_str()) + ")\n" + (o.sReply.empty() ? "Refused" : o.sReply) +
                             " !";
    if (o.bAnswered)
        return "The sensor refused a value !\n\n" + what;
    return CurrentProfile().szFailPrefix + what;
}

int Set(ConfigRun& run, const SensorParam& p, const std::string& sValue)
{
    run.Step();
    const SetOutcome o = TrySet(p, sValue);
    return o.bOk ? 1 : Error("%s", SetFailureText(p, sValue, o).c_str());
}

// Puts the durations of the last load back on a sensor left halfway
// through the averaging sequence, with A at 1 s and C at 1 s or at its new
// value: C and M (when M may have changed) in the order that keeps C within
// M at every step, then A. The sentence for the message.
std::string RestoreAveraging(const SensorParam& a, const SensorParam& c, const SensorParam& m, bool bMChanged,
                             const std::string& sNewM)
{
    const std::string oldA = ConfigLoadedValue(a.szKey);
    const std::string oldC = ConfigLoadedValue(c.szKey);
    const std::string oldM = ConfigLoadedValue(m.szKey);
    std::vector<std::pair<const SensorParam*, std::string>> steps;
    if (!bMChanged)
        steps = {{&c, oldC}};
    else if (ConfigToNumber(oldC.c_str()) <= ConfigToNumber(sNewM.c_str()))
        steps = {{&c, oldC}, {&m, oldM}};
    else
        steps = {{&m, oldM}, {&c, oldC}};
    steps.emplace_back(&a, oldA);

    std::string done, reason;
    if (SerialIsHungUp())
        reason = "the line is lost";
    else if (oldA.empty() || oldC.empty() || oldM.empty())
        reason = "they were not loaded";
    for (size_t i = 0; i < steps.size() && reason.empty(); i++) {
        const std::string set = std::string(steps[i].first->szKey) + "=" + steps[i].second;
        const SetOutcome o = TrySet(*steps[i].first, steps[i].second);
        if (!o.bOk)
            reason = set + ": " + (o.sReply.empty() ? "Refused" : o.sReply);
        else
            done += (done.empty() ? "" : ", ") + set;
    }
    if (reason.empty())
        return "\n\nThe averaging durations were put back as loaded (" + done + ") !";
    return "\n\nThe averaging durations could not be put back (" + reason +
           "): the sensor may be left with avg-a=1 and avg-c=1 until the next successful send !";
}

// Acquisition within cycle within measurement at every moment: A and C go
// to 1 first, then M, C and A take their new values. A failure halfway puts
// the loaded durations back before it is reported.
int SendAveraging(ConfigRun& run)
{
    const SensorParam& a = *SensorParamByKey("avg-a");
    const SensorParam& c = *SensorParamByKey("avg-c");
    const SensorParam& m = *SensorParamByKey("avg-m");
    const std::string newM = ParamGetValue(m, USE_SEND);
    const std::pair<const SensorParam*, std::string> steps[] = {
        {&a, "1"}, {&c, "1"}, {&m, newM}, {&c, ParamGetValue(c, USE_SEND)}, {&a, ParamGetValue(a, USE_SEND)},
    };
    constexpr size_t M_STEP = 2;
    for (size_t i = 0; i < std::size(steps); i++) {
        run.Step();
        const SetOutcome o = TrySet(*steps[i].first, steps[i].second);
        if (o.bOk)
            continue;
        std::string text = SetFailureText(*steps[i].first, steps[i].second, o);
        // The first command refused by the sensor has changed nothing.
        if (i > 0 || !o.bAnswered)
            text += RestoreAveraging(a, c, m, i > M_STEP || (i == M_STEP && !o.bAnswered), newM);
        return Error("%s", text.c_str());
    }
    return 1;
}

}  // namespace

int SendSensorConfigFn()
{
    const bool unlocked = bAdmin.load() == 1;
    // Nothing goes out before every value has been found fit to go out.
    if (!ConfigCheckSendValues(unlocked))
        return 0;
    ConfigRun run(unlocked ? SEND_STEPS_UNLOCKED : SEND_STEPS_LOCKED);
    DlgPrgOpen(szSendTitle);
    SerialSetTimeout(tConfigTimeouts.uIdentifyMs);
    run.Status(STATUS_WAKING_UP);
    if (!SensorWakeup())
        return ConfigRun::Finish(0);

    run.Status(STATUS_SENDING_PARAMETERS);
    bool averagingSent = false;
    for (size_t i = 0; i < uSensorParamCount; i++) {
        const SensorParam& p = tSensorParams[i];
        if ((p.uOps & OP_SEND) == 0 || !SensorParamAppliesNow(p))
            continue;
        if (p.nPage == PAGE_FACTORY && !unlocked)
            continue;
        // A stop (the window closing) ends the run between two parameters,
        // never inside the averaging sequence, as a failure that has
        // nothing more to say.
        if (ConfigStopping())
            return ConfigRun::Finish(0);
        if (p.nPage == PAGE_AVERAGING) {
            if (!averagingSent && !SendAveraging(run))
                return ConfigRun::FailOnPage(PAGE_AVERAGING);
            averagingSent = true;
            continue;
        }
        if (!Set(run, p, ParamGetValue(p, USE_SEND)))
            return ConfigRun::FailOnPage(p.nPage);
    }

    run.Status(STATUS_REBOOT);
    if (!SensorCmdReboot())
        return ConfigRun::Finish(0);
    bAdmin = 0;
    DlgFactoryStatus();
    ConfigPause(tConfigTimeouts.uRebootWaitMs);
    ConfigRun::Finish(1);
    // Queued: it opens its progress window after this one has closed.
    LoadSensorConfig(0);
    return 1;
}

int SendSensorConfig()
{
    return ConfigStart(CONFIG_OP_SEND, [] { return SendSensorConfigFn(); });
}
