// Renders the terminal window (connected to the simulator, after a few
// commands) and the About dialog to PNG files for the user guide.
// Usage: terminal_screenshots OUTPUT_DIR
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "about.h"
#include "appframe.h"
#include "appmain.h"
#include "portlist.h"
#include "simulator.h"
#include "terminal_window.h"
#include "waitpump.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    const QString out = QString::fromLocal8Bit(argv[1]);
    AppStartupFrameIn(PROGRAM_TERMINAL, "/tmp");

    varnsim::Options options;
    options.linkName = "KORVALIN-1";
    options.bootWindowMs = 0;
    varnsim::Simulator sim(options);
    std::string error;
    if (!sim.Start(&error)) {
        std::fprintf(stderr, "simulator: %s\n", error.c_str());
        return 1;
    }
    const std::string port = sim.LinkPath().empty() ? sim.PortPath() : sim.LinkPath();
    SetPortCandidatesHandler([port] { return std::vector<std::string>{port}; });

    auto window = std::make_unique<TerminalWindow>();
    hDlgMain = window.get();
    window->setWindowTitle(QString::fromLocal8Bit(szAppTitle));
    window->resize(760, 520);
    window->show();
    if (!window->DlgMainConnect())
        return 1;
    auto* line = window->findChild<QComboBox*>("commandLine");
    for (const char* cmd : {"get sens-type", "get fw-version", "config"}) {
        line->lineEdit()->setText(cmd);
        window->DlgMainSend();
        UiWaitFor([] { return false; }, 900);
    }
    line->lineEdit()->setText("get hw-sn");
    UiWaitFor([] { return false; }, 200);
    bool ok = window->grab().save(out + "/terminal.png");

    std::unique_ptr<QDialog> about(UiCreateAboutDialog(window.get()));
    about->show();
    UiWaitFor([] { return false; }, 100);
    ok = about->grab().save(out + "/about.png") && ok;
    about.reset();
    window->DlgMainDisconnect();
    // The smallest window, disconnected: checks the top row still fits.
    window->resize(550, 300);
    UiWaitFor([] { return false; }, 100);
    ok = window->grab().save(out + "/terminal-small.png") && ok;
    return ok ? 0 : 1;
}
