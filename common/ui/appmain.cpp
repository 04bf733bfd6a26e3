#include "appmain.h"

#include <QApplication>
#include <QIcon>
#include <QWidget>

#include "appframe.h"
#include "icons.h"
#include "instance.h"
#include "msgbox.h"
#include "opener.h"
#include "serial_exit.h"
#include "suite.h"
#include "waitpump.h"
#include "windowthread.h"
#include "worker.h"

QWidget* hDlgMain = nullptr;

namespace {

void RaiseMainWindow()
{
    if (hDlgMain == nullptr)
        return;
    if (hDlgMain->isMinimized())
        hDlgMain->showNormal();
    hDlgMain->show();
    hDlgMain->raise();
    hDlgMain->activateWindow();
}

}  // namespace

int AppMain(int argc, char** argv, Program nWhich, QWidget* (*pfnCreateMainWindow)())
{
    QApplication app(argc, argv);
    AppStartupFrame(nWhich);
    app.setWindowIcon(UiSuiteIcon());

    // A program ended by a signal or exit() lets go of its serial port.
    SerialExitGuardInstall();

    InstanceGuard guard;
    if (CurrentProfile().bSingleInstance) {
        const QString name = QString::fromLatin1(CurrentProfile().szInternalName);
        if (InstanceGuard::NotifyRunning(name, 1000))
            return 0;
        guard.Claim(name, RaiseMainWindow);
    }

    UiInstallMessageBoxes();
    UiInstallWaitPump();
    SetDesktopOpenHandler(UiDesktopOpen);

    QWidget* window = pfnCreateMainWindow();
    // A mode without a window (the installer's self and hand-over modes)
    // has done its work in the creation function.
    if (window == nullptr)
        return 0;
    hDlgMain = window;
    window->setWindowTitle(QString::fromLocal8Bit(szAppTitle));
    window->show();
    const int code = app.exec();
    // The window is gone: workers' calls return unrun from here on, and a
    // worker that has still not ended must not run on into the teardown.
    UiGateShut();
    WorkerExitRule(code);
    hDlgMain = nullptr;
    delete window;
    return code;
}

void UiQuitProgram()
{
    if (hDlgMain != nullptr)
        hDlgMain->close();
    QCoreApplication::exit(0);
}
