// The datalogger window offscreen: its controls and menus, busy and idle,
// the bar, and tasks started from its buttons against the simulator.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <cstdlib>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include "appframe.h"
#include "appmain.h"
#include "datalogger_window.h"
#include "filedialog.h"
#include "logger_sim.h"
#include "msgbox.h"
#include "portlist.h"
#include "serial.h"
#include "simulator.h"
#include "suitemenu.h"
#include "test_support.h"
#include "waitpump.h"
#include "window_probe.h"

namespace {

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        AppStartupFrameIn(PROGRAM_DATALOGGER, dir.Path().c_str());
        // Never the machine's own ports; StartSim offers the simulator's.
        SetPortCandidatesHandler([] { return std::vector<std::string>(); });
        window = std::make_unique<DataloggerWindow>();
        hDlgMain = window.get();
        window->SetTaskTimeouts(50, 3000, 0);
        window->show();
    }
    void TearDown() override
    {
        window.reset();
        hDlgMain = nullptr;
        UiWaitFor([] { return DataloggerWindow::RunningWorkers() == 0; }, 10000);
        SetFileDialogHandler(nullptr);
        SetQuestionHandler(nullptr);
        SetPortCandidatesHandler(nullptr);
        if (sim)
            sim->Stop();
    }
    void StartSim(int nRecords)
    {
        std::string error;
        sim = StartLoggerSim(nRecords, nRecords > 1000 ? nRecords : 1000, &error);
        ASSERT_TRUE(sim) << error;
        // Offered under a link name, as the virtual port folder does.
        const std::string link = ports.File("bench1");
        ASSERT_EQ(symlink(sim->PortPath().c_str(), link.c_str()), 0);
        FillPortList(Find<QComboBox>("portList"), {link});
        ASSERT_EQ(Find<QComboBox>("portList")->currentIndex(), 1);
    }
    template <class T>
    T* Find(const char* szName) const
    {
        T* w = window->findChild<T*>(szName);
        EXPECT_NE(w, nullptr) << szName;
        return w;
    }
    QString Text(const char* szLabel) const { return Find<QLabel>(szLabel)->text(); }
    bool WaitIdle(unsigned uMs = 20000)
    {
        return UiWaitFor([this] { return !window->IsTaskRunning(); }, uMs);
    }
    void ChooseFile(const std::string& sPath)
    {
        SetFileDialogHandler([sPath](FileDialogMode nMode, const FileDialogRequest& r, std::string* pPath) {
            EXPECT_EQ(nMode, FILE_DIALOG_SAVE);
            EXPECT_EQ(r.nFilter, 1);
            EXPECT_EQ(r.vFilters[1].first, "Comma Separated Values (*.csv)");
            EXPECT_EQ(r.sDefaultExt, "csv");
            *pPath = sPath;
            return true;
        });
    }
    // The controls a task disables, in the order of the window.
    std::vector<QWidget*> Inputs() const
    {
        return {Find<QComboBox>("portList"), Find<QToolButton>("refreshPorts"), Find<QCheckBox>("debug"),
                Find<QPushButton>("menuButton"), Find<QPushButton>("download"), Find<QPushButton>("refresh"),
                Find<QPushButton>("erase")};
    }
    // Item texts of one menu, separators as "-".
    std::vector<std::string> MenuItems(const char* szMenu) const
    {
        for (QAction* a : window->menuBar()->actions())
            if (PlainMenuText(a->text()) == szMenu)
                return MenuItemTexts(a->menu());
        return {};
    }

    TempDir dir;
    TempDir ports;
    MessageRecorder rec;
    std::unique_ptr<varnsim::Simulator> sim;
    std::unique_ptr<DataloggerWindow> window;
};

