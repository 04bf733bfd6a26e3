// The fixture of the configuration tests: the configuration against the
// simulator on a real pseudo-terminal, through in-memory pages, with a
// front end that records what the operations show and answers questions.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "memory_pages.h"
#include "recording_frontend.h"
#include "simulator.h"
#include "operations.h"
#include "test_support.h"

// Unpaced simulator options of a kind and firmware.
varnsim::Options SimOptions(const std::string& sKind, const std::string& sFirmware = "3.45", bool bFlash = true);

class ConfigTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the simulator and opens its port (fails the test otherwise).
    void StartSim(const varnsim::Options& tOptions);
    // Stops it and closes the port.
    void StopSim();
    // Starts the operation and waits for it and what it chains; the chain's
    // result.
    int Load(int bShowSummary = 0);
    int Send();
    // Unlocks with the simulator's password (the password dialog answers it).
    int Unlock(const std::string& sPassword = "varn");

    // Busy and idle changes as "busy:TITLE" and "idle", in order.
    std::vector<std::string> StateLog() const;
    // The positions given to the bar, in order (status-only reports left out).
    std::vector<int> Positions() const;

    // The simulator's commands without the wake-ups, and cleared.
    std::vector<std::string> Commands() const;
    void ClearCommands();

    MemoryPages pages;
    RecordingFrontEnd fe;
    Worker worker{"configuration"};
    ConfigOperations ops{worker};
    std::unique_ptr<MessageRecorder> messages;
    std::unique_ptr<varnsim::Simulator> sim;
    TempDir dir;
};

// The keys a load asks after the listing, in the order the load must ask
// them, written out from the load's description for a kind and firmware.
std::vector<std::string> ExpectedLoadKeys(int nType, int nFirmware);
// The "get" commands of the identity header.
std::vector<std::string> IdentityGets();
