// The installation thread.
#include <chrono>
#include <thread>

#include "install.h"

void ProcessFn(const std::function<void()>& fnEnd)
{
    InstallProgressTxt(INSTALL_STEP_START, "Installing...");
    std::this_thread::sleep_for(std::chrono::milliseconds(tInstallWaits.uStartMs));
    if (ParseScript(0))
        ParseScript(1);
    if (fnEnd)
        fnEnd();
}

int Process(Worker& tWorker, std::function<void()> fnEnd)
{
    return tWorker.Start([fnEnd = std::move(fnEnd)] { ProcessFn(fnEnd); });
}
