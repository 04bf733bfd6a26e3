// The terminal window against the simulator and a scripted peer, each on a
// real pseudo-terminal.
#include <gtest/gtest.h>

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QRegularExpression>
#include <QTest>
#include <chrono>
#include <memory>
#include <regex>
#include <unistd.h>

#include "appframe.h"
#include "appmain.h"
#include "filedialog.h"
#include "fileutil.h"
#include "msgbox.h"
#include "portlist.h"
#include "pty_peer.h"
#include "serial.h"
#include "simulator.h"
#include "terminal_view.h"
#include "terminal_window.h"
#include "test_support.h"
#include "waitpump.h"
#include "window_probe.h"

namespace {

constexpr unsigned kArrivalMs = 3000;   // a read ends within 500 ms; leave room for a loaded machine

class TerminalTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        AppStartupFrameIn(PROGRAM_TERMINAL, app.Path().c_str());
        SetPortCandidatesHandler([this] { return vPorts; });
    }
    void TearDown() override
    {
        window.reset();
        hDlgMain = nullptr;
        SetPortCandidatesHandler(nullptr);
        SetFileDialogHandler(nullptr);
        SetQuestionHandler(nullptr);
    }

    // Opens the window with these ports in its list (the first preselected).
    void OpenWindow(std::vector<std::string> ports)
    {
        vPorts = std::move(ports);
        window = std::make_unique<TerminalWindow>();
        hDlgMain = window.get();
        window->show();
    }
    void StartSimulator()
    {
        varnsim::Options options;
        options.paced = false;
        options.bootWindowMs = 0;   // the console answers at once, no bootloader window first
        sim = std::make_unique<varnsim::Simulator>(options);
        std::string error;
        ASSERT_TRUE(sim->Start(&error)) << error;
    }
    template <typename T>
    T* Child(const char* name)
    {
        T* w = window->findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QComboBox* CommandLine() { return Child<QComboBox>("commandLine"); }
    TerminalView* Box() { return Child<TerminalView>("outputBox"); }
    std::string Shown() { return Box()->Text().toStdString(); }
    bool WaitOutput(const std::string& text, unsigned ms = kArrivalMs)
    {
        return UiWaitFor([&] { return window->OutputBytes().find(text) != std::string::npos; }, ms);
    }
    void Type(const char* text)
    {
        CommandLine()->lineEdit()->setText(text);
    }
    // Keys as the window system delivers them: to the window, whose
    // application hands them to the focus widget (not to a chosen control).
    bool Activate()
    {
        window->activateWindow();
        return QTest::qWaitForWindowActive(window.get());
    }
    void Press(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QTest::keyClick(window->windowHandle(), key, mods);
    }
    void Keys(const char* text)
    {
        for (const char* c = text; *c != '\0'; c++)
            QTest::keyClick(window->windowHandle(), *c);
    }
    std::string EditText() { return CommandLine()->currentText().toStdString(); }

    TempDir app;
    MessageRecorder messages;
    std::vector<std::string> vPorts;
    std::unique_ptr<varnsim::Simulator> sim;
    std::unique_ptr<TerminalWindow> window;
};

}  // namespace

TEST_F(TerminalTest, ConnectSendShowsEchoAndAnswer)
{
    StartSimulator();
    OpenWindow({sim->PortPath()});
    ASSERT_EQ(window->DlgMainConnect(), 1);
    EXPECT_EQ(window->OutputBytes(), "Serial port '" + sim->PortPath() + "' open !\r\n");
    EXPECT_FALSE(Child<QPushButton>("connect")->isEnabled());
    EXPECT_TRUE(Child<QPushButton>("sendButton")->isEnabled());
    EXPECT_TRUE(CommandLine()->hasFocus() || !QApplication::focusWidget());

    Type("get sens-type");
    Child<QPushButton>("sendButton")->click();
    EXPECT_TRUE(CommandLine()->currentText().isEmpty());
    ASSERT_TRUE(WaitOutput("KORVALIN")) << window->OutputBytes() << "\nsent: " << sim->Received();
    EXPECT_NE(window->OutputBytes().find("get sens-type"), std::string::npos);
    EXPECT_NE(Shown().find("KORVALIN"), std::string::npos);
    // One wake-up, then the command.
    const std::string sent = sim->Received();
    EXPECT_EQ(sent.find("wakeup!\r"), 0u) << sent;
    EXPECT_EQ(sent.find("wakeup!\r", 1), std::string::npos) << sent;
    EXPECT_NE(sent.find("get sens-type\r"), std::string::npos) << sent;
    EXPECT_TRUE(messages.Texts().empty());
}

