// The terminal window against the simulator and a scripted peer, each on a
// real pseudo-terminal.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <chrono>
#include <memory>

#include "appframe.h"
#include "desktop.h"
#include "pty_peer.h"
#include "serial.h"
#include "simulator.h"
#include "terminal_window.h"
#include "test_support.h"

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
    std::string Shown() { return Child<QPlainTextEdit>("outputBox")->toPlainText().toStdString(); }
    bool WaitOutput(const std::string& text, unsigned ms = kArrivalMs)
    {
        return UiWaitFor([&] { return window->OutputBytes().find(text) != std::string::npos; }, ms);
    }
    void Type(const char* text)
    {
        CommandLine()->lineEdit()->setText(text);
    }

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

TEST_F(TerminalTest, EnterSendsAndTheHistoryKeepsEveryLineAtItsEnd)
{
    StartSimulator();
    OpenWindow({sim->PortPath()});
    ASSERT_EQ(window->DlgMainConnect(), 1);
    QLineEdit* edit = CommandLine()->lineEdit();
    for (int i = 0; i < 2; i++) {
        QTest::keyClicks(edit, "get fw-version");
        QTest::keyClick(edit, Qt::Key_Return);
        EXPECT_TRUE(edit->text().isEmpty());
        ASSERT_EQ(CommandLine()->count(), i + 1);
        EXPECT_EQ(CommandLine()->itemText(i), "get fw-version");
    }
    EXPECT_TRUE(WaitOutput("3.45")) << window->OutputBytes() << "\nsent: " << sim->Received();

    // A prefix of a remembered command is sent as typed, not completed.
    sim->ClearReceived();
    QTest::keyClicks(edit, "get");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(CommandLine()->itemText(2), "get");
    EXPECT_TRUE(UiWaitFor([&] { return sim->Received().find("get\r") != std::string::npos; }, kArrivalMs))
        << sim->Received();
    EXPECT_EQ(sim->Received().find("get fw-version"), std::string::npos);

    // An empty line sends a lone carriage return and is not remembered.
    sim->ClearReceived();
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(CommandLine()->count(), 3);
    EXPECT_TRUE(UiWaitFor([&] { return sim->Received().find("wakeup!\r\r") != std::string::npos; }, kArrivalMs))
        << sim->Received();

    // Clearing the output keeps the history.
    window->MenuItemAction("Clear terminal")->trigger();
    EXPECT_TRUE(window->OutputBytes().empty());
    EXPECT_TRUE(Shown().empty());
    EXPECT_EQ(CommandLine()->count(), 3);
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
    const std::string shown = Child<QPlainTextEdit>("outputBox")->toPlainText().toLatin1().toStdString();
    EXPECT_NE(shown.find("line 0 \xB0\x7F\t---"), std::string::npos);
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
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    EXPECT_LT(ms.count(), 1000);
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
    peer.Send("last words\r\n");
    ASSERT_TRUE(WaitOutput("last words"));
    peer.HangUp();
    ASSERT_TRUE(UiWaitFor([&] { return !window->IsConnected(); }, kArrivalMs));
    const std::string out = window->OutputBytes();
    const std::string lost = "Serial port connection lost !\r\n";
    const size_t at = out.find(lost);
    ASSERT_NE(at, std::string::npos) << out;
    EXPECT_EQ(out.find(lost, at + 1), std::string::npos);
    EXPECT_EQ(out.substr(at + lost.size()), "Serial port closed !\r\n");
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
    std::vector<std::string> all;
    for (QAction* menu : window->menuBar()->actions()) {
        all.push_back("[" + menu->text().toStdString() + "]");
        for (QAction* a : menu->menu()->actions())
            all.push_back(a->isSeparator() ? "-" : a->text().toStdString());
    }
    EXPECT_EQ(all, (std::vector<std::string>{
                       "[File]", "Save as...", "-", "Clear terminal", "-", "Check for update at startup", "-", "Quit",
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
