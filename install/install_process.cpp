// The installation thread.
#include <chrono>
#include <thread>

#include "install.h"
#include "worker.h"

namespace {

Worker& InstallWorker()
{
    static Worker worker("process");
    return worker;
}

}  // namespace

void ProcessFn(const std::function<void()>& fnEnd)
{
    InstallProgressTxt(INSTALL_STEP_START, "Installing...");
    std::this_thread::sleep_for(std::chrono::milliseconds(tInstallWaits.uStartMs));
    if (ParseScript(0))
        ParseScript(1);
    if (fnEnd)
        fnEnd();
}

int Process(std::function<void()> fnEnd)
{
    return InstallWorker().Start([fnEnd = std::move(fnEnd)] { ProcessFn(fnEnd); });
}

bool ProcessWait(unsigned uTimeoutMs)
{
    return InstallWorker().Wait(uTimeoutMs);
}