TEST_F(TerminalTest, EnterFromTheKeyboardSendsAndTheHistoryKeepsEveryLineAtItsEnd)
{
    StartSimulator();
    OpenWindow({sim->PortPath()});
    ASSERT_EQ(window->DlgMainConnect(), 1);
    ASSERT_TRUE(Activate());
    // The keys reach the command line through its combo box, which holds
    // the focus for its line edit.
    ASSERT_EQ(QApplication::focusWidget(), CommandLine());
    for (int i = 0; i < 2; i++) {
        Keys("get fw-version");
        EXPECT_EQ(EditText(), "get fw-version");
        Press(i == 0 ? Qt::Key_Return : Qt::Key_Enter, i == 0 ? Qt::NoModifier : Qt::KeypadModifier);
        EXPECT_EQ(EditText(), "");
        ASSERT_EQ(CommandLine()->count(), i + 1);
        EXPECT_EQ(CommandLine()->itemText(i), "get fw-version");
    }
    auto twice = [&](const std::string& sent) {
        const size_t first = sent.find("get fw-version\r");
        return first != std::string::npos && sent.find("get fw-version\r", first + 1) != std::string::npos;
    };
    EXPECT_TRUE(UiWaitFor([&] { return twice(sim->Received()); }, kArrivalMs)) << sim->Received();
    EXPECT_TRUE(WaitOutput("3.45")) << window->OutputBytes();

    // A prefix of a remembered command is sent as typed, not completed.
    sim->ClearReceived();
    Keys("get");
    Press(Qt::Key_Return);
    EXPECT_EQ(CommandLine()->itemText(2), "get");
    EXPECT_TRUE(UiWaitFor([&] { return sim->Received().find("get\r") != std::string::npos; }, kArrivalMs))
        << sim->Received();
    EXPECT_EQ(sim->Received().find("get fw-version"), std::string::npos);

    // An empty line sends a lone carriage return and is not remembered.
    sim->ClearReceived();
    Press(Qt::Key_Return);
    EXPECT_EQ(CommandLine()->count(), 3);
    EXPECT_TRUE(UiWaitFor([&] { return sim->Received().find("wakeup!\r\r") != std::string::npos; }, kArrivalMs))
        << sim->Received();

    // Clearing the output keeps the history.
    window->MenuItemAction("Clear terminal")->trigger();
    EXPECT_TRUE(window->OutputBytes().empty());
    EXPECT_TRUE(Shown().empty());
    EXPECT_EQ(CommandLine()->count(), 3);
}

TEST_F(TerminalTest, UpAndDownWalkTheHistoryAndGiveBackTheTypedLine)
{
    PtyPeer peer;
    ASSERT_TRUE(peer.Ok());
    OpenWindow({peer.SlavePath()});
    ASSERT_EQ(window->DlgMainConnect(), 1);
    ASSERT_TRUE(Activate());
    Press(Qt::Key_Up);   // nothing remembered yet
    EXPECT_EQ(EditText(), "");
    for (const char* cmd : {"get a", "get b", "get c"}) {
        Keys(cmd);
        Press(Qt::Key_Return);
    }
    ASSERT_EQ(CommandLine()->count(), 3);
    Keys("set x");
    std::vector<std::string> seen;
    for (Qt::Key key : {Qt::Key_Up, Qt::Key_Up, Qt::Key_Up, Qt::Key_Up, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down,
                        Qt::Key_Down}) {
        Press(key);
        seen.push_back(EditText());
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"get c", "get b", "get a", "get a", "get b", "get c", "set x",
                                              "set x"}));
    // A recalled command is sent as shown, and the walk starts again from
    // the newest entry.
    Press(Qt::Key_Up);
    Press(Qt::Key_Up);
    Press(Qt::Key_Return);
    ASSERT_EQ(CommandLine()->count(), 4);
    EXPECT_EQ(CommandLine()->itemText(3), "get b");
    Press(Qt::Key_Up);
    EXPECT_EQ(EditText(), "get b");
    EXPECT_NE(peer.Receive(2000, "get b\r").find("get b\r"), std::string::npos);
}

TEST_F(TerminalTest, TheWakeUpOfASendReadsItsOwnAnswer)
{
    StartSimulator();
    OpenWindow({sim->PortPath()});
    ASSERT_EQ(window->DlgMainConnect(), 1);
    ASSERT_TRUE(UiWaitFor([&] { return window->IsReceiving(); }, 1000));
    for (const char* cmd : {"get sens-type", "get fw-version"}) {
        Type(cmd);
        window->DlgMainSend();
    }
    ASSERT_TRUE(WaitOutput("3.45")) << window->OutputBytes();
    const std::string out = window->OutputBytes();
    EXPECT_EQ(out.find("wakeup!"), std::string::npos) << out;
    EXPECT_EQ(out.find("awake"), std::string::npos) << out;
    // The echo of each command and its answer, in order.
    const size_t type = out.find("get sens-type"), kind = out.find("KORVALIN"), version = out.find("get fw-version");
    ASSERT_NE(kind, std::string::npos) << out;
    EXPECT_LT(type, kind);
    EXPECT_LT(kind, version);
}

