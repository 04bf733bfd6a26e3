// Config's operations (load, send, export, import) on one worker handed in
// by the owner: the window's worker, or a local one in varn, a test or a
// benchmark. The owner attaches the object for as long as it lives, like the
// pages and the front end; the starters (LoadSensorConfig, SendSensorConfig,
// ExportSensorConfig, ImportSensorConfig) go through the attached one.
//
// One operation runs at a time: a start from outside while one runs is
// refused. A start made by the running operation's own body (the send's
// follow-up load, the fresh load after the debug mode was switched off, the
// send after an import with apply) is queued instead, and the same worker
// thread runs it once that body has returned, so after its DlgPrgClose: one
// progress window at a time. Once a stop was asked for, nothing queued runs.
#pragma once

#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "worker.h"

enum ConfigOperation : int { CONFIG_OP_LOAD = 0, CONFIG_OP_SEND, CONFIG_OP_EXPORT, CONFIG_OP_IMPORT };

class ConfigOperations {
public:
    // An operation's body: 1 for success, 0 for a failure it has reported.
    using Body = std::function<int()>;

    explicit ConfigOperations(Worker& tWorker) : tWorker(tWorker) {}
    ConfigOperations(const ConfigOperations&) = delete;
    ConfigOperations& operator=(const ConfigOperations&) = delete;

    // Starts fnBody on the worker, or queues it when called from the running
    // body's thread. 0 when refused (an operation runs) or the thread could
    // not be made ("Could not create load thread !", "... send ...", ...).
    int Start(ConfigOperation nOperation, Body fnBody);

    // True while an operation runs, queued ones included.
    bool Busy() const { return tWorker.Running(); }
    // Waits up to uTimeoutMs for the operations to end (running the wait
    // pump); true, and the thread joined, when none runs.
    bool WaitIdle(unsigned uTimeoutMs) { return tWorker.Wait(uTimeoutMs); }
    // 1 when every operation since the last start from outside succeeded.
    int ChainResult() const { return bChainOk.load(); }
    // True on the running body's thread once a stop was asked for: the
    // loops end there, as a failure, without a message of their own.
    bool Stopping() const;
    // Waits uMs on the running body's thread, ending early at a stop;
    // elsewhere simply sleeps.
    void Pause(unsigned uMs);

private:
    void RunChain(Body fnFirst);
    bool OnRunner() const;

    Worker& tWorker;
    mutable std::mutex mQueue;
    std::deque<Body> qChained;       // started by the running body, in order
    std::thread::id idRunner;        // the worker thread while it runs bodies
    std::atomic<int> bChainOk{1};
};

// The object the starters use; null detaches. The owner detaches it before
// it goes, after its worker has ended.
void ConfigAttachOperations(ConfigOperations* pOperations);
// Starts fnBody on the attached object; 0 when none is attached.
int ConfigStart(ConfigOperation nOperation, ConfigOperations::Body fnBody);
// ConfigOperations::Stopping and Pause of the attached object (Pause sleeps
// when none is attached).
bool ConfigStopping();
void ConfigPause(unsigned uMs);
