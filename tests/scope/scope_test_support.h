// Helpers of the scope tests: the scope's start-up frame in a temporary
// folder, a front end that records what the receive thread asked for, the
// simulator's signal as the host receives it, and WAV files read back by a
// real client (python's wave module).
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "scope_session.h"
#include "test_support.h"

// The scope's profile and globals, with the application folder in a fresh
// temporary folder and the settings pointing into it.
class ScopeFrame {
public:
    ScopeFrame();
    const TempDir& Dir() const { return dir; }
    ScopeSettings settings;

private:
    TempDir dir;
};

// Records the receive thread's calls.
class RecordingScopeFrontEnd : public ScopeFrontEnd {
public:
    void Redraw(int bErase) override { (bErase ? nErases : nRedraws)++; }
    void Status(int bConnected) override { vStatus.push_back(bConnected); }
    void Record(const char* szLine) override
    {
        std::lock_guard<std::mutex> lock(m);
        vRecords.emplace_back(szLine);
    }
    void Ended(int nResult) override
    {
        nEnded++;
        nEndResult = nResult;
    }
    std::vector<std::string> Records() const
    {
        std::lock_guard<std::mutex> lock(m);
        return vRecords;
    }

    std::atomic<int> nErases{0};
    std::atomic<int> nRedraws{0};
    std::atomic<int> nEnded{0};
    std::atomic<int> nEndResult{SCOPE_RECEIVE_RUNNING};
    std::vector<int> vStatus;   // caller's thread only

private:
    mutable std::mutex m;
    std::vector<std::string> vRecords;
};

// The simulator's frame k as the display receives it: 1000 (ASCII) or 2000
// (binary) readings, channels alternating.
std::vector<int32_t> SimFrameValues(int k, bool bBinary);

// The frame number of the simulator whose readings end the display buffer,
// or 0 when none of the first uSearch frames matches.
int LastSimFrame(const ScopeSnapshot& snapshot, bool bBinary, int uSearch = 200);

// A WAV file as python's wave module reads it.
struct WavReadBack {
    bool bOk = false;
    std::string sError;
    int nChannels = 0, nSampleWidth = 0, nFrameRate = 0;
    long nFrames = 0;
    std::vector<int16_t> vSamples;   // interleaved
};
// true when python3 with its wave module can be run here.
bool PythonWaveAvailable();
// bSamples: also read every sample (slow for long files).
WavReadBack ReadWavWithPython(const std::string& sPath, bool bSamples = true);

// The files of a folder with the given extension, sorted.
std::vector<std::string> FilesWithExt(const std::string& sDir, const std::string& sExt);
