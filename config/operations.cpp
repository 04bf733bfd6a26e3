#include "operations.h"

#include <chrono>

#include "config_task.h"
#include "log.h"

ConfigTimeouts tConfigTimeouts;

namespace {

// Named in "Could not create %s thread !"; indexed by ConfigOperation.
constexpr const char* tOperationWords[] = {"load", "send", "export", "import"};

std::atomic<ConfigOperations*> pAttached{nullptr};

}  // namespace

bool ConfigOperations::OnRunner() const
{
    std::lock_guard<std::mutex> lock(mQueue);
    return idRunner == std::this_thread::get_id();
}

int ConfigOperations::Start(ConfigOperation nOperation, Body fnBody)
{
    {
        std::lock_guard<std::mutex> lock(mQueue);
        if (idRunner == std::this_thread::get_id()) {
            qChained.push_back(std::move(fnBody));
            return 1;
        }
    }
    if (Busy())
        return 0;
    bChainOk = 1;
    return tWorker.Start([this, op = std::move(fnBody)]() mutable { RunChain(std::move(op)); },
                         tOperationWords[nOperation]);
}

void ConfigOperations::RunChain(Body fnFirst)
{
    {
        std::lock_guard<std::mutex> lock(mQueue);
        idRunner = std::this_thread::get_id();
        qChained.clear();
    }
    Body op = std::move(fnFirst);
    for (;;) {
        if (!op())
            bChainOk = 0;
        std::lock_guard<std::mutex> lock(mQueue);
        // A stopped chain ends with the body that saw the stop.
        if (qChained.empty() || tWorker.StopRequested()) {
            if (!qChained.empty())
                bChainOk = 0;
            qChained.clear();
            idRunner = std::thread::id();
            return;
        }
        op = std::move(qChained.front());
        qChained.pop_front();
    }
}

bool ConfigOperations::Stopping() const
{
    return tWorker.StopRequested() && OnRunner();
}

void ConfigOperations::Pause(unsigned uMs)
{
    if (!OnRunner()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(uMs));
        return;
    }
    if (!tWorker.StopRequested())
        tWorker.CancelEvent().Wait(uMs);
}

void ConfigAttachOperations(ConfigOperations* pOperations)
{
    pAttached = pOperations;
}

int ConfigStart(ConfigOperation nOperation, ConfigOperations::Body fnBody)
{
    ConfigOperations* ops = pAttached.load();
    if (ops == nullptr) {
        Log("No configuration operations attached: the %s is not started", tOperationWords[nOperation]);
        return 0;
    }
    return ops->Start(nOperation, std::move(fnBody));
}

bool ConfigStopping()
{
    const ConfigOperations* ops = pAttached.load();
    return ops != nullptr && ops->Stopping();
}

void ConfigPause(unsigned uMs)
{
    if (ConfigOperations* ops = pAttached.load())
        ops->Pause(uMs);
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(uMs));
}