TEST_F(WindowTest, ControlsStartIdleWithTheirTexts)
{
    EXPECT_EQ(window->windowTitle().toStdString(), "VARN-LOGGER V1.26 (linux64)");
    EXPECT_EQ(Text("modeValue"), "Unknown");
    EXPECT_EQ(Text("measureValue"), "Unknown");
    for (const char* name : {"modeValue", "measureValue"}) {
        EXPECT_TRUE(Find<QLabel>(name)->font().bold());
        EXPECT_EQ(Find<QLabel>(name)->font().pixelSize(), 14);
    }
    EXPECT_EQ(Text("status").toStdString(), szLoggerIdleHint);
    for (const char* name : {"usageGauge", "progress"}) {
        EXPECT_EQ(Find<QProgressBar>(name)->minimum(), 0);
        EXPECT_EQ(Find<QProgressBar>(name)->maximum(), 100);
        EXPECT_EQ(Find<QProgressBar>(name)->value(), 0);
    }
    for (QWidget* w : Inputs())
        EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_FALSE(Find<QPushButton>("cancel")->isEnabled());
    EXPECT_TRUE(Find<QPushButton>("download")->isDefault());
    EXPECT_FALSE(Find<QCheckBox>("debug")->isChecked());
    EXPECT_EQ(Find<QComboBox>("portList")->itemText(0), "Select...");

    const std::vector<std::pair<const char*, const char*>> tips{
        {"portList", "Serial port list found on this system..."},
        {"refreshPorts", "Refresh serial port list..."},
        {"debug", "Enable/Disable debug and log into file..."},
        {"download", "Start to download data from sensor..."},
        {"refresh", "Refresh storage info..."},
        {"erase", "Erase all data..."},
        {"cancel", "Cancel current operation..."}};
    for (const auto& [name, tip] : tips)
        EXPECT_EQ(Find<QWidget>(name)->toolTip().toStdString(), tip) << name;

    Find<QCheckBox>("debug")->click();
    EXPECT_EQ(bLogEnabled.load(), 1);
    Find<QCheckBox>("debug")->click();
    EXPECT_EQ(bLogEnabled.load(), 0);
}

TEST_F(WindowTest, MenusAndTheirBusyState)
{
    EXPECT_EQ(MenuItems("File"), (std::vector<std::string>{"Check for update at startup", "-", "Quit"}));
    EXPECT_EQ(MenuItems("Tools"),
              (std::vector<std::string>{"Toolbox Menu...", "-", "Terminal...", "Scope...", "Configuration...", "Flash...",
                                        "-", "Open application directory..."}));
    EXPECT_EQ(MenuItems("?"), (std::vector<std::string>{"User Guide", "-", "Programming Examples...", "-",
                                                        "Check for Update...", "-", "About..."}));

    const std::vector<std::string> tools{"Toolbox Menu...", "Terminal...", "Scope...", "Configuration...", "Flash..."};
    const std::vector<std::string> others{"Check for update at startup", "Quit", "Open application directory...",
                                          "User Guide", "Programming Examples...", "Check for Update...", "About..."};
    window->MainDlgState(1);
    for (const std::string& t : tools)
        EXPECT_FALSE(window->MenuItemAction(t.c_str())->isEnabled()) << t;
    for (const std::string& t : others)
        EXPECT_TRUE(window->MenuItemAction(t.c_str())->isEnabled()) << t;
    for (QWidget* w : Inputs())
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_TRUE(Find<QPushButton>("cancel")->isEnabled());

    window->MainDlgState(0);
    for (const std::string& t : tools)
        EXPECT_TRUE(window->MenuItemAction(t.c_str())->isEnabled()) << t;
    EXPECT_FALSE(Find<QPushButton>("cancel")->isEnabled());

    // A tool that is not installed is reported and the window stays.
    window->MenuItemAction("Scope...")->trigger();
    EXPECT_EQ(rec.Last(), "E:File '" + dir.File("VARN-Scope") + "' not found !");
    EXPECT_TRUE(window->isVisible());
}

TEST_F(WindowTest, BarShowsPositionsAtOnceAndFullBeyondTheEnd)
{
    QProgressBar* bar = Find<QProgressBar>("progress");
    window->MainDlgPrg(50, "Downloading 5 (50 %)..");
    EXPECT_EQ(bar->value(), 50);
    EXPECT_EQ(Text("status"), "Downloading 5 (50 %)..");
    window->MainDlgPrg(110, "Downloading 11 (110 %)..");
    EXPECT_EQ(bar->value(), 100);
    EXPECT_EQ(bar->maximum(), 100);
    window->MainDlgPrg(100, "Done !");
    EXPECT_EQ(bar->value(), 100);
    window->MainDlgPrg(0, "Waking up...");
    EXPECT_EQ(bar->value(), 0);
}