TEST_F(TerminalTest, OutputFollowsTheEndOnlyWhileTheViewIsAtTheEnd)
{
    OpenWindow({});
    QScrollBar* bar = Box()->verticalScrollBar();
    std::string lines;
    for (int i = 0; i < 300; i++)
        lines += "line " + std::to_string(i) + "\r\n";
    window->DlgMainAppend(lines.data(), lines.size());
    QApplication::processEvents();
    ASSERT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());

    // Scrolled back: new data leaves the view where it is.
    bar->setValue(10);
    window->DlgMainAppend(lines.data(), lines.size());
    window->DlgMainOutput("more\r\n");
    EXPECT_EQ(bar->value(), 10);
    EXPECT_LT(bar->value(), bar->maximum());

    // A selection made while reading back does not pull the view either.
    Box()->SelectAll();
    bar->setValue(20);
    window->DlgMainAppend(lines.data(), lines.size());
    EXPECT_EQ(bar->value(), 20);

    // Back at the end: followed again, also through a change of size.
    bar->setValue(bar->maximum());
    window->DlgMainAppend(lines.data(), lines.size());
    EXPECT_EQ(bar->value(), bar->maximum());
    window->resize(window->minimumSize());
    QApplication::processEvents();
    EXPECT_EQ(bar->value(), bar->maximum());
}

TEST_F(TerminalTest, AStreamingSensorKeepsTheLatestOutputWithinItsBound)
{
    OpenWindow({});
    TerminalView* box = Box();
    // 256 kB chunks of numbered lines until the bound was passed once.
    int next = 0;
    std::string chunk;
    while (next < 340000) {
        chunk.clear();
        while (chunk.size() < 262144)
            chunk += "record " + std::to_string(next++) + "\r\n";
        window->DlgMainAppend(chunk.data(), chunk.size());
        ASSERT_LE(window->OutputBytes().size(), TerminalWindow::OUTPUT_MAX);
    }
    const std::string& out = window->OutputBytes();
    EXPECT_GT(out.size(), TerminalWindow::OUTPUT_KEEP - 64);
    // What stays starts a line and ends with the newest bytes.
    EXPECT_EQ(out.compare(0, 7, "record "), 0) << out.substr(0, 40);
    const std::string last = "record " + std::to_string(next - 1) + "\r\n";
    EXPECT_EQ(out.compare(out.size() - last.size(), last.size(), last), 0);
    // The box dropped the same lines: its first line is the bytes' first.
    EXPECT_EQ(box->RowText(0).toStdString(), out.substr(0, out.find('\r')));
    const auto lines = static_cast<int>(std::count(out.begin(), out.end(), '\r'));
    EXPECT_EQ(box->RowCount(), lines + 1);
}

TEST_F(TerminalTest, ConnectNeedsAPort)
{
    OpenWindow({});
    EXPECT_EQ(window->DlgMainConnect(), 0);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"E:No serial port selected !"});
    EXPECT_FALSE(window->IsConnected());
    EXPECT_TRUE(Child<QPushButton>("connect")->isEnabled());
    EXPECT_FALSE(Child<QPushButton>("disconnect")->isEnabled());
    EXPECT_FALSE(CommandLine()->isEnabled());
}

TEST_F(TerminalTest, LongReplyArrivesWholeAndInOrder)
{
    PtyPeer peer;
    ASSERT_TRUE(peer.Ok());
    OpenWindow({peer.SlavePath()});
    ASSERT_EQ(window->DlgMainConnect(), 1);
    const std::string opened = window->OutputBytes();
    std::string reply;
    for (int i = 0; reply.size() < 7000; i++)
        reply += "line " + std::to_string(i) + " \xB0\x7F\t-----------------------------------------\r\n";
    peer.Send(reply);
    ASSERT_TRUE(UiWaitFor([&] { return window->OutputBytes().size() >= opened.size() + reply.size(); }, kArrivalMs));
    EXPECT_EQ(window->OutputBytes(), opened + reply);
    // Shown with one line break per CR LF, 8-bit characters as they are.
    const std::string shown = Box()->Text().toLatin1().toStdString();
    EXPECT_NE(shown.find("line 0 \xB0\x7F       ---"), std::string::npos);   // tab to the next stop
    EXPECT_EQ(std::count(shown.begin(), shown.end(), '\n'), std::count(reply.begin(), reply.end(), '\n') + 1);
}

TEST_F(TerminalTest, LineEndSplitOverTwoReadsIsOneLineBreak)
{
    PtyPeer peer;
    ASSERT_TRUE(peer.Ok());
    OpenWindow({peer.SlavePath()});
    ASSERT_EQ(window->DlgMainConnect(), 1);
    window->DlgMainClear();
    window->DlgMainAppend("a\r", 2);
    window->DlgMainAppend("\nb\rc\nd", 6);
    const char withZero[] = {'e', '\0', 'f'};
    window->DlgMainAppend(withZero, 3);
    EXPECT_EQ(Shown(), "a\nb\nc\nd" "ef");
    EXPECT_EQ(window->OutputBytes(), "a\r\nb\rc\nd" "ef");
}

