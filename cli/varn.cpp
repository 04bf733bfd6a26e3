// varn: command line access to the sensor for people who script.
//
// Each command opens the port, talks to the sensor exactly as the matching
// desktop program does (same time-outs and messages; the console wake-up
// ends once the sensor has answered unless --full-wakeup asks for the
// programs' whole sequence), prints its result on standard output, reports
// failures on standard error and exits non-zero on failure.
#include <cstdio>
#include <string>
#include <vector>

#include "appframe.h"
#include "frontend.h"
#include "log.h"
#include "sensor.h"
#include "serial_exit.h"
#include "varn_args.h"

int main(int argc, char** argv)
{
    AppStartupFrame(PROGRAM_CONFIG);
    const VarnInvocation inv = VarnParseArgs(std::vector<std::string>(argv + 1, argv + argc), stdout, stderr);
    if (inv.pCommand == nullptr)
        return inv.nExit;
    if (!inv.sLogFile.empty()) {
        std::snprintf(szLogFile, sizeof szLogFile, "%s", inv.sLogFile.c_str());
        bLogEnabled = 1;
    }
    SensorSetWakeupMode(inv.bFullWakeup ? SENSOR_WAKEUP_FULL : SENSOR_WAKEUP_QUICK);
    // Every command reports the same way (a progress line is ended before
    // a message) and lets go of the port's exclusive flag on every way out.
    CliInstallMessages();
    SerialExitGuardInstall();
    return inv.pCommand->pfnRun(inv.vArgs);
}
