// Shared pieces of the datalogger tests: a front end and view that record
// what the tasks show and answer their dialogs, and a scripted sensor console on a
// pseudo-terminal for streams the simulator does not produce.
#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "logger_task.h"
#include "pty_peer.h"
#include "recording_frontend.h"

class RecordingDlg : public RecordingFrontEnd, public LoggerView {
public:
    RecordingDlg() { nAnswer = 1; }

    void ShowMode(const char* szText) override;
    void ShowMeasure(const char* szText) override;
    void ShowGauge(int nPercent) override;
    int SaveFileDialog(char* szPath, size_t uSize) override;

    // The save dialog's answer; empty: the dialog is cancelled.
    std::string sChosenFile;

    std::vector<std::string> Progress() const { return Texts(); }
    std::string LastProgress() const { return LastText(); }
    unsigned LastPosition() const
    {
        const int position = RecordingFrontEnd::LastPosition();
        return position < 0 ? 0u : static_cast<unsigned>(position);
    }
    std::string Mode() const;
    std::string Measure() const;
    int Gauge() const;

private:
    mutable std::mutex mLock;
    std::string sMode = "(unset)", sMeasure = "(unset)";
    int nGauge = -1;
};

// A sensor console played on a PtyPeer by a thread: wake-ups are ignored,
// each command is echoed and answered from the table ("OK key=value" for a
// "get key" found there), "logger download" announces nCount and sends
// sStream. Unknown commands are refused.
class ScriptedSensor {
public:
    explicit ScriptedSensor(PtyPeer& peer);
    ~ScriptedSensor();
    void Start();
    std::map<std::string, std::string> tValues{
        {"sens-type", "KORVALIN"}, {"logger-mode", "on"}, {"logger-usage", "2"}, {"logger-capa", "100"}};
    std::string sCountText = "2";
    std::string sStream;

private:
    void Run();
    PtyPeer& peer;
    std::atomic<bool> bStop{false};
    std::thread worker;
};

// What a failed download's message adds once records have arrived.
inline std::string KeptNote(int nRecords, int nTotal, const std::string& sFile)
{
    return "\n\n" + std::to_string(nRecords) + " of " + std::to_string(nTotal) + " records were received; they are kept in '" +
           sFile + "'.";
}

// Fast time-outs for tests: wake-up reads of 50 ms, no pause after an erase.
LoggerJob TestJob(int iTask, const std::string& sPort, unsigned uCommandTimeout = 3000);