TEST_F(TerminalTest, DisconnectIsQuickAndFreesThePort)
{
    PtyPeer peer;
    ASSERT_TRUE(peer.Ok());
    OpenWindow({peer.SlavePath()});
    ASSERT_EQ(window->DlgMainConnect(), 1);
    ASSERT_TRUE(UiWaitFor([&] { return window->IsReceiving(); }, 1000));
    const auto start = std::chrono::steady_clock::now();
    Child<QPushButton>("disconnect")->click();
    EXPECT_LT(MsSince(start), 1000);
    EXPECT_FALSE(window->IsConnected());
    const std::string out = window->OutputBytes();
    EXPECT_EQ(out.substr(out.size() - 22), "Serial port closed !\r\n");
    EXPECT_TRUE(Child<QPushButton>("connect")->isEnabled());
    EXPECT_FALSE(Child<QPushButton>("sendButton")->isEnabled());
    EXPECT_TRUE(window->MenuItemAction("Scope...")->isEnabled());

    ASSERT_EQ(SerialOpen(peer.SlavePath().c_str()), 1);   // exclusive: only once the terminal let go
    SerialClose();
    EXPECT_TRUE(messages.Texts().empty());
}

TEST_F(TerminalTest, HungUpLineIsReportedOnceAndDisconnects)
{
    PtyPeer peer;
    ASSERT_TRUE(peer.Ok());
    OpenWindow({peer.SlavePath()});
    ASSERT_EQ(window->DlgMainConnect(), 1);
    peer.Send("last words");   // an unfinished line: the notice goes on the next
    ASSERT_TRUE(WaitOutput("last words"));
    Box()->verticalScrollBar()->setValue(0);   // scrolled back to read
    peer.HangUp();
    ASSERT_TRUE(UiWaitFor([&] { return !window->IsConnected(); }, kArrivalMs));
    const std::string out = window->OutputBytes();
    const std::string lost = "last words\r\nSerial port connection lost !\r\n";
    const size_t at = out.find(lost);
    ASSERT_NE(at, std::string::npos) << out;
    EXPECT_EQ(out.find(lost, at + 1), std::string::npos);
    EXPECT_EQ(out.substr(at + lost.size()), "Serial port closed !\r\n");
    EXPECT_EQ(window->StatusText(), "Serial port connection lost !");
    // The vanished line is no longer offered.
    EXPECT_EQ(Child<QComboBox>("portList")->count(), 1);
    EXPECT_EQ(window->SelectedPort(), "");
}

// Two sensors offered; the one in use hangs up: the other is not chosen in
// its place, and the lost one is chosen again when it comes back.
TEST_F(TerminalTest, ALostPortIsNeverReplacedByAnotherSensor)
{
    StartSimulator();
    varnsim::Options options;
    options.paced = false;
    auto other = std::make_unique<varnsim::Simulator>(options);
    std::string error;
    ASSERT_TRUE(other->Start(&error)) << error;
    TempDir links;
    ASSERT_EQ(symlink(sim->PortPath().c_str(), links.File("bench1").c_str()), 0);
    ASSERT_EQ(symlink(other->PortPath().c_str(), links.File("bench2").c_str()), 0);
    OpenWindow({links.File("bench1"), links.File("bench2")});
    ASSERT_EQ(window->SelectedPort(), links.File("bench1"));
    ASSERT_EQ(window->DlgMainConnect(), 1);
    sim->HangUp();
    ASSERT_TRUE(UiWaitFor([&] { return !window->IsConnected(); }, kArrivalMs));
    QComboBox* list = Child<QComboBox>("portList");
    EXPECT_EQ(list->count(), 2);
    EXPECT_EQ(list->currentIndex(), 0);
    EXPECT_EQ(window->DlgMainConnect(), 0);
    EXPECT_TRUE(other->Commands().empty());

    StartSimulator();
    ASSERT_EQ(unlink(links.File("bench1").c_str()), 0);
    ASSERT_EQ(symlink(sim->PortPath().c_str(), links.File("bench1").c_str()), 0);
    window->DlgMainRefreshPorts();
    EXPECT_EQ(window->SelectedPort(), links.File("bench1"));
}

TEST_F(TerminalTest, PortListShowsTheLinkNameAndConnectOpensItsPath)
{
    PtyPeer peer;
    ASSERT_TRUE(peer.Ok());
    TempDir ports;
    const std::string link = ports.File("bench7");
    ASSERT_EQ(symlink(peer.SlavePath().c_str(), link.c_str()), 0);
    OpenWindow({link});
    QComboBox* list = Child<QComboBox>("portList");
    EXPECT_EQ(list->currentText().toStdString(), "bench7");
    EXPECT_EQ(list->toolTip().toStdString(), "Serial port list found on this system...\n" + link);
    ASSERT_EQ(window->DlgMainConnect(), 1);
    EXPECT_EQ(window->OutputBytes(), "Serial port '" + link + "' open !\r\n");
}

