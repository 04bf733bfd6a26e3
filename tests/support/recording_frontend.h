// A task front end for tests: records every progress step, busy state,
// question and information a task shows, and answers the questions.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "task.h"

class RecordingFrontEnd : public TaskFrontEnd {
public:
    void Progress(int nPosition, int nStep, const char* szText) override;
    void State(int nState, const char* szTitle) override;
    int Question(MessageKind nIcon, const char* szText) override;
    void Information(const char* szText) override;

    // The answer to every question (1 Yes, 0 No).
    std::atomic<int> nAnswer{0};
    // Called after each progress step, on the task's thread.
    std::function<void(int nPosition, const std::string& sText)> onProgress;

    // Positions and texts in order.
    std::vector<std::pair<int, std::string>> Progresses() const;
    std::vector<std::string> Texts() const;
    std::string LastText() const;
    int LastPosition() const;
    bool SawText(const std::string& sText) const;
    std::vector<int> Steps() const;
    // Busy (1) and idle (0) changes in order; the lock of a run that can no
    // longer be cancelled is told by Locked() instead.
    std::vector<int> States() const;
    bool Locked() const;
    // Titles given with a busy state (operations that name themselves).
    std::vector<std::string> Titles() const;
    std::vector<std::string> Questions() const;
    std::string Information() const;

private:
    mutable std::mutex m;
    std::vector<std::pair<int, std::string>> vProgress;
    std::vector<int> vSteps;
    std::vector<int> vStates;
    std::vector<std::string> vTitles;
    std::vector<std::string> vQuestions;
    std::string sInformation;
    bool bLocked = false;
};
