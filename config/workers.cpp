// The one worker of the configuration and the chaining of operations.
#include <atomic>
#include <deque>
#include <functional>

#include "config_task.h"
#include "worker.h"

ConfigTimeouts tConfigTimeouts;

namespace {

using Operation = std::function<int()>;

Worker& LoadWorker()
{
    static Worker w("load");
    return w;
}

Worker& SendWorker()
{
    static Worker w("send");
    return w;
}

// Set on a worker thread while it runs operations: a starter called there
// queues instead of starting a second thread. The queue belongs to that
// thread alone.
thread_local bool bOnWorker = false;
thread_local std::deque<Operation> qChained;

std::atomic<int> bChainOk{1};

void RunChain(const Operation& first)
{
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
}

int Start(Worker& w, Operation op)
{
    if (bOnWorker) {
        qChained.push_back(std::move(op));
        return 1;
    }
    if (ConfigBusy())
        return 0;
    bChainOk = 1;
    return w.Start([op = std::move(op)] { RunChain(op); });
}

}  // namespace

int LoadSensorConfig(int bShowSummary)
{
    return Start(LoadWorker(), [bShowSummary] { return LoadSensorConfigFn(bShowSummary); });
}

int SendSensorConfig()
{
    return Start(SendWorker(), [] { return SendSensorConfigFn(); });
}

bool ConfigBusy()
{
    return LoadWorker().Running() || SendWorker().Running();
}

bool ConfigWaitIdle(unsigned uTimeoutMs)
{
    if (!WaitWithPump([] { return !ConfigBusy(); }, uTimeoutMs))
        return false;
    // Join the ended threads, so the next start finds them gone.
    LoadWorker().Wait(0);
    SendWorker().Wait(0);
    return true;
}

int ConfigChainResult()
{
    return bChainOk.load();
}