TEST_F(TerminalTest, StatesGreyToolsAndControls)
{
    PtyPeer peer;
    ASSERT_TRUE(peer.Ok());
    OpenWindow({peer.SlavePath()});
    const char* const tools[] = {"Toolbox Menu...", "Scope...", "Datalogger...", "Configuration...", "Flash..."};
    for (const char* t : tools)
        EXPECT_TRUE(window->MenuItemAction(t)->isEnabled()) << t;
    EXPECT_FALSE(Child<QPushButton>("disconnect")->isEnabled());
    ASSERT_EQ(window->DlgMainConnect(), 1);
    for (const char* t : tools)
        EXPECT_FALSE(window->MenuItemAction(t)->isEnabled()) << t;
    for (const char* name : {"portList", "refreshPorts", "connect", "menuButton"})
        EXPECT_FALSE(Child<QWidget>(name)->isEnabled()) << name;
    for (const char* name : {"disconnect", "commandLine", "sendButton"})
        EXPECT_TRUE(Child<QWidget>(name)->isEnabled()) << name;
    for (const char* item : {"Save as...", "Clear terminal", "About...", "User Guide..."})
        EXPECT_TRUE(window->MenuItemAction(item)->isEnabled()) << item;
}

TEST_F(TerminalTest, MenusHoldTheirItemsSeparatorsAndTips)
{
    OpenWindow({});
    EXPECT_EQ(MenuListing(window->menuBar()), (std::vector<std::string>{
                       "[File]", "Save as...", "-", "Clear terminal", "-", "Check for update at startup", "-", "Quit",
                       "[Options]", "Time stamps", "Hex view", "-", "Send with CR", "Send with LF", "Send with CR LF",
                       "Send with no line end", "-", "Live log...",
                       "[Tools]", "Toolbox Menu...", "-", "Scope...", "Datalogger...", "Configuration...", "Flash...",
                       "-", "Open application directory...",
                       "[?]", "User Guide...", "-", "Programming Examples...", "-", "Check for Update...", "-",
                       "About..."}));
    EXPECT_TRUE(window->MenuItemAction("Check for update at startup")->isChecked());
    EXPECT_EQ(Child<QWidget>("outputBox")->toolTip(), "Terminal command output...");
    EXPECT_EQ(Child<QWidget>("connect")->toolTip(), "Connect to the sensor plug in selected serial port...");
    EXPECT_EQ(window->windowTitle().toStdString(), "VARN-TERMINAL V1.28 (linux64)");

    // "Menu >>" without the toolbox reports and stays.
    Child<QPushButton>("menuButton")->click();
    EXPECT_EQ(messages.Last(), "E:File '" + app.File("VARN-Toolbox") + "' not found !");
    EXPECT_TRUE(window->isVisible());
}

TEST_F(TerminalTest, ResizeKeepsTheLayoutRules)
{
    OpenWindow({});
    window->resize(900, 640);
    QApplication::processEvents();
    QWidget* client = window->centralWidget();
    const int W = client->width(), H = client->height();
    const QRect out = Child<QWidget>("outputBox")->geometry();
    const QRect send = Child<QWidget>("sendButton")->geometry();
    const QRect line = Child<QWidget>("commandLine")->geometry();
    const QRect label = Child<QWidget>("commandLabel")->geometry();
    const QRect menu = Child<QWidget>("menuButton")->geometry();
    const int m = out.left();
    EXPECT_EQ(menu.right() + 1, W - m);
    EXPECT_EQ(send.right() + 1, W - m);
    EXPECT_EQ(send.bottom() + 1, H - m);
    EXPECT_EQ(label.bottom() + 1, H - m - 2);
    EXPECT_EQ(line.left(), m + label.width() + m);
    EXPECT_EQ(line.right() + 1, send.left() - m);
    EXPECT_EQ(out.width(), W - 2 * m);
    EXPECT_EQ(out.bottom() + 1, line.top() - m);

    window->resize(100, 100);
    EXPECT_GE(window->width(), 550);
    EXPECT_GE(window->height(), 300);
}

