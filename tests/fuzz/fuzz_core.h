// The start of a harness run over the core (harness_setup.h), with the
// console's wake-up mode back at the programs' and, when asked, logging on
// into the scratch folder, so that the traces are fuzzed too.
#pragma once

#include <cstdio>

#include "appframe.h"
#include "harness_setup.h"
#include "log.h"
#include "sensor.h"

inline void FuzzStartRun(Program nWhich, bool bLog)
{
    FuzzUseProgram(nWhich);
    SensorSetWakeupMode(SENSOR_WAKEUP_FULL);
    if (bLog) {
        // One run's lines at a time keep the file small.
        std::remove(szLogFile);
        bLogEnabled = 1;
    }
}
