// The start of a harness run over the core: the program's profile,
// reporters that show nothing (each run would print its messages), and
// logging on or off into a scratch file of this process.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "appframe.h"
#include "log.h"
#include "sensor.h"

inline void FuzzStartRun(Program nWhich, bool bLog)
{
    static const std::string sLog = [] {
        SetMessageHandler([](MessageKind, const char*) {});
        std::atexit([] { std::remove(sLog.c_str()); });
        return "/tmp/varn-fuzz-" + std::to_string(getpid()) + ".log";
    }();
    AppStartupFrameIn(nWhich, "/tmp");
    SensorSetWakeupMode(SENSOR_WAKEUP_FULL);
    std::snprintf(szLogFile, sizeof szLogFile, "%s", sLog.c_str());
    if (bLog) {
        // One run's lines at a time keep the scratch file small.
        std::remove(szLogFile);
        bLogEnabled = 1;
    }
}
