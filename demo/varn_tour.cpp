// The suite's tour for machines without a display: a simulated sensor, then
// each tool's real window doing its main job against it on Qt's offscreen
// platform. What each window shows is printed, and a picture of each window
// is saved into OUTPUT_DIR.
//
// Usage: varn-tour OUTPUT_DIR [KIND]
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "appframe.h"
#include "appmain.h"
#include "config_task.h"
#include "config_window.h"
#include "datalogger_window.h"
#include "flash_window.h"
#include "msgbox.h"
#include "portlist.h"
#include "scope_window.h"
#include "simulator.h"
#include "terminal_window.h"
#include "toolbox_window.h"
#include "waitpump.h"

namespace {

QString sOutDir;
int nPicture = 1;
bool bPicturesOk = true;

void Picture(QWidget* pWindow, const char* szName)
{
    QApplication::processEvents();
    const QString path = QString("%1/%2-%3.png").arg(sOutDir).arg(nPicture++, 2, 10, QChar('0')).arg(szName);
    bPicturesOk = pWindow->grab().save(path) && bPicturesOk;
    std::printf("  [picture] %s\n", qPrintable(path));
}

void Pause(unsigned uMs)
{
    UiWaitFor([] { return false; }, uMs);
}

// Message boxes would wait for a click nobody gives: the tour prints them.
void PrintMessage(MessageKind nKind, const char* szText)
{
    static const char* const tLabel[] = {"error", "warning", "information"};
    std::printf("  [%s box] %s\n", tLabel[nKind], szText);
}

template <typename W>
std::unique_ptr<W> Open(const char* szTitle)
{
    std::printf("\n== %s\n", szTitle);
    auto window = std::make_unique<W>();
    hDlgMain = window.get();
    window->show();
    QApplication::processEvents();
    return window;
}

void Close(QWidget* pWindow)
{
    pWindow->close();
    hDlgMain = nullptr;
}

void Toolbox()
{
    auto w = Open<ToolboxWindow>("VARN-Toolbox: the tools, one click away");
    for (size_t i = 0; i < TOOLBOX_ITEM_COUNT; i++)
        std::printf("  %-22s %s\n", tToolboxItems[i].szTitle, tToolboxItems[i].szDescription);
    Picture(w.get(), "toolbox");
    Close(w.get());
}

void Config()
{
    auto w = Open<ConfigWindow>("VARN-Config: Connect loads every parameter");
    w->OnConnect();
    w->Operations().WaitIdle(60000);
    UiWaitFor([&] { return w->InputEnabled(); }, 5000);
    if (!w->IsConnected()) {
        Close(w.get());
        return;
    }
    if (const PageControl* c = w->Control(CTL_SUMMARY_TEXT))
        if (auto* text = qobject_cast<QPlainTextEdit*>(c->pWidget)) {
            const QStringList lines = text->toPlainText().split('\n', Qt::SkipEmptyParts);
            for (qsizetype i = 0; i < lines.size() && i < 4; i++)
                std::printf("  %s\n", qPrintable(lines[i]));
            std::printf("  ... %lld lines in the Summary tab\n", static_cast<long long>(lines.size()));
        }
    Picture(w.get(), "config-summary");
    w->OnDisconnect();
    w->Operations().WaitIdle(10000);
    Close(w.get());
}

void Datalogger()
{
    auto w = Open<DataloggerWindow>("VARN-Datalogger: Refresh reads the logger's fill level");
    w->StartTask(TASK_REFRESH);
    UiWaitFor([&] { return !w->IsTaskRunning(); }, 30000);
    std::printf("  Mode: %s\n  Measure: %s\n", qPrintable(w->findChild<QLabel*>("modeValue")->text()),
                qPrintable(w->findChild<QLabel*>("measureValue")->text()));
    Picture(w.get(), "datalogger");
    Close(w.get());
}

void Flash(varnsim::Simulator& sim)
{
    auto w = Open<FlashWindow>("VARN-Flash: Bootloader Info, the sensor powered up while it waits");
    w->StartRun(1);
    sim.PowerCycle(400);
    UiWaitFor([&] { return !w->RunActive(); }, 15000);
    Picture(w.get(), "flash");
    Close(w.get());
    // The bootloader waits for frames; a power cycle brings the console
    // back once the bootloader's listening window after power-up has passed.
    sim.PowerCycle(100);
    Pause(100 + varnsim::Options().bootWindowMs + 200);
}

void Terminal()
{
    auto w = Open<TerminalWindow>("VARN-Terminal: the console's \"config\"");
    if (!w->DlgMainConnect())
        return;
    w->findChild<QComboBox*>("commandLine")->lineEdit()->setText("config");
    w->DlgMainSend();
    // The listing ends with the status line "OK".
    UiWaitFor([&] { return w->OutputBytes().find("\nOK") != std::string::npos; }, 10000);
    std::string plain;
    for (char c : w->OutputBytes())
        if (c != '\r')
            plain += c;
    std::printf("%s", plain.c_str());
    Picture(w.get(), "terminal");
    w->DlgMainDisconnect();
    Close(w.get());
}

void Scope()
{
    auto w = Open<ScopeWindow>("VARN-Scope: a few seconds of the live signal");
    if (!w->DlgMainConnect())
        return;
    UiWaitFor([&] { return w->Session().uFrames.load() >= 8 || !w->Session().Receiving(); }, 20000);
    ScopeSnapshot snap;
    w->Session().display.Snapshot(&snap);
    std::printf("  %u sample frames; plot 1: %s\n  plot 2: %s\n", w->Session().uFrames.load(), snap.szFrsLabel,
                snap.szWindLabel);
    Picture(w.get(), "scope");
    w->DlgMainDisconnect();
    Close(w.get());
}

// The offscreen platform's notes on what it cannot do (raise a window,
// size hints) say nothing to the reader of the tour.
void QuietPlatformNotes(QtMsgType nType, const QMessageLogContext&, const QString& sText)
{
    if (sText.startsWith("This plugin does not support") || sText.startsWith("QStandardPaths:"))
        return;
    std::fprintf(stderr, "%s%s\n", nType == QtWarningMsg ? "warning: " : "", qPrintable(sText));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: varn-tour OUTPUT_DIR [KIND]\n");
        return 2;
    }
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    qInstallMessageHandler(QuietPlatformNotes);
    QApplication app(argc, argv);
    sOutDir = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(sOutDir)) {
        std::fprintf(stderr, "varn-tour: cannot create '%s'\n", argv[1]);
        return 1;
    }
    varnsim::Options options;
    options.kind = argc > 2 ? argv[2] : "KORVALIN";
    options.linkName = "tour";
    options.loggerRecords = 250;
    varnsim::Simulator sim(options);
    std::string error;
    if (!sim.Start(&error)) {
        std::fprintf(stderr, "varn-tour: simulator: %s\n", error.c_str());
        return 1;
    }
    std::printf("Simulated %s sensor on %s (%s)\n", options.kind.c_str(), sim.PortPath().c_str(),
                sim.LinkPath().c_str());
    // Only the tour's sensor: a headless machine's own ports are left alone.
    const std::string port = sim.PortPath();
    SetPortCandidatesHandler([port] { return std::vector<std::string>{port}; });
    UiInstallWaitPump();
    SetMessageHandler(PrintMessage);
    SetQuestionHandler([](MessageKind, const std::string& sText) {
        std::printf("  [question] %s -> Yes\n", sText.c_str());
        return 1;
    });

    const Program programs[] = {PROGRAM_TOOLBOX, PROGRAM_CONFIG, PROGRAM_DATALOGGER,
                                PROGRAM_FLASH,   PROGRAM_TERMINAL, PROGRAM_SCOPE};
    for (Program p : programs) {
        AppStartupFrame(p);
        switch (p) {
        case PROGRAM_TOOLBOX: Toolbox(); break;
        case PROGRAM_CONFIG: Config(); break;
        case PROGRAM_DATALOGGER: Datalogger(); break;
        case PROGRAM_FLASH: Flash(sim); break;
        case PROGRAM_TERMINAL: Terminal(); break;
        case PROGRAM_SCOPE: Scope(); break;
        default: break;
        }
    }
    sim.Stop();
    std::fflush(stdout);
    return bPicturesOk ? 0 : 1;
}