TEST_F(WindowTest, TaskWithoutPortReportsAndStaysIdle)
{
    Find<QComboBox>("portList")->setCurrentIndex(0);
    Find<QPushButton>("refresh")->click();
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(rec.Texts(), (std::vector<std::string>{"E:No serial port selected !"}));
    EXPECT_TRUE(Find<QPushButton>("download")->isEnabled());
    EXPECT_EQ(Text("status").toStdString(), szLoggerIdleHint);
}

TEST_F(WindowTest, RefreshThenDownloadFromTheButtons)
{
    StartSim(500);
    Find<QPushButton>("refresh")->click();
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(Text("modeValue"), "on");
    EXPECT_EQ(Text("measureValue"), "500 / 1000 (50%)");
    EXPECT_EQ(Find<QProgressBar>("usageGauge")->value(), 50);
    EXPECT_EQ(Text("status").toStdString(), szLoggerIdleHint);
    EXPECT_EQ(Find<QProgressBar>("progress")->value(), 100);

    if (const char* out = std::getenv("VARN_SCREENSHOT")) {
        window->MainDlgPrg(100, "Done !");
        EXPECT_TRUE(window->grab().save(out, "PNG"));
        window->MainDlgPrg(100, szLoggerIdleHint);
    }

    const std::string file = dir.File("logger.csv");
    ChooseFile(file);
    Find<QPushButton>("download")->click();
    ASSERT_TRUE(WaitIdle());
    const std::string text = ReadFileText(file);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 501);
    EXPECT_FALSE(FileExistsOnDisk(file + ".partial"));
    EXPECT_EQ(rec.Texts(), (std::vector<std::string>{"I:Data successfully downloaded !"}));
    EXPECT_TRUE(Find<QPushButton>("download")->isEnabled());
    EXPECT_FALSE(Find<QPushButton>("cancel")->isEnabled());
}

// Whether the chosen file existed, and what it held, when the error box came.
std::string sTargetAtMessage;
std::string sWatchedTarget;
MessageFn pfnRecorder = nullptr;
void WatchTargetAtMessage(MessageKind nKind, const char* szText)
{
    sTargetAtMessage = FileExistsOnDisk(sWatchedTarget) ? ReadFileText(sWatchedTarget) : "(none)";
    pfnRecorder(nKind, szText);
}

TEST_F(WindowTest, CancelledDownloadKeepsWhatArrivedBesideAnUntouchedTarget)
{
    StartSim(10000);
    const std::string file = dir.File("partial.csv");
    std::ofstream(file) << "yesterday's records\n";
    SetQuestionHandler([](MessageKind, const std::string&) { return 1; });   // overwrite it
    sWatchedTarget = file;
    pfnRecorder = GetMessageHandler();
    SetMessageHandler(WatchTargetAtMessage);
    ChooseFile(file);
    Find<QPushButton>("download")->click();
    ASSERT_TRUE(UiWaitFor([this] { return Text("status").startsWith("Downloading"); }, 20000));
    EXPECT_TRUE(Find<QPushButton>("cancel")->isEnabled());
    EXPECT_FALSE(Find<QPushButton>("download")->isEnabled());
    Find<QPushButton>("cancel")->click();
    ASSERT_TRUE(WaitIdle());
    SetMessageHandler(pfnRecorder);
    // One information, without the hardware hint, naming what was kept.
    ASSERT_EQ(rec.Count(), 1u);
    EXPECT_EQ(rec.Last().rfind("I:Download cancelled after ", 0), 0u) << rec.Last();
    EXPECT_NE(rec.Last().find(" of 10000 records.\nThe records received are kept in '" + file + ".partial'."),
              std::string::npos)
        << rec.Last();
    // The bar stays where the download stopped; the status line says so.
    EXPECT_LT(Find<QProgressBar>("progress")->value(), 100);
    EXPECT_TRUE(Text("status").startsWith("Download cancelled after ")) << Text("status").toStdString();
    // Under the chosen name, while the error was shown and after: the old
    // file, whole. Beside it: every line up to the cancel, each complete.
    EXPECT_EQ(sTargetAtMessage, "yesterday's records\n");
    EXPECT_EQ(ReadFileText(file), "yesterday's records\n");
    const std::string text = ReadFileText(file + ".partial");
    EXPECT_GT(std::count(text.begin(), text.end(), '\n'), 0);
    EXPECT_LT(std::count(text.begin(), text.end(), '\n'), 10001);
    EXPECT_EQ(text.back(), '\n');
    EXPECT_TRUE(Find<QPushButton>("download")->isEnabled());
}

