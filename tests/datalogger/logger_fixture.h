// Shared pieces of the datalogger tests: a front end that records what the
// tasks show and answers their dialogs, and a scripted sensor console on a
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

class RecordingDlg : public LoggerDlg {
public:
    void ShowProgress(unsigned uPosition, const char* szText) override;
    void ShowState(int bBusy) override;
    void ShowMode(const char* szText) override;
    void ShowMeasure(const char* szText) override;
    void ShowGauge(int nPercent) override;
    int SaveFileDialog(char* szPath, size_t uSize) override;
    int Question(const char* szText) override;

    // Answers of the dialogs.
    std::string sChosenFile;       // empty: the save dialog is cancelled
    int nAnswer = 1;               // to every question

    // Called after each progress step (on the task's thread).
    std::function<void(unsigned, const std::string&)> onProgress;

    std::vector<std::string> Progress() const;
    std::string LastProgress() const;
    std::vector<int> States() const;
    std::vector<std::string> Questions() const;
    std::string Mode() const;
    std::string Measure() const;
    int Gauge() const;
    unsigned LastPosition() const;

private:
    mutable std::mutex mLock;
    std::vector<std::string> vProgress;
    std::vector<unsigned> vPositions;
    std::vector<int> vStates;
    std::vector<std::string> vQuestions;
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

// Fast time-outs for tests: wake-up reads of 50 ms, no pause after an erase.
LoggerJob TestJob(int iTask, const std::string& sPort, unsigned uCommandTimeout = 3000);
