// A guided terminal session for machines without a display: drives the real
// terminal window on Qt's offscreen platform against a sensor on PORT,
// prints what the window shows, and saves a picture of the window after
// each step into OUTPUT_DIR.
//
// Usage: varn-terminal-demo PORT OUTPUT_DIR
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "appframe.h"
#include "desktop.h"
#include "terminal_window.h"

namespace {

bool Snapshot(QWidget* pWindow, const QString& sDir, int nStep, const char* szName)
{
    const QString path = QString("%1/%2-%3.png").arg(sDir).arg(nStep, 2, 10, QChar('0')).arg(szName);
    const bool ok = pWindow->grab().save(path);
    std::printf("[picture] %s\n", qPrintable(path));
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: varn-terminal-demo PORT OUTPUT_DIR\n");
        return 2;
    }
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    const std::string port = argv[1];
    const QString out = QString::fromLocal8Bit(argv[2]);
    if (!QDir().mkpath(out)) {
        std::fprintf(stderr, "varn-terminal-demo: cannot create '%s'\n", argv[2]);
        return 1;
    }
    AppStartupFrame(PROGRAM_TERMINAL);
    UiInstallMessageBoxes();
    // Only the demo's sensor: a headless machine's own ports are left alone.
    SetPortCandidatesHandler([port] { return std::vector<std::string>{port}; });

    auto window = std::make_unique<TerminalWindow>();
    hDlgMain = window.get();
    window->setWindowTitle(QString::fromLocal8Bit(szAppTitle));
    window->resize(760, 520);
    window->show();
    int step = 1;
    bool ok = Snapshot(window.get(), out, step++, "start");

    std::printf("[connect] %s\n", port.c_str());
    if (!window->DlgMainConnect())
        return 1;
    auto* line = window->findChild<QComboBox*>("commandLine");
    size_t shown = 0;
    for (const char* cmd : {"get sens-type", "get fw-version", "get hw-sn", "config"}) {
        std::printf("[send] %s\n", cmd);
        line->lineEdit()->setText(cmd);
        window->DlgMainSend();
        // The answer comes through the receive thread; its reads end
        // within 500 ms.
        UiWaitFor([] { return false; }, 1200);
        const std::string& text = window->OutputBytes();
        std::string fresh = text.substr(shown);
        shown = text.size();
        std::string plain;
        for (char c : fresh)
            if (c != '\r')
                plain += c;
        std::fputs(plain.c_str(), stdout);
        ok = Snapshot(window.get(), out, step++, "answer") && ok;
    }
    window->DlgMainDisconnect();
    ok = Snapshot(window.get(), out, step++, "disconnected") && ok;
    std::fflush(stdout);
    return ok ? 0 : 1;
}