TEST_F(TerminalTest, ControlsAreSizedToTheirTextInALargeFont)
{
    const QFont saved = QApplication::font();
    QFont big = saved;
    big.setPixelSize(22);
    QApplication::setFont(big);
    OpenWindow({});
    const char* const top[] = {"portLabel", "portList", "refreshPorts", "debug", "connect", "disconnect", "menuButton"};
    for (QSize size : {window->size(), window->minimumSize()}) {
        window->resize(size);
        QApplication::processEvents();
        for (const char* name : {"portLabel", "debug", "connect", "disconnect", "menuButton", "commandLabel",
                                 "sendButton"}) {
            QWidget* w = Child<QWidget>(name);
            EXPECT_GE(w->width(), w->sizeHint().width()) << name;
            EXPECT_GE(w->height(), w->sizeHint().height()) << name;
        }
        for (size_t i = 0; i + 1 < std::size(top); i++)
            EXPECT_LT(Child<QWidget>(top[i])->geometry().right(), Child<QWidget>(top[i + 1])->x()) << top[i];
        EXPECT_LE(Child<QWidget>("menuButton")->geometry().right(), window->centralWidget()->width());
        EXPECT_LE(Child<QWidget>("outputBox")->geometry().bottom(), Child<QWidget>("commandLine")->y());
    }
    QApplication::setFont(saved);
}

TEST_F(TerminalTest, OutputBoxFollowsTheDesktopPalette)
{
    const QPalette saved = QApplication::palette();
    QPalette dark(QColor(50, 50, 50));
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    QApplication::setPalette(dark);
    OpenWindow({});
    TerminalView* box = Box();
    const QColor base = box->viewport()->palette().color(QPalette::Base);
    const QColor text = box->palette().color(QPalette::Text);
    QApplication::setPalette(saved);
    EXPECT_EQ(base, QColor(30, 30, 30));
    EXPECT_EQ(text, QColor(230, 230, 230));
}

TEST_F(TerminalTest, OpensWithinTheScreen)
{
    OpenWindow({});
    EXPECT_EQ(window->size(), ToolWindowStartSize(window->size(), window->minimumSize(),
                                                  window->screen()->availableGeometry().size()));
    // 1280 x 900 at twice the scale leaves 640 x 450: the window fits, with
    // room for the frame, and never below its minimum.
    const QSize wanted(720, 480), minimum(550, 300);
    EXPECT_EQ(ToolWindowStartSize(wanted, minimum, QSize(640, 450)),
              QSize(640 - START_FRAME_WIDTH, 450 - START_FRAME_HEIGHT));
    EXPECT_EQ(ToolWindowStartSize(wanted, minimum, QSize(1280, 900)), wanted);
    EXPECT_EQ(ToolWindowStartSize(wanted, minimum, QSize(400, 250)), minimum);
}

TEST_F(TerminalTest, SaveAsWritesTheOutputBytesAndAsksBeforeOverwriting)
{
    OpenWindow({});
    const std::string path = app.File("session.txt");
    FileDialogRequest seen;
    bool cancel = false;
    SetFileDialogHandler([&](FileDialogMode mode, const FileDialogRequest& r, std::string* p) {
        EXPECT_EQ(mode, FILE_DIALOG_SAVE);
        seen = r;
        *p = path;
        return !cancel;
    });
    std::vector<std::string> questions;
    int answer = 0;
    SetQuestionHandler([&](MessageKind, const std::string& text) {
        questions.push_back(text);
        return answer;
    });

    // Empty output: an empty file.
    window->DlgMainSaveAs();
    EXPECT_TRUE(FileExistsOnDisk(path));
    EXPECT_EQ(ReadFileText(path), "");
    EXPECT_TRUE(questions.empty());
    ASSERT_EQ(seen.vFilters.size(), 2u);
    EXPECT_EQ(seen.vFilters[1], (std::pair<std::string, std::string>{"Text file (*.txt)", "*.TXT"}));
    EXPECT_EQ(seen.nFilter, 1);
    EXPECT_EQ(seen.sDefaultExt, "txt");

    const char bytes[] = "OK sens-type=KORVALIN\r\nraw\n\xE9\r";
    window->DlgMainAppend(bytes, sizeof bytes - 1);
    window->DlgMainOutput("Serial port closed !\r\n");
    const std::string expected = std::string(bytes) + "Serial port closed !\r\n";

    // Existing file, answer No: untouched.
    window->DlgMainSaveAs();
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0], "File '" + path + "' already exists !\nDo you want to overwrite it ?");
    EXPECT_EQ(ReadFileText(path), "");

    // Yes: exactly the bytes, nothing added.
    answer = 1;
    window->MenuItemAction("Save as...")->trigger();
    EXPECT_EQ(ReadFileText(path), expected);

    // Cancel: nothing asked, nothing written.
    cancel = true;
    window->DlgMainClear();
    window->DlgMainSaveAs();
    EXPECT_EQ(questions.size(), 2u);
    EXPECT_EQ(ReadFileText(path), expected);
    EXPECT_TRUE(messages.Texts().empty());
}

TEST_F(TerminalTest, SaveAsReportsAFileThatCannotBeCreated)
{
    OpenWindow({});
    const std::string path = app.File("no-such-folder/out.txt");
    SetFileDialogHandler([&](FileDialogMode, const FileDialogRequest&, std::string* p) {
        *p = path;
        return true;
    });
    window->DlgMainSaveAs();
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"E:Could not create file '" + path + "' !"});
}