TEST_F(WindowTest, FailedDownloadLeavesNoFileUnderTheChosenName)
{
    StartSim(100);
    sim->SetLoggerFault(varnsim::LoggerFault::CutRecord, 40);
    window->SetTaskTimeouts(50, 1000, 0);   // the cut line is waited for once
    const std::string file = dir.File("cut.csv");
    ChooseFile(file);
    Find<QPushButton>("download")->click();
    ASSERT_TRUE(WaitIdle());
    EXPECT_FALSE(FileExistsOnDisk(file));
    const std::string text = ReadFileText(file + ".partial");
    EXPECT_GE(std::count(text.begin(), text.end(), '\n'), 40);
    ASSERT_GE(rec.Count(), 1u);
    EXPECT_EQ(rec.Texts()[0].substr(0, 2), "E:");
}

TEST_F(WindowTest, ATargetThatIsNoRegularFileIsRefusedBeforeAnythingIsAsked)
{
    StartSim(20);
    int questions = 0;
    SetQuestionHandler([&](MessageKind, const std::string&) { return ++questions, 1; });
    const std::string fifo = dir.File("pipe.csv");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    const std::string link = dir.File("link.csv");
    ASSERT_EQ(symlink(dir.File("elsewhere.csv").c_str(), link.c_str()), 0);
    struct Case {
        std::string path;
        const char* kind;
    };
    for (const Case& c : {Case{fifo, "pipe"}, Case{link, "symbolic link"}, Case{dir.Path(), "folder"}}) {
        const size_t before = rec.Count();
        ChooseFile(c.path);
        Find<QPushButton>("download")->click();
        ASSERT_TRUE(WaitIdle());
        ASSERT_EQ(rec.Count(), before + 1) << c.path;
        EXPECT_EQ(rec.Last(), "E:Could not open file '" + c.path + "' for writing : it is a " + c.kind +
                                  ", not a regular file !");
    }
    EXPECT_EQ(questions, 0);
    EXPECT_FALSE(FileExistsOnDisk(fifo + ".partial"));
    struct stat st{};
    ASSERT_EQ(lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
}

TEST_F(WindowTest, ClosingDuringAStalledDownloadWaitsOneSecondAtMost)
{
    StartSim(100);
    sim->SetLoggerFault(varnsim::LoggerFault::StopAfter, 3);
    ChooseFile(dir.File("stalled.csv"));
    Find<QPushButton>("download")->click();
    ASSERT_TRUE(UiWaitFor([this] { return Text("status").startsWith("Downloading 3 / "); }, 20000));
    // Let the worker get past its cancel check into the read of the line
    // that never comes; a cancel before that check would end the download
    // at once (slow sanitizer builds hit that window).
    UiWaitFor([] { return false; }, 300);
    const auto start = TickCountMs();
    window->close();
    const auto took = TickCountMs() - start;
    EXPECT_GE(took, 900u);
    EXPECT_LT(took, 2000u);
    EXPECT_TRUE(window->IsTaskRunning());
    // The worker ends later by itself, finding no window.
    window.reset();
    EXPECT_TRUE(UiWaitFor([] { return DataloggerWindow::RunningWorkers() == 0; }, 10000));
    EXPECT_EQ(rec.Last(), std::string("E:") + szFailPrefixShort + "Serial port read error\n\n3 of 100 records were " +
                              "received; they are kept in '" + dir.File("stalled.csv.partial") + "'.");
}

TEST_F(WindowTest, DownloadRightAfterACancelFindsAQuietConsole)
{
    StartSim(100000);
    for (const char* name : {"first.csv", "second.csv"}) {
        ChooseFile(dir.File(name));
        Find<QPushButton>("download")->click();
        ASSERT_TRUE(UiWaitFor([this] { return Text("status").startsWith("Downloading"); }, 20000));
        Find<QPushButton>("cancel")->click();
        ASSERT_TRUE(WaitIdle());
        // The sensor no longer streams: the line stays quiet.
        ASSERT_EQ(SerialOpen(sim->PortPath().c_str()), 1);
        SerialSetTimeout(300);
        char tail[256];
        EXPECT_EQ(SerialRead(tail, sizeof tail), 0u);
        SerialClose();
    }
    ASSERT_EQ(rec.Count(), 2u);
    for (const std::string& text : rec.Texts())
        EXPECT_EQ(text.rfind("I:Download cancelled after ", 0), 0u) << text;

    // A download that fails before its first record leaves no file at all.
    sim->SetSilent(true);
    window->SetTaskTimeouts(50, 300, 0);
    ChooseFile(dir.File("third.csv"));
    Find<QPushButton>("download")->click();
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(rec.Last().rfind("E:", 0), 0u);
    EXPECT_FALSE(FileExistsOnDisk(dir.File("third.csv.partial")));
    EXPECT_FALSE(FileExistsOnDisk(dir.File("third.csv")));
    EXPECT_EQ(Text("status"), "Download failed !");
}

TEST_F(WindowTest, EraseNamesThePortAndTheRecordsAndCannotBeCancelled)
{
    StartSim(5000);
    std::string question;
    bool cancelDuringErase = true;
    SetQuestionHandler([&](MessageKind, const std::string& s) {
        question = s;
        return 1;
    });
    window->SetTaskTimeouts(50, 3000, 300);
    Find<QPushButton>("erase")->click();
    ASSERT_TRUE(UiWaitFor([this] { return Text("status").startsWith("Erasing"); }, 20000));
    cancelDuringErase = Find<QPushButton>("cancel")->isEnabled();
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(question, "Erase all 5000 records from the sensor on bench1 ?");
    EXPECT_FALSE(cancelDuringErase);
    EXPECT_EQ(Text("measureValue"), "0 / 5000 (0%)");
}

// Two sensors offered; the one in use hangs up in the middle of a download.
TEST_F(WindowTest, ALostPortIsNeverReplacedByAnotherSensor)
{
    StartSim(100000);
    std::string error;
    auto other = StartLoggerSim(10, 1000, &error);
    ASSERT_TRUE(other) << error;
    const std::string otherLink = ports.File("bench2");
    ASSERT_EQ(symlink(other->PortPath().c_str(), otherLink.c_str()), 0);
    const std::vector<std::string> candidates{ports.File("bench1"), otherLink};
    SetPortCandidatesHandler([candidates] { return candidates; });
    Find<QToolButton>("refreshPorts")->click();
    QComboBox* list = Find<QComboBox>("portList");
    ASSERT_EQ(list->count(), 3);
    ASSERT_EQ(list->currentText(), "bench1");

    Find<QPushButton>("refresh")->click();
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(Text("measureValue"), "100000 / 100000 (100%)");
    ChooseFile(dir.File("lost.csv"));
    Find<QPushButton>("download")->click();
    ASSERT_TRUE(UiWaitFor([this] { return Text("status").startsWith("Downloading"); }, 20000));
    sim->HangUp();
    ASSERT_TRUE(WaitIdle());
    // "Select..." instead of the other sensor, and nothing of the lost one.
    EXPECT_EQ(list->currentIndex(), 0);
    EXPECT_EQ(list->count(), 2);
    EXPECT_EQ(Text("modeValue"), "Unknown");
    EXPECT_EQ(Text("measureValue"), "Unknown");
    EXPECT_EQ(Find<QProgressBar>("usageGauge")->value(), 0);
    EXPECT_LT(Find<QProgressBar>("progress")->value(), 100);
    EXPECT_TRUE(Text("status").startsWith("Download failed after ")) << Text("status").toStdString();
    const size_t messages = rec.Count();
    Find<QPushButton>("erase")->click();
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(rec.Last(), "E:No serial port selected !");
    EXPECT_EQ(rec.Count(), messages + 1);
    EXPECT_EQ(other->Commands(), std::vector<std::string>());

    // The lost port comes back under its name: selected again at the next
    // refresh. Another refresh keeps it.
    std::string why;
    auto back = StartLoggerSim(3, 1000, &why);
    ASSERT_TRUE(back) << why;
    ASSERT_EQ(unlink(ports.File("bench1").c_str()), 0);
    ASSERT_EQ(symlink(back->PortPath().c_str(), ports.File("bench1").c_str()), 0);
    Find<QToolButton>("refreshPorts")->click();
    EXPECT_EQ(list->currentText(), "bench1");
    Find<QToolButton>("refreshPorts")->click();
    EXPECT_EQ(list->currentText(), "bench1");
    // A port the user chose stays chosen while it is listed.
    list->setCurrentIndex(2);
    Find<QToolButton>("refreshPorts")->click();
    EXPECT_EQ(list->currentText(), "bench2");
}

}  // namespace
