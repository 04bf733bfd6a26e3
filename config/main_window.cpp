// The main window's sensor functions: connection, identity header with the
// debug-mode and scope-mode checks, reset and factory unlock.
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "appframe.h"
#include "config_task.h"
#include "derived.h"
#include "log.h"
#include "pages.h"
#include "progress.h"
#include "sensor.h"
#include "serial.h"
#include "textutil.h"

namespace {

constexpr size_t PASSWORD_SIZE = 128;

constexpr char szDebugQuestion[] =
    "The debug mode of this sensor is currently enabled !\nDo you want to disable debug mode now ?";
constexpr char szScopeWarning[] = "The scope mode of this sensor is currently enabled, please reboot the sensor !";
constexpr char szResetQuestion[] = "Do you really want to reset all sensor parameters ?";
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

// The debug mode off and the sensor rebooted; a fresh load follows. 1 when
// it did, 0 after a reported failure.
int DisableDebugMode(int bReload)
{
    char result[SENSOR_RESULT_SIZE];
    SensorWakeup();
    if (!SensorCmd("debug all off", result, sizeof result))
        return Error("Could not disable debug mode !");
    if (!SensorCmdReboot())
        return Error("Could not reboot the sensor !");
    Info("Debug mode wav successfully disabled !");
    if (bReload)
        LoadSensorConfig(1);
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

int DlgMainConnect(const char* szPort)
{
    Log("%s", szAppTitle);
    if (szPort == nullptr || szPort[0] == '\0' || std::strcmp(szPort, SERIAL_SELECT_ENTRY) == 0)
        return Error("No serial port selected !");
    if (!SerialOpen(szPort))
        return 0;
    const int started = LoadSensorConfig(1);
    DlgMainStatus(1);
    return started;
}

void DlgMainDisconnect()
{
    bAdmin = 0;
    SerialClose();
    DlgMainTabSelect(PAGE_HOME);
    DlgMainStatus(0);
}

int DlgMainUpdateInfo(int bWake)
{
    return DlgMainUpdateInfoThenSend(bWake, 0);
}

int DlgMainUpdateInfoThenSend(int bWake, int bSendFollows)
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
        return DisableDebugMode(!bSendFollows);
    }
    if (scope) {
        Warning("%s", szScopeWarning);
        DlgMainDisconnect();
        return 0;
    }
    return 1;
}

int DlgMainReset()
{
    if (!ConfigFrontEnd().Question(MESSAGE_INFO, szResetQuestion))
        return 0;
    SerialSetTimeout(tConfigTimeouts.uIdentifyMs);
    if (!SensorWakeup() || !SensorCmdReset())
        return 0;
    bAdmin = 0;
    DlgFactoryStatus();
    std::this_thread::sleep_for(std::chrono::milliseconds(tConfigTimeouts.uRebootWaitMs));
    return LoadSensorConfig(0);
}

int DlgFactoryAskUnlock()
{
    char password[PASSWORD_SIZE];
    if (DlgPassword(password, sizeof password)) {
        SerialSetTimeout(tConfigTimeouts.uIdentifyMs);
        if (std::strpbrk(password, "\r\n") != nullptr) {
            // It would end the "admin" command early and send the rest as a
            // command of its own.
            bAdmin = 0;
            Error("%sCould not unlock factory parameters\nLine end in password !", CurrentProfile().szFailPrefix);
        } else if (SensorWakeup()) {
            bAdmin = SensorCmdAdmin(password);
        }
    }
    return bAdmin.load();
}

int DlgFactoryUnlock()
{
    DlgFactoryAskUnlock();
    DlgFactoryStatus();
    if (bAdmin.load() == 1)
        Info("Factory parameters are unlocked !");
    return bAdmin.load();
}
