#include "recording_frontend.h"

void RecordingFrontEnd::Progress(int nPosition, int nStep, const char* szText)
{
    const std::string text(szText);
    {
        std::lock_guard<std::mutex> lock(m);
        vProgress.emplace_back(nPosition, text);
        vSteps.push_back(nStep);
    }
    if (onProgress)
        onProgress(nPosition, text);
}

void RecordingFrontEnd::State(int nState, const char* szTitle)
{
    std::lock_guard<std::mutex> lock(m);
    if (nState == TASK_BUSY_LOCKED) {
        bLocked = true;
        return;
    }
    vStates.push_back(nState);
    if (szTitle != nullptr)
        vTitles.emplace_back(szTitle);
}

int RecordingFrontEnd::Question(MessageKind, const char* szText)
{
    std::lock_guard<std::mutex> lock(m);
    vQuestions.emplace_back(szText);
    return nAnswer;
}

void RecordingFrontEnd::Information(const char* szText)
{
    std::lock_guard<std::mutex> lock(m);
    sInformation = szText;
}

std::vector<std::pair<int, std::string>> RecordingFrontEnd::Progresses() const
{
    std::lock_guard<std::mutex> lock(m);
    return vProgress;
}

std::vector<std::string> RecordingFrontEnd::Texts() const
{
    std::lock_guard<std::mutex> lock(m);
    std::vector<std::string> out;
    for (const auto& p : vProgress)
        out.push_back(p.second);
    return out;
}

std::string RecordingFrontEnd::LastText() const
{
    std::lock_guard<std::mutex> lock(m);
    return vProgress.empty() ? std::string() : vProgress.back().second;
}

int RecordingFrontEnd::LastPosition() const
{
    std::lock_guard<std::mutex> lock(m);
    return vProgress.empty() ? -1 : vProgress.back().first;
}

bool RecordingFrontEnd::SawText(const std::string& sText) const
{
    std::lock_guard<std::mutex> lock(m);
    for (const auto& p : vProgress)
        if (p.second == sText)
            return true;
    return false;
}

std::vector<int> RecordingFrontEnd::Steps() const
{
    std::lock_guard<std::mutex> lock(m);
    return vSteps;
}

std::vector<int> RecordingFrontEnd::States() const
{
    std::lock_guard<std::mutex> lock(m);
    return vStates;
}

bool RecordingFrontEnd::Locked() const
{
    std::lock_guard<std::mutex> lock(m);
    return bLocked;
}

std::vector<std::string> RecordingFrontEnd::Titles() const
{
    std::lock_guard<std::mutex> lock(m);
    return vTitles;
}

std::vector<std::string> RecordingFrontEnd::Questions() const
{
    std::lock_guard<std::mutex> lock(m);
    return vQuestions;
}

std::string RecordingFrontEnd::Information() const
{
    std::lock_guard<std::mutex> lock(m);
    return sInformation;
}
