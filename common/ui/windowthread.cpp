#include "windowthread.h"

#include <QCoreApplication>
#include <QThread>
#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

namespace {

// The gate's state. One mutex orders everything a call hands over, in both
// directions, with standard primitives the thread sanitizer sees (it does
// not see inside Qt's queued calls).
struct GateCall {
    enum Stage { PENDING, RUNNING, DONE, DROPPED };
    Stage nStage = PENDING;
    std::condition_variable cvChanged;
};

std::mutex mGate;
bool bGateShut = false;
unsigned long long uGateGeneration = 0;          // counts the shuts
std::vector<std::shared_ptr<GateCall>> vGateWaiting;

bool OnWindowThread(QCoreApplication* app)
{
    return QThread::currentThread() == app->thread();
}

}  // namespace

bool RunOnWindowThread(const std::function<void()>& fn)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || OnWindowThread(app)) {
        fn();
        return true;
    }
    auto call = std::make_shared<GateCall>();
    std::unique_lock<std::mutex> lock(mGate);
    if (bGateShut)
        return false;
    vGateWaiting.push_back(call);
    // The queued part looks at the call's stage first: a call dropped by
    // the shutdown never touches fn, whose owner has returned by then.
    QMetaObject::invokeMethod(
        app,
        [call, &fn] {
            {
                std::lock_guard<std::mutex> hold(mGate);
                if (call->nStage != GateCall::PENDING)
                    return;
                call->nStage = GateCall::RUNNING;
            }
            fn();
            std::lock_guard<std::mutex> hold(mGate);
            call->nStage = GateCall::DONE;
            call->cvChanged.notify_all();
        },
        Qt::QueuedConnection);
    call->cvChanged.wait(lock, [&] { return call->nStage == GateCall::DONE || call->nStage == GateCall::DROPPED; });
    vGateWaiting.erase(std::find(vGateWaiting.begin(), vGateWaiting.end(), call));
    return call->nStage == GateCall::DONE;
}

bool PostToWindowThread(std::function<void()> fn, QObject* pContext)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) {
        {
            std::lock_guard<std::mutex> lock(mGate);
            if (bGateShut)
                return false;
        }
        fn();
        return true;
    }
    // Posted while the gate's mutex is held, as RunOnWindowThread does: the
    // queued part takes the mutex before it touches what it carries, so the
    // hand-over is ordered by a primitive the thread sanitizer sees.
    std::lock_guard<std::mutex> lock(mGate);
    if (bGateShut)
        return false;
    const unsigned long long generation = uGateGeneration;
    QMetaObject::invokeMethod(
        pContext != nullptr ? pContext : app,
        [generation, fn = std::move(fn)] {
            {
                std::lock_guard<std::mutex> hold(mGate);
                if (bGateShut || generation != uGateGeneration)
                    return;
            }
            fn();
        },
        Qt::QueuedConnection);
    return true;
}

void UiGateOpen()
{
    std::lock_guard<std::mutex> lock(mGate);
    bGateShut = false;
}

void UiGateShut()
{
    std::lock_guard<std::mutex> lock(mGate);
    bGateShut = true;
    uGateGeneration++;
    for (const std::shared_ptr<GateCall>& call : vGateWaiting) {
        if (call->nStage == GateCall::PENDING) {
            call->nStage = GateCall::DROPPED;
            call->cvChanged.notify_all();
        }
    }
}
