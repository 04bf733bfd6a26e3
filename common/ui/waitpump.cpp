#include "waitpump.h"

#include <QCoreApplication>
#include <QThread>
#include <chrono>
#include <thread>

#include "worker.h"

namespace {

void WindowWaitPump()
{
    QCoreApplication* app = QCoreApplication::instance();
    if (app != nullptr && QThread::currentThread() == app->thread())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

}  // namespace

void UiInstallWaitPump()
{
    SetWaitPump(WindowWaitPump);
}

bool UiWaitFor(const std::function<bool()>& pred, unsigned uTimeoutMs)
{
    return WaitWithPump(pred, uTimeoutMs, WindowWaitPump);
}
