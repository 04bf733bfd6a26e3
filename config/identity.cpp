// The identity header of the main window with the debug-mode and
// scope-mode checks, the tab selection, the connected state and the
// disconnection: what a running operation calls to show the sensor.
#include <cstring>

#include "config_task.h"
#include "derived.h"
#include "log.h"
#include "pages.h"
#include "progress.h"
#include "sensor.h"
#include "serial.h"
#include "textutil.h"

namespace {

constexpr char szDebugQuestion[] =
    "The debug mode of this sensor is currently enabled !\nDo you want to disable debug mode now ?";
constexpr char szScopeWarning[] = "The scope mode of this sensor is currently enabled, please reboot the sensor !";
constexpr char szDebugOff[] = "0x0000";
constexpr char szScopeOff[] = "no";

// The identity header: description, key and field, in request order.
struct IdentityField {
    const char* szLabel;
    const char* szKey;
    CtlId nField;
};
constexpr IdentityField tIdentityFields[] = {
    {"Sensor type", "sens-type", CTL_MAIN_SENSOR},
    {"Sensor version", "sens-version", CTL_MAIN_VERSION},
    {"Sensor manufacturing", "sens-date", CTL_MAIN_MANUFACTURING},
    {"Sensor serial number", "sens-sn", CTL_MAIN_SN},
    {"Hardware version", "hw-version", CTL_MAIN_HARDWARE},
    {"Firmware version", "fw-version", CTL_MAIN_FIRMWARE},
    {"Hardware serial number", "hw-sn", CTL_MAIN_VISA},
};

// True when the get succeeded and the value differs from szOff; a failed
// get (already reported) counts as off.
bool ModeOn(const char* szLabel, const char* szKey, const char* szOff)
{
    char value[SENSOR_RESULT_SIZE];
    return SensorCmdGet(szLabel, szKey, value, sizeof value) && std::strcmp(value, szOff) != 0;
}

// The debug mode off and the sensor rebooted (a fresh load is then due). 1
// when it did, 0 after a reported failure.
int DisableDebugMode()
{
    char result[SENSOR_RESULT_SIZE];
    SensorWakeup();
    if (!SensorCmd("debug all off", result, sizeof result))
        return Error("Could not disable debug mode !");
    if (!SensorCmdReboot())
        return Error("Could not reboot the sensor !");
    Info("Debug mode wav successfully disabled !");
    return 1;
}

}  // namespace

void DlgMainTabSelect(unsigned uIndex)
{
    Pages().SelectTab(static_cast<int>(uIndex));
}

void DlgMainStatus(int bConnected)
{
    Pages().SetConnected(bConnected != 0);
    DlgFactoryStatus();
}

void DlgMainDisconnect()
{
    bAdmin = 0;
    SerialClose();
    DlgMainTabSelect(PAGE_HOME);
    DlgMainStatus(0);
}

int DlgMainUpdateInfo(int bWake, bool* pReloadDue)
{
    ConfigPages& pages = Pages();
    if (bWake)
        SensorWakeup();
    char value[SENSOR_RESULT_SIZE];
    for (const IdentityField& f : tIdentityFields) {
        if (!SensorCmdGet(f.szLabel, f.szKey, value, sizeof value))
            continue;
        pages.SetText(f.nField, f.nField == CTL_MAIN_SN && IsBlank(value) ? "unknown" : value);
    }
    const bool debug = ModeOn("Debug status field", "misc-dbg", szDebugOff);
    const bool scope = ModeOn("Scopemode status", "misc-scopemode", szScopeOff);
    DlgMainUpdateConso();

    if (debug && ConfigFrontEnd().Question(MESSAGE_WARNING, szDebugQuestion)) {
        // No scope check after this: a failure ends here, and the reboot
        // ends the scope mode too, which the fresh load checks again.
        const int off = DisableDebugMode();
        if (off && pReloadDue != nullptr)
            *pReloadDue = true;
        return off;
    }
    if (scope) {
        Warning("%s", szScopeWarning);
        DlgMainDisconnect();
        return 0;
    }
    return 1;
}
