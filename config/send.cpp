// Configuration send: every parameter that applies to the sensor, from its
// control, the averaging durations in their safe order, the reboot, the
// lock, and the follow-up load.
#include <chrono>
#include <string>
#include <thread>

#include "codecs.h"
#include "config_task.h"
#include "derived.h"
#include "log.h"
#include "param_table.h"
#include "progress.h"
#include "sensor.h"
#include "serial.h"

namespace {

constexpr unsigned SEND_STEPS_LOCKED = 28;
constexpr unsigned SEND_STEPS_UNLOCKED = 36;

class SendRun {
public:
    explicit SendRun(bool bUnlocked) : tSum(bUnlocked ? SEND_STEPS_UNLOCKED : SEND_STEPS_LOCKED) {}
    void Step() { DlgPrgSetProgress(tSum.Advance()); }
    void Status(ConfigStatus nStatus)
    {
        DlgPrgSetStatus(nStatus);
        Step();
    }
    static int Finish(int ok)
    {
        DlgPrgSetProgress(100);
        DlgPrgClose();
        return ok;
    }
    static int FailOnPage(int nPage)
    {
        DlgMainTabSelect(static_cast<unsigned>(nPage));
        return Finish(0);
    }

private:
    TaskProgressSum tSum;
};

// One "set": a value holding a line end would end the command early and
// make the rest of it a command of its own, so it is refused here.
int Set(SendRun& run, const char* szLabel, const char* szKey, const std::string& sValue)
{
    run.Step();
    if (sValue.find_first_of("\r\n") != std::string::npos)
        return Error("%sCould not set parameter '%s' (%s)\nLine end in value !", CurrentProfile().szFailPrefix,
                     szLabel, szKey);
    return SensorCmdSet(szLabel, szKey, sValue.c_str());
}

// Acquisition within cycle within measurement at every moment: A and C go
// to 1 first, then M, C and A take their new values.
int SendAveraging(SendRun& run)
{
    const SensorParam* a = SensorParamByKey("avg-a");
    const SensorParam* c = SensorParamByKey("avg-c");
    const SensorParam* m = SensorParamByKey("avg-m");
    return Set(run, a->szLabel, a->szKey, "1") && Set(run, c->szLabel, c->szKey, "1") &&
           Set(run, m->szLabel, m->szKey, ParamGetValue(*m, USE_SEND)) &&
           Set(run, c->szLabel, c->szKey, ParamGetValue(*c, USE_SEND)) &&
           Set(run, a->szLabel, a->szKey, ParamGetValue(*a, USE_SEND));
}

}  // namespace

int SendSensorConfigFn()
{
    const bool unlocked = bAdmin.load() == 1;
    SendRun run(unlocked);
    DlgPrgOpen(szSendTitle);
    SerialSetTimeout(tConfigTimeouts.uIdentifyMs);
    run.Status(STATUS_WAKING_UP);
    if (!SensorWakeup())
        return SendRun::Finish(0);

    run.Status(STATUS_SENDING_PARAMETERS);
    bool averagingSent = false;
    for (size_t i = 0; i < uSensorParamCount; i++) {
        const SensorParam& p = tSensorParams[i];
        if ((p.uOps & OP_SEND) == 0 || !SensorParamAppliesNow(p))
            continue;
        if (p.nPage == PAGE_FACTORY && !unlocked)
            continue;
        if (p.nPage == PAGE_AVERAGING) {
            if (!averagingSent && !SendAveraging(run))
                return SendRun::FailOnPage(PAGE_AVERAGING);
            averagingSent = true;
            continue;
        }
        if (!Set(run, p.szLabel, p.szKey, ParamGetValue(p, USE_SEND)))
            return SendRun::FailOnPage(p.nPage);
    }

    run.Status(STATUS_REBOOT);
    if (!SensorCmdReboot())
        return SendRun::Finish(0);
    bAdmin = 0;
    DlgFactoryStatus();
    std::this_thread::sleep_for(std::chrono::milliseconds(tConfigTimeouts.uRebootWaitMs));
    SendRun::Finish(1);
    // Queued: it opens its progress window after this one has closed.
    LoadSensorConfig(0);
    return 1;
}