TEST_F(TerminalTest, TimeStampsStandBeforeReceivedLinesAndNotInTheSavedBytes)
{
    StartSimulator();
    OpenWindow({sim->PortPath()});
    ASSERT_EQ(window->DlgMainConnect(), 1);
    window->MenuItemAction("Time stamps")->trigger();
    Type("get sens-type");
    window->DlgMainSend();
    ASSERT_TRUE(WaitOutput("KORVALIN"));
    const QRegularExpression stamp("^\\[\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d\\] ");
    int stamped = 0;
    for (int r = 0; r < Box()->RowCount(); r++) {
        const QString row = Box()->RowText(r);
        if (row.contains("KORVALIN") || row.contains("open !")) {
            EXPECT_TRUE(stamp.match(row).hasMatch()) << row.toStdString();
            stamped++;
        }
    }
    EXPECT_EQ(stamped, 2);
    EXPECT_EQ(window->OutputBytes().find('['), std::string::npos) << window->OutputBytes();
}

TEST_F(TerminalTest, HexViewShowsTheSameBytesAndSwitchesWhileRunning)
{
    StartSimulator();
    OpenWindow({sim->PortPath()});
    ASSERT_EQ(window->DlgMainConnect(), 1);
    Type("get sens-type");
    window->DlgMainSend();
    ASSERT_TRUE(WaitOutput("KORVALIN"));
    window->MenuItemAction("Hex view")->trigger();
    // The bytes read back from the hex rows are the output's, offsets in step.
    std::string bytes;
    const int n = Box()->HexBytes();
    for (int r = 0; r < Box()->RowCount(); r++) {
        const std::string row = Box()->RowText(r).toStdString();
        ASSERT_EQ(std::stoul(row.substr(0, 8), nullptr, 16), static_cast<unsigned long>(n * r)) << row;
        for (int i = 0; i < n; i++) {
            const std::string hex = row.substr(10 + 3 * i, 2);
            if (hex != "  ")
                bytes += static_cast<char>(std::stoi(hex, nullptr, 16));
        }
    }
    EXPECT_EQ(bytes, window->OutputBytes());
    EXPECT_NE(Box()->RowText(0).indexOf("|Serial p"), -1) << Box()->RowText(0).toStdString();

    // Bytes that come while the hex view is on are shown there too; off, as text.
    Type("get fw-version");
    window->DlgMainSend();
    ASSERT_TRUE(WaitOutput("3.45"));
    EXPECT_EQ(Box()->RowCount(), static_cast<int>((window->OutputBytes().size() + n - 1) / n));
    // A wider box takes sixteen bytes to a row, a narrow one eight.
    window->resize(1400, window->height());
    QApplication::processEvents();
    EXPECT_EQ(Box()->HexBytes(), TerminalView::HEX_BYTES_WIDE);
    window->resize(window->minimumSize());
    QApplication::processEvents();
    EXPECT_EQ(Box()->HexBytes(), TerminalView::HEX_BYTES_NARROW);
    EXPECT_EQ(Box()->RowText(0).toStdString().substr(0, 12), "00000000  53") << Box()->RowText(0).toStdString();
    window->MenuItemAction("Hex view")->trigger();
    EXPECT_NE(Shown().find("3.45"), std::string::npos);
}

TEST_F(TerminalTest, SendAppendsTheChosenLineEndAndTheOptionsAreRemembered)
{
    StartSimulator();
    OpenWindow({sim->PortPath()});
    ASSERT_EQ(window->DlgMainConnect(), 1);
    const std::pair<const char*, std::string> ends[] = {
        {"Send with LF", "\n"}, {"Send with CR LF", "\r\n"}, {"Send with no line end", ""}, {"Send with CR", "\r"}};
    for (const auto& [item, bytes] : ends) {
        window->MenuItemAction(item)->trigger();
        sim->ClearReceived();
        Type("get avg-a");
        window->DlgMainSend();
        const std::string expected = "get avg-a" + bytes;
        // The wake-up goes first; the command and its line end are the last bytes.
        EXPECT_TRUE(UiWaitFor([&] {
            const std::string got = sim->Received();
            return got.size() > expected.size() && got.compare(got.size() - expected.size(), expected.size(),
                                                               expected) == 0 && got.find("wakeup!") == 0;
        }, kArrivalMs)) << item << ": " << sim->Received();
    }
    window->MenuItemAction("Send with CR LF")->trigger();
    window->MenuItemAction("Time stamps")->trigger();
    window->MenuItemAction("Hex view")->trigger();
    window->DlgMainDisconnect();

    // A new window (the next start) comes back with them, from the file
    // beside the scope's settings.
    EXPECT_EQ(TerminalWindow::SettingsFile(), app.File("VARN-Terminal.ini"));
    window.reset();
    OpenWindow({});
    EXPECT_EQ(window->Settings().nLineEnd, LINE_END_CRLF);
    EXPECT_TRUE(window->MenuItemAction("Send with CR LF")->isChecked());
    EXPECT_FALSE(window->MenuItemAction("Send with CR")->isChecked());
    EXPECT_TRUE(window->MenuItemAction("Time stamps")->isChecked());
    EXPECT_TRUE(Box()->Stamps());
    EXPECT_TRUE(Box()->Hex());
}

