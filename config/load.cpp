// Configuration load: identification, kind adaptation, the configuration
// listing, then every parameter of the table into its control.
#include <algorithm>
#include <cstring>
#include <vector>

#include "adapt.h"
#include "codecs.h"
#include "config_task.h"
#include "derived.h"
#include "log.h"
#include "param_table.h"
#include "progress.h"
#include "sensor.h"
#include "serial.h"

namespace {

constexpr unsigned LOAD_STEPS = 43;

class LoadRun {
public:
    void Step() { DlgPrgSetProgress(tSum.Advance()); }
    void Status(ConfigStatus nStatus)
    {
        DlgPrgSetStatus(nStatus);
        Step();
    }
    // Bar to 100 and the progress window closed: every way out.
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
    TaskProgressSum tSum{LOAD_STEPS};
};

int Get(const char* szKey, char* szValue)
{
    return SensorCmdGet(SensorParamLabel(szKey), szKey, szValue, SENSOR_RESULT_SIZE);
}

// Steps 2 to 4: type, firmware, external flash.
int Identify(LoadRun& run)
{
    char value[SENSOR_RESULT_SIZE];
    run.Status(STATUS_SENSOR_TYPE);
    if (!Get("sens-type", value))
        return 0;
    const size_t n = std::min(std::strlen(value), sizeof szSensorType - 1);
    std::memcpy(szSensorType, value, n);
    szSensorType[n] = '\0';
    const int type = SensorTypeFromName(szSensorType);
    if (type < 0)
        return Error("Unsupported sensor '%s' !", szSensorType);
    nSensorType = type;

    if (!Get("fw-version", value))
        return 0;
    nSensorFirmware = FirmwareHundredths(value);
    fSensorVersion = static_cast<float>(ConfigToNumber(value));

    if (SensorFirmwareIs(FW_ABOVE_2_6)) {
        if (!Get("hw-extflash", value))
            return 0;
        bExtFlashPresent = ExtFlashPresent(value);
    }
    return 1;
}

int LoadListing()
{
    std::vector<char> listing(CurrentProfile().uConfigReadSize + 1);
    if (!SensorCmdConfig(listing.data(), listing.size()))
        return 0;
    Pages().SetText(CTL_SUMMARY_TEXT, listing.data());
    return 1;
}

}  // namespace

int LoadSensorConfigFn(int bShowSummary)
{
    LoadRun run;
    DlgPrgOpen(szLoadTitle);
    SerialSetTimeout(tConfigTimeouts.uIdentifyMs);
    run.Status(STATUS_WAKING_UP);
    if (!SensorWakeup())
        return LoadRun::Finish(0);
    if (!Identify(run))
        return LoadRun::Finish(0);

    const int type = nSensorType.load();
    const int firmware = nSensorFirmware.load();
    ConfigRestoreCreation();
    ConfigAdaptPages(type, firmware);
    ConfigDataloggerAvailability(firmware, bExtFlashPresent.load());

    run.Status(STATUS_LOADING_CONFIG);
    if (!LoadListing())
        return LoadRun::Finish(0);

    run.Status(STATUS_LOADING_PARAMETERS);
    SerialSetTimeout(tConfigTimeouts.uParameterMs);
    char value[SENSOR_RESULT_SIZE];
    for (size_t i = 0; i < uSensorParamCount; i++) {
        const SensorParam& p = tSensorParams[i];
        if ((p.uOps & OP_LOAD) == 0 || p.nPage == PAGE_MAIN || !SensorParamAppliesNow(p))
            continue;
        run.Step();
        if (!SensorCmdGet(p.szLabel, p.szKey, value, sizeof value))
            return LoadRun::FailOnPage(p.nPage);
        ParamSetValue(p, value, USE_LOAD);
        if (p.uFlags & PARAM_AVERAGING_UPDATE)
            DlgAveragingUpdate();
    }

    const int ok = DlgMainUpdateInfo(0);
    // A sensor found in scope mode has been disconnected by now: there is
    // no Summary tab left to show.
    const bool connected = hSerial.load() != SERIAL_INVALID_HANDLE;
    if (bShowSummary && connected)
        DlgMainTabSelect(PAGE_SUMMARY);
    return LoadRun::Finish(ok && connected ? 1 : 0);
}
