// Renders the configuration window to PNG files: every page of every
// sensor kind connected to the simulator, the disconnected window, the
// progress window and the password dialog. For looking at the layout and
// for the user guide.
// Usage: config_screenshots OUTPUT_DIR [--dark] [--small] [--all]
//   --dark   a dark palette
//   --small  the window at its minimum size (the default is the opening size)
//   --all    every page of every kind (the default: every page of a KORVALIN
//            sensor and the Outputs page of the other kinds, as the guide shows)
#include <QApplication>
#include <QLineEdit>
#include <QPalette>
#include <QProgressBar>
#include <QStyleFactory>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "appframe.h"
#include "appmain.h"
#include "config_task.h"
#include "config_window.h"
#include "msgbox.h"
#include "password_dialog.h"
#include "portlist.h"
#include "progress.h"
#include "serial.h"
#include "simulator.h"
#include "waitpump.h"

namespace {

QPalette DarkPalette()
{
    QPalette p;
    const QColor window(45, 45, 48), base(30, 30, 32), text(220, 220, 220), disabled(120, 120, 120);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, window.lighter(120));
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, window.lighter(110));
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::Highlight, QColor(60, 140, 210));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::ToolTipBase, base);
    p.setColor(QPalette::ToolTipText, text);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, disabled);
    return p;
}

void Settle(unsigned uMs)
{
    UiWaitFor([] { return false; }, uMs);
}

bool Save(QWidget* pWidget, const QString& sPath, unsigned uSettleMs = 50)
{
    Settle(uSettleMs);
    const bool ok = pWidget->grab().save(sPath);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", sPath.toLocal8Bit().constData());
    return ok;
}

std::string Lower(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR [--dark] [--small] [--all]\n", argv[0]);
        return 2;
    }
    bool dark = false, small = false, all = false;
    for (int i = 2; i < argc; i++) {
        dark = dark || std::strcmp(argv[i], "--dark") == 0;
        small = small || std::strcmp(argv[i], "--small") == 0;
        all = all || std::strcmp(argv[i], "--all") == 0;
    }
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    if (dark) {
        QApplication::setStyle(QStyleFactory::create("Fusion"));
        QApplication::setPalette(DarkPalette());
    }
    UiInstallWaitPump();
    UiInstallMessageBoxes();
    const QString out = QString::fromLocal8Bit(argv[1]);
    AppStartupFrameIn(PROGRAM_CONFIG, "/tmp");
    bool ok = true;

    for (const char* kind : {"KORVALIN", "DUVIKORN", "MESTRALO", "PALVETRA", "GRESTOLV"}) {
        varnsim::Options options;
        options.kind = kind;
        options.linkName = std::string(kind) + "-1";
        options.bootWindowMs = 0;
        options.paced = false;
        options.rebootMs = 50;
        varnsim::Simulator sim(options);
        std::string error;
        if (!sim.Start(&error)) {
            std::fprintf(stderr, "simulator: %s\n", error.c_str());
            return 1;
        }
        const std::string port = sim.LinkPath().empty() ? sim.PortPath() : sim.LinkPath();
        SetPortCandidatesHandler([port] { return std::vector<std::string>{port}; });

        auto window = std::make_unique<ConfigWindow>();
        hDlgMain = window.get();
        window->show();
        if (small)
            window->resize(window->minimumSizeHint());
        Settle(100);
        const std::string prefix = "config-" + (std::string(kind) == "KORVALIN" ? std::string() : Lower(kind) + "-");
        if (std::string(kind) == "KORVALIN")
            ok = Save(window.get(), out + "/config-disconnected.png") && ok;
        if (!window->OnConnect())
            return 1;
        if (std::string(kind) == "KORVALIN") {
            // The progress window over the window while the load runs.
            const bool midway = UiWaitFor(
                [&] { return window->Progress().IsOpen() && window->Progress().Window()->Bar()->value() > 30; }, 10000);
            if (!midway)
                std::printf("the load ended before the picture of its progress\n");
            ok = Save(window->Progress().Window(), out + "/config-progress.png", 0) && ok;
        }
        if (!window->Operations().WaitIdle(30000) || !window->IsConnected())
            return 1;
        for (int page = 0; page < PAGE_COUNT; page++) {
            if (!all && std::string(kind) != "KORVALIN" && page != PAGE_OUTPUTS)
                continue;
            window->DlgMainTabSelect(page);
            std::string name = Lower(tDlgMainTabInfo[page].szName);
            ok = Save(window.get(), out + "/" + QString::fromStdString(prefix + name) + ".png") && ok;
        }
        if (std::string(kind) == "KORVALIN") {
            window->DlgMainTabSelect(PAGE_FACTORY);
            PasswordDialog dlg(window.get());
            dlg.Field()->setText("secret");
            dlg.show();
            ok = Save(&dlg, out + "/config-password.png") && ok;
        }
        window->OnDisconnect();
        window.reset();
        hDlgMain = nullptr;
    }
    return ok ? 0 : 1;
}
