// Shared pieces of the flash tests: a front end that records what a run
// shows, and firmware image files with or without a version stamp.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "bootloader.h"

class RecordingFrontEnd : public FlashFrontEnd {
public:
    void Progress(int nPosition, const char* szText) override
    {
        std::lock_guard<std::mutex> lock(m);
        vProgress.emplace_back(nPosition, szText);
    }
    void State(int bBusy) override
    {
        std::lock_guard<std::mutex> lock(m);
        vStates.push_back(bBusy);
    }
    void DisableCancel() override { bCancelDisabled = true; }
    int AskYesNo(const char* szText) override
    {
        std::lock_guard<std::mutex> lock(m);
        vQuestions.emplace_back(szText);
        return nAnswer;
    }
    void ShowInformation(const char* szText) override
    {
        std::lock_guard<std::mutex> lock(m);
        sInformation = szText;
    }

    std::vector<std::pair<int, std::string>> Progresses() const
    {
        std::lock_guard<std::mutex> lock(m);
        return vProgress;
    }
    std::vector<std::string> Texts() const
    {
        std::lock_guard<std::mutex> lock(m);
        std::vector<std::string> out;
        for (const auto& p : vProgress)
            out.push_back(p.second);
        return out;
    }
    bool SawText(const std::string& s) const
    {
        for (const std::string& t : Texts())
            if (t == s)
                return true;
        return false;
    }
    std::vector<int> States() const
    {
        std::lock_guard<std::mutex> lock(m);
        return vStates;
    }
    std::vector<std::string> Questions() const
    {
        std::lock_guard<std::mutex> lock(m);
        return vQuestions;
    }
    std::string Information() const
    {
        std::lock_guard<std::mutex> lock(m);
        return sInformation;
    }

    std::atomic<int> nAnswer{0};
    std::atomic<bool> bCancelDisabled{false};

private:
    mutable std::mutex m;
    std::vector<std::pair<int, std::string>> vProgress;
    std::vector<int> vStates;
    std::vector<std::string> vQuestions;
    std::string sInformation;
};

// A pseudo-random image of uSize bytes; a version text such as "2.37" puts
// the stamp ("ELI", the version 8 bytes before "Copyright") at uStampAt.
std::vector<uint8_t> MakeImage(size_t uSize, const std::string& sVersion = "", size_t uStampAt = 64);

bool WriteFile(const std::string& sPath, const std::vector<uint8_t>& vBytes);
