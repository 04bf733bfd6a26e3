// Configuration load: identification, kind adaptation, the configuration
// listing, then every parameter of the table into its control.
#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "adapt.h"
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

namespace {

constexpr unsigned LOAD_STEPS = 43;

// What the last load read, by key (ConfigLoadedValue).
std::mutex mLoaded;
std::map<std::string, std::string> tLoaded;

void ForgetLoaded()
{
    std::lock_guard<std::mutex> lock(mLoaded);
    tLoaded.clear();
}

void KeepLoaded(const char* szKey, const char* szValue)
{
    std::lock_guard<std::mutex> lock(mLoaded);
    tLoaded[szKey] = szValue;
}

// A load that ended before the pages were filled, or on a line that hung
// up, leaves nothing true to show for the sensor: the window goes back to
// its disconnected state, the port closed.
int Abandon()
{
    DlgMainDisconnect();
    return ConfigRun::Finish(0);
}

// Says which pages were left empty by a load that stopped at row uFailed.
void ReportNotLoaded(size_t uFailed)
{
    std::string pages;
    int last = -1;
    for (size_t i = uFailed; i < uSensorParamCount; i++) {
        const SensorParam& p = tSensorParams[i];
        if ((p.uOps & OP_LOAD) == 0 || p.nPage == PAGE_MAIN || !SensorParamAppliesNow(p) || p.nPage == last)
            continue;
        last = p.nPage;
        pages += (pages.empty() ? "" : ", ") + std::string(tDlgMainTabInfo[p.nPage].szName);
    }
    Warning("The values of the pages %s were not read from the sensor: they are left empty, and nothing is "
            "sent while one of them is !",
            pages.c_str());
}

int Get(const char* szKey, char* szValue)
{
    return SensorCmdGet(SensorParamLabel(szKey), szKey, szValue, SENSOR_RESULT_SIZE);
}

// Steps 2 to 4: type, firmware, external flash.
int Identify(ConfigRun& run)
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
    ConfigRun run(LOAD_STEPS);
    ForgetLoaded();
    DlgPrgOpen(szLoadTitle);
    SerialSetTimeout(tConfigTimeouts.uIdentifyMs);
    run.Status(STATUS_WAKING_UP);
    if (!SensorWakeup())
        return Abandon();
    // A stop (the window closing) ends the run between two steps, as a
    // failure that has nothing more to say.
    if (ConfigStopping())
        return ConfigRun::Finish(0);
    if (!Identify(run))
        return Abandon();

    const int type = nSensorType.load();
    const int firmware = nSensorFirmware.load();
    ConfigRestoreCreation();
    ConfigAdaptPages(type, firmware);
    ConfigDataloggerAvailability(firmware, bExtFlashPresent.load());

    if (ConfigStopping())
        return ConfigRun::Finish(0);
    run.Status(STATUS_LOADING_CONFIG);
    if (!LoadListing())
        return Abandon();

    if (ConfigStopping())
        return ConfigRun::Finish(0);
    run.Status(STATUS_LOADING_PARAMETERS);
    SerialSetTimeout(tConfigTimeouts.uParameterMs);
    char value[SENSOR_RESULT_SIZE];
    for (size_t i = 0; i < uSensorParamCount; i++) {
        const SensorParam& p = tSensorParams[i];
        if ((p.uOps & OP_LOAD) == 0 || p.nPage == PAGE_MAIN || !SensorParamAppliesNow(p))
            continue;
        if (ConfigStopping())
            return ConfigRun::Finish(0);
        run.Step();
        if (!SensorCmdGet(p.szLabel, p.szKey, value, sizeof value)) {
            if (SerialIsHungUp())
                return Abandon();
            DlgMainTabSelect(static_cast<unsigned>(p.nPage));
            ReportNotLoaded(i);
            return ConfigRun::Finish(0);
        }
        KeepLoaded(p.szKey, value);
        ParamSetValue(p, value, USE_LOAD);
        if (p.uFlags & PARAM_AVERAGING_UPDATE)
            DlgAveragingUpdate();
    }

    bool reload = false;
    const int ok = DlgMainUpdateInfo(0, &reload);
    // Queued: the fresh load after the debug mode was switched off opens its
    // progress window after this one has closed.
    if (reload)
        LoadSensorConfig(1);
    // A sensor found in scope mode has been disconnected by now: there is
    // no Summary tab left to show.
    const bool connected = hSerial.load() != SERIAL_INVALID_HANDLE;
    if (bShowSummary && connected)
        DlgMainTabSelect(PAGE_SUMMARY);
    return ConfigRun::Finish(ok && connected ? 1 : 0);
}

int LoadSensorConfig(int bShowSummary)
{
    return ConfigStart(CONFIG_OP_LOAD, [bShowSummary] { return LoadSensorConfigFn(bShowSummary); });
}

std::string ConfigLoadedValue(const char* szKey)
{
    std::lock_guard<std::mutex> lock(mLoaded);
    const auto it = tLoaded.find(szKey);
    return it != tLoaded.end() ? it->second : std::string();
}
