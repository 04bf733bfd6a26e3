// The main window's commands on the sensor: connection (the port opened and
// the first load started), reset and factory unlock.
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

namespace {

constexpr size_t PASSWORD_SIZE = 128;

constexpr char szResetQuestion[] = "Do you really want to reset all sensor parameters ?";

}  // namespace

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
