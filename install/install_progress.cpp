// The installer's two progress operations, thin wrappers over the task
// front end: the text, and the bar with the text and its percentage.
#include <atomic>
#include <cstdarg>
#include <cstdio>

#include "install.h"

char szProgressTxt[TASK_TEXT_SIZE];

namespace {

SilentFrontEnd tSilent;
std::atomic<TaskFrontEnd*> pFrontEnd{&tSilent};
int nTextStep = TASK_STEP_NONE;   // the step of szProgressTxt

int ShowText(int nStep, const char* szFormat, va_list args) __attribute__((format(printf, 2, 0)));
int ShowText(int nStep, const char* szFormat, va_list args)
{
    std::vsnprintf(szProgressTxt, sizeof szProgressTxt, szFormat, args);
    nTextStep = nStep;
    return TaskProgress(*pFrontEnd.load(), TASK_POSITION_KEEP, nStep, "%s", szProgressTxt);
}

}  // namespace

void InstallSetFrontEnd(TaskFrontEnd* pfe)
{
    pFrontEnd = pfe != nullptr ? pfe : &tSilent;
}

int DlgMainSetProgressTxt(const char* szFormat, ...)
{
    va_list args;
    va_start(args, szFormat);
    ShowText(TASK_STEP_NONE, szFormat, args);
    va_end(args);
    return 1;
}

int InstallProgressTxt(int nStep, const char* szFormat, ...)
{
    va_list args;
    va_start(args, szFormat);
    ShowText(nStep, szFormat, args);
    va_end(args);
    return 1;
}

int DlgMainProgress(unsigned uPercent)
{
    const int percent = uPercent > 100 ? 100 : static_cast<int>(uPercent);
    return TaskProgress(*pFrontEnd.load(), percent, nTextStep, "%s (%d %%)", szProgressTxt, percent);
}