TEST_F(TerminalTest, LiveLogHoldsEveryByteBeforeTheWindowCloses)
{
    StartSimulator();
    OpenWindow({sim->PortPath()});
    const std::string log = app.File("live.txt");
    ASSERT_EQ(FileWrite(log.c_str(), "earlier\r\n"), 1);
    SetFileDialogHandler([&](FileDialogMode, const FileDialogRequest&, std::string* p) {
        *p = log;
        return true;
    });
    window->MenuItemAction("Live log...")->trigger();
    ASSERT_TRUE(window->LiveLogging());
    ASSERT_EQ(window->DlgMainConnect(), 1);
    Type("get sens-type");
    window->DlgMainSend();
    ASSERT_TRUE(WaitOutput("KORVALIN"));
    // Everything shown is in the file already, after what it held.
    EXPECT_EQ(ReadFileText(log), "earlier\r\n" + window->OutputBytes());

    // With time stamps, every line starts with one; the output keeps the bytes.
    window->MenuItemAction("Time stamps")->trigger();
    window->DlgMainOutput("one\r\ntwo");
    window->DlgMainOutput(" halves\r\n");
    const std::string text = ReadFileText(log);
    EXPECT_TRUE(std::regex_search(text, std::regex("\r\n\\[\\d\\d:\\d\\d:\\d\\d\\.\\d{3}\\] one\r\n"
                                                   "\\[\\d\\d:\\d\\d:\\d\\d\\.\\d{3}\\] two halves\r\n$")))
        << text;
    window->MenuItemAction("Live log...")->trigger();
    EXPECT_FALSE(window->LiveLogging());
    EXPECT_TRUE(messages.Texts().empty());
}

TEST_F(TerminalTest, ASendNothingAnswersGetsANoticeOnALineOfItsOwn)
{
    PtyPeer peer;
    ASSERT_TRUE(peer.Ok());
    OpenWindow({peer.SlavePath()});
    ASSERT_EQ(window->DlgMainConnect(), 1);
    peer.Send("605");   // an unfinished line
    ASSERT_TRUE(WaitOutput("605"));
    Type("get avg-a");
    window->DlgMainSend();
    ASSERT_TRUE(WaitOutput("no answer to 'get avg-a'", TerminalWindow::NO_ANSWER_MS + kArrivalMs));
    EXPECT_NE(window->OutputBytes().find("605\r\nno answer to 'get avg-a'\r\n"), std::string::npos);
    EXPECT_EQ(window->StatusText(), "no answer to 'get avg-a'");

    // An answer within the time-out: no notice.
    const auto sent = std::chrono::steady_clock::now();
    Type("get avg-b");
    window->DlgMainSend();
    peer.Send("OK\r\n");
    ASSERT_TRUE(WaitOutput("OK\r\n"));
    // The time-out under test passes twice, events running.
    UiWaitFor([&] { return MsSince(sent) > 2 * TerminalWindow::NO_ANSWER_MS; }, 4 * TerminalWindow::NO_ANSWER_MS);
    EXPECT_EQ(window->OutputBytes().find("no answer to 'get avg-b'"), std::string::npos) << window->OutputBytes();
}

TEST(TerminalOutputTest, EmptyLinesAndLongLinesStayWithinTheirBounds)
{
    // A stream of line ends: the index is bounded as well as the bytes.
    TerminalOutput out;
    const std::string ends(TerminalOutput::LINES_MAX + 1000, '\r');
    out.Append(ends.data(), ends.size(), 1);
    EXPECT_LE(out.LineCount(), TerminalOutput::LINES_MAX);
    EXPECT_GE(out.LineCount(), TerminalOutput::LINES_KEEP);
    EXPECT_EQ(out.LineCount(), out.Bytes().size() + 1);
    EXPECT_EQ(out.LineAt(0).uStart, out.Base());

    // A line without an end goes on over rows of ROW_MAX bytes.
    out.Clear();
    const std::string line(2 * TerminalOutput::ROW_MAX + 10, 'x');
    out.Append(line.data(), line.size(), 5);
    ASSERT_EQ(out.LineCount(), 3u);
    EXPECT_EQ(out.LineAt(0).nStampMs, 5);
    EXPECT_EQ(out.LineAt(1).nStampMs, TerminalOutput::STAMP_CONTINUED);
    EXPECT_EQ(out.LineText(2), std::string(10, 'x'));
}
