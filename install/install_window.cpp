#include "install_window.h"

#include <QGuiApplication>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>
#include <cstdio>
#include <mutex>

#include "appmain.h"
#include "install.h"
#include "log.h"
#include "windowthread.h"
#include "winutil.h"

namespace {

constexpr const char szTipProgress[] = "Install operation progress...";
constexpr int WINDOW_WIDTH = 320;   // pixels; the height follows the status line

std::mutex mCloseHandler;
std::function<void()> fnCloseHandler;

}  // namespace

InstallWindow::InstallWindow(QWidget* pParent) : ToolWindow(PROGRAM_INSTALL, pParent)
{
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    auto* client = new QWidget(this);
    QVBoxLayout* rows = CreateStatusLine(client, "...");
    rows->setContentsMargins(12, 12, 12, 8);
    client->setLayout(rows);
    setCentralWidget(client);
    SetToolTip(this, ToolName::Progress, szTipProgress);

    setFixedSize(WINDOW_WIDTH, sizeHint().height());
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

InstallWindow::~InstallWindow()
{
    // The installation reports to this window's front end: it ends (or is
    // left behind by the gate) before the front end goes.
    EndWork();
    InstallSetFrontEnd(nullptr);
}

std::function<void()> InstallWindow::EndFn()
{
    // The installation only asks, and its thread then ends; the window
    // thread waits for that before it ends the program, so the program
    // never ends under a thread that is still running.
    return [this] {
        PostToWindowThread([this] {
            TaskWorker().Wait(WORKER_STOP_WAIT_MS);
            QuitNow();
        });
    };
}

void InstallWindow::StartInstallation()
{
    InstallSetFrontEnd(&FrontEnd());
    Process(TaskWorker(), EndFn());
}

void InstallWindow::SetCloseHandler(std::function<void()> fn)
{
    std::lock_guard<std::mutex> lock(mCloseHandler);
    fnCloseHandler = std::move(fn);
}

void InstallWindow::OnCloseRequested()
{
    if (!TaskWorker().Running())
        return;
    std::function<void()> fn;
    {
        std::lock_guard<std::mutex> lock(mCloseHandler);
        fn = fnCloseHandler;
    }
    if (fn)
        fn();
    else
        WorkerExitRule(0);   // ends the program now, with the installation where it is
}

namespace {

InstallCommand tCommand;

QWidget* CreateForMode()
{
    switch (tCommand.nMode) {
    case INSTALL_MODE_INSTALL: {
        std::snprintf(szLocalTmpDir, sizeof szLocalTmpDir, "%s", tCommand.sTmpDir.c_str());
        Log("INSTALL : %s", szLocalTmpDir);
        auto* window = new InstallWindow();
        // Started once the window runs, so that its first report shows.
        QMetaObject::invokeMethod(window, [window] { window->StartInstallation(); }, Qt::QueuedConnection);
        return window;
    }
    case INSTALL_MODE_SELF:
        InstallSelfMode(tCommand.sTmpDir.c_str(), tCommand.sSource.c_str(), tCommand.sDest.c_str());
        return nullptr;
    default:
        InstallHandOver();
        return nullptr;
    }
}

}  // namespace

int InstallProgramMain(int argc, char** argv)
{
    // Read before the window layer sees the arguments (it takes its own
    // options out of them).
    tCommand = InstallParseCommandLine(argc, argv);
    return AppMain(argc, argv, PROGRAM_INSTALL, CreateForMode);
}
