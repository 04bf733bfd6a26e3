// The workers of the configuration and the chaining of operations.
#include <atomic>
#include <deque>
#include <functional>

#include "config_task.h"
#include "worker.h"

ConfigTimeouts tConfigTimeouts;

namespace {

using Operation = std::function<int()>;

// One thread each, named in "Could not create %s thread !"; indexed by
// ConfigWorker.
Worker& WorkerOf(ConfigWorker nWorker)
{
    static Worker tWorkers[CONFIG_WORKER_COUNT] = {Worker("load"), Worker("send"), Worker("export"),
                                                   Worker("import")};
    return tWorkers[nWorker];
}

// Set on a worker thread while it runs operations: a starter called there
// queues instead of starting a second thread. The queue belongs to that
// thread alone: it lives in RunChain, the thread-local is only a pointer
// (a thread-local object with a destructor crashes at thread exit in the
// Windows build, whose runtime destroys it after its storage is gone).
thread_local bool bOnWorker = false;
thread_local std::deque<Operation>* pChained = nullptr;

std::atomic<int> bChainOk{1};

void RunChain(const Operation& first)
{
    std::deque<Operation> qChained;
    pChained = &qChained;
    bOnWorker = true;
    Operation op = first;
    for (;;) {
        if (!op())
            bChainOk = 0;
        if (qChained.empty())
            break;
        op = std::move(qChained.front());
        qChained.pop_front();
    }
    bOnWorker = false;
    pChained = nullptr;
}

}  // namespace

int ConfigStartOperation(ConfigWorker nWorker, std::function<int()> fnBody)
{
    if (bOnWorker) {
        pChained->push_back(std::move(fnBody));
        return 1;
    }
    if (ConfigBusy())
        return 0;
    bChainOk = 1;
    return WorkerOf(nWorker).Start([op = std::move(fnBody)] { RunChain(op); });
}

int LoadSensorConfig(int bShowSummary)
{
    return ConfigStartOperation(CONFIG_WORKER_LOAD, [bShowSummary] { return LoadSensorConfigFn(bShowSummary); });
}

int SendSensorConfig()
{
    return ConfigStartOperation(CONFIG_WORKER_SEND, [] { return SendSensorConfigFn(); });
}

bool ConfigBusy()
{
    for (int i = 0; i < CONFIG_WORKER_COUNT; i++)
        if (WorkerOf(static_cast<ConfigWorker>(i)).Running())
            return true;
    return false;
}

bool ConfigWaitIdle(unsigned uTimeoutMs)
{
    if (!WaitWithPump([] { return !ConfigBusy(); }, uTimeoutMs))
        return false;
    // Join the ended threads, so the next start finds them gone.
    for (int i = 0; i < CONFIG_WORKER_COUNT; i++)
        WorkerOf(static_cast<ConfigWorker>(i)).Wait(0);
    return true;
}

int ConfigChainResult()
{
    return bChainOk.load();
}
