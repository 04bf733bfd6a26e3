// The simulated sensor of the datalogger tests: unpaced, straight to its
// console, with a logger of the given size.
#pragma once

#include <memory>
#include <string>

#include "simulator.h"

// A started simulator, or nullptr with the reason in *pError.
inline std::unique_ptr<varnsim::Simulator> StartLoggerSim(int nRecords, int nCapacity, std::string* pError)
{
    varnsim::Options options;
    options.paced = false;
    options.bootWindowMs = 0;
    options.loggerRecords = nRecords;
    options.loggerCapacity = nCapacity;
    auto sim = std::make_unique<varnsim::Simulator>(options);
    if (!sim->Start(pError))
        return nullptr;
    return sim;
}
