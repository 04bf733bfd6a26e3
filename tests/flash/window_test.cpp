// The flash window offscreen: states, menus, the file field (empty, dropped,
// chosen), and runs against the simulator through the real buttons.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QPixmap>
#include <QUrl>
#include <chrono>
#include <cstdlib>
#include <unistd.h>

#include "appframe.h"
#include "appmain.h"
#include "bootloader.h"
#include "filedialog.h"
#include "flash_fixture.h"
#include "flash_window.h"
#include "msgbox.h"
#include "portlist.h"
#include "pty_peer.h"
#include "simulator.h"
#include "test_support.h"
#include "waitpump.h"
#include "window_probe.h"

namespace {

using Clock = std::chrono::steady_clock;

class FlashWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        AppStartupFrameIn(PROGRAM_FLASH, dir.Path().c_str());
        hCancelEvent.Reset();
        SetPortCandidatesHandler([this] { return vPorts; });
        SetQuestionHandler([this](MessageKind, const std::string& s) {
            vQuestions.push_back(s);
            return 0;
        });
        window = std::make_unique<FlashWindow>();
        hDlgMain = window.get();
    }

    void TearDown() override
    {
        if (window) {
            window->WaitRunEnded(15000);
            hDlgMain = nullptr;
            window.reset();
        }
        SetPortCandidatesHandler(nullptr);
        SetQuestionHandler(nullptr);
        SetFileDialogHandler(nullptr);
        bLogEnabled = 0;
    }

    // A simulator the port list offers; powered up after uPowerUpMs (< 0:
    // never).
    void StartSim(int nPowerUpMs, bool bPaced = false)
    {
        varnsim::Options o;
        o.paced = bPaced;
        o.poweredOn = false;
        o.powerUpAfterMs = nPowerUpMs;
        sim = std::make_unique<varnsim::Simulator>(o);
        std::string why;
        ASSERT_TRUE(sim->Start(&why)) << why;
        vPorts = {sim->PortPath()};
        window->RefreshButton()->click();
        ASSERT_EQ(window->PortList()->currentIndex(), 1);
    }

    bool Idle() const
    {
        return window->FlashButton()->isEnabled() && !window->CancelButton()->isEnabled();
    }

    TempDir dir;
    MessageRecorder rec;
    std::vector<std::string> vPorts;
    std::vector<std::string> vQuestions;
    std::unique_ptr<varnsim::Simulator> sim;
    std::unique_ptr<FlashWindow> window;
};

TEST_F(FlashWindowTest, StartsIdleWithItsHintAndSwitchesToBusy)
{
    FlashWindow& w = *window;
    EXPECT_EQ(w.StatusLine()->text().toStdString(), szFlashIdleHint);
    EXPECT_EQ(w.ProgressBar()->minimum(), 0);
    EXPECT_EQ(w.ProgressBar()->maximum(), 100);
    EXPECT_EQ(w.ProgressBar()->value(), 0);
    EXPECT_EQ(w.FileField()->text(), "");
    EXPECT_EQ(w.PortList()->itemText(0), "Select...");
    EXPECT_TRUE(w.FlashButton()->isDefault());

    const std::vector<QWidget*> inputs = {w.PortList(), w.RefreshButton(), w.DebugBox(),  w.FileField(),
                                          w.BrowseButton(), w.FlashButton(), w.InfoButton(), w.MenuButton()};
    const std::vector<std::string> greyed = {"Select firmware file...", "Scope...", "Toolbox Menu...",
                                             "Configuration...", "Terminal...", "Datalogger..."};
    const std::vector<std::string> always = {"Check for update at startup", "Quit", "Open application directory...",
                                             "User Guide", "Programming Examples...", "Check for Update...",
                                             "About..."};
    for (int busy : {1, 0}) {
        SCOPED_TRACE(busy ? "busy" : "idle");
        w.MainDlgState(busy);
        for (QWidget* c : inputs)
            EXPECT_EQ(c->isEnabled(), !busy) << c->objectName().toStdString();
        EXPECT_EQ(w.CancelButton()->isEnabled(), busy == 1);
        for (const std::string& item : greyed)
            EXPECT_EQ(w.Menu().at(item)->isEnabled(), !busy) << item;
        for (const std::string& item : always)
            EXPECT_TRUE(w.Menu().at(item)->isEnabled()) << item;
    }

    // A full bar is drawn at once, and the range stays 0..100.
    w.MainDlgPrg(100, "Exiting bootloader...");
    EXPECT_EQ(w.ProgressBar()->value(), 100);
    EXPECT_EQ(w.ProgressBar()->maximum(), 100);
    EXPECT_EQ(w.StatusLine()->text(), "Exiting bootloader...");
}

TEST_F(FlashWindowTest, MenusHaveTheirItemsSeparatorsAndTips)
{
    EXPECT_EQ(MenuListing(window->menuBar()),
              (std::vector<std::string>{
                  "[File]", "Select firmware file...", "-", "Check for update at startup", "-", "Quit",
                  "[Tools]", "Toolbox Menu...", "-", "Terminal...", "Datalogger...", "Scope...", "Configuration...",
                  "-", "Open application directory...",
                  "[?]", "User Guide", "-", "Programming Examples...", "-", "Check for Update...", "-", "About...",
              }));
    EXPECT_EQ(window->FileField()->toolTip(), "Firmware file name (You can drag'n drop file here)...");
    EXPECT_EQ(window->BrowseButton()->toolTip(), "Select firmare file...");
    EXPECT_EQ(window->CancelButton()->toolTip(), "Cancel current operation...");
    EXPECT_EQ(window->PortList()->toolTip(), "Serial port list found on this system...");

    window->DebugBox()->setChecked(true);
    EXPECT_EQ(bLogEnabled.load(), 1);
    window->DebugBox()->setChecked(false);
    EXPECT_EQ(bLogEnabled.load(), 0);
}

TEST_F(FlashWindowTest, FlashWithoutAFileStartsNothing)
{
    window->FlashButton()->click();
    EXPECT_EQ(rec.Texts(), std::vector<std::string>{"E:Please enter firmware filename !"});
    EXPECT_FALSE(window->RunActive());
    EXPECT_TRUE(Idle());

    // Info needs no file; without a port the run says so and stays idle.
    window->InfoButton()->click();
    ASSERT_TRUE(window->WaitRunEnded(2000));
    EXPECT_EQ(rec.Last(), "E:No serial port selected !");
    EXPECT_TRUE(Idle());
}

TEST_F(FlashWindowTest, AnImageThatCannotBeSentIsReportedBeforeTheWait)
{
    StartSim(0);   // a sensor powered up at once would be caught by a start
    ASSERT_TRUE(WriteFile(dir.File("empty.bin"), std::vector<uint8_t>()));
    const std::vector<std::pair<std::string, std::string>> cases = {
        {dir.File("mistyped.bin"), "E:Could not open file '" + dir.File("mistyped.bin") + "' !"},
        {dir.Path(), "E:Could not open file '" + dir.Path() + "' : it is a folder, not a firmware file !"},
        {dir.File("empty.bin"), "E:Nothing to upload !"},
    };
    for (const auto& [file, message] : cases) {
        window->FileField()->setText(QString::fromStdString(file));
        window->FlashButton()->click();
        EXPECT_EQ(rec.Last(), message);
        EXPECT_FALSE(window->RunActive()) << file;
        EXPECT_TRUE(Idle());
        EXPECT_EQ(window->StatusLine()->text().toStdString(), szFlashIdleHint);
    }
    EXPECT_EQ(rec.Count(), cases.size());
    // The line was never opened: the sensor saw no MAGIC.
    QApplication::processEvents();
    EXPECT_EQ(sim->Received(), "");
}

TEST_F(FlashWindowTest, DroppedFileReplacesTheField)
{
    window->FileField()->setText("old.bin");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile("/data/fw/new image.bin"), QUrl::fromLocalFile("/data/fw/second.bin")});
    const QPoint at = window->FileField()->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window->FileField(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window->FileField(), &drop);
    EXPECT_EQ(window->FileField()->text(), "/data/fw/new image.bin");

    // Not while a run is busy.
    window->MainDlgState(1);
    QMimeData other;
    other.setUrls({QUrl::fromLocalFile("/data/fw/late.bin")});
    QDropEvent late(QPointF(at), Qt::CopyAction, &other, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &late);
    EXPECT_EQ(window->FileField()->text(), "/data/fw/new image.bin");
}

TEST_F(FlashWindowTest, SelectFileStartsInFirmwaresWithTheBinFilter)
{
    window->FileField()->setText("current.bin");
    FileDialogRequest seen;
    std::string answer = "/data/fw/chosen.bin";
    SetFileDialogHandler([&](FileDialogMode mode, const FileDialogRequest& r, std::string* path) {
        EXPECT_EQ(mode, FILE_DIALOG_OPEN);
        seen = r;
        if (answer.empty())
            return false;
        *path = answer;
        return true;
    });
    window->BrowseButton()->click();
    EXPECT_EQ(seen.sStartDir, dir.Path() + "/Firmwares");
    EXPECT_EQ(seen.sStartFile, "current.bin");
    ASSERT_EQ(seen.vFilters.size(), 2u);
    EXPECT_EQ(seen.vFilters[0].first, "All (*.*)");
    EXPECT_EQ(seen.vFilters[1].first, "VARN Firmware (*.bin)");
    EXPECT_EQ(seen.vFilters[1].second, "*.BIN");
    EXPECT_EQ(seen.nFilter, 1);
    EXPECT_EQ(window->FileField()->text(), "/data/fw/chosen.bin");

    answer.clear();
    window->Menu().at("Select firmware file...")->trigger();
    EXPECT_EQ(window->FileField()->text(), "/data/fw/chosen.bin");
}

TEST_F(FlashWindowTest, InfoRunIsBusyThenIdleWithTheInformationShown)
{
    StartSim(300);
    window->InfoButton()->click();
    ASSERT_TRUE(UiWaitFor([&] { return window->CancelButton()->isEnabled(); }, 2000));
    EXPECT_FALSE(window->FlashButton()->isEnabled());
    EXPECT_FALSE(window->Menu().at("Scope...")->isEnabled());
    ASSERT_TRUE(window->WaitRunEnded(5000));
    EXPECT_TRUE(Idle());
    EXPECT_EQ(window->StatusLine()->text().toStdString(), szFlashIdleHint);
    EXPECT_EQ(window->ProgressBar()->value(), 100);
    ASSERT_EQ(rec.Count(), 1u);
    EXPECT_EQ(rec.Last().substr(0, 27), "I:Bootloader : VARN-BL 1.12");
}

TEST_F(FlashWindowTest, CancelWhileWaitingEndsTheRunAtOnce)
{
    StartSim(-1);
    ASSERT_TRUE(WriteFile(dir.File("fw.bin"), MakeImage(1024)));
    window->FileField()->setText(QString::fromStdString(dir.File("fw.bin")));
    window->FlashButton()->click();
    ASSERT_TRUE(UiWaitFor([&] { return window->CancelButton()->isEnabled(); }, 2000));
    // The start loop has made its first pass once the bar moves.
    ASSERT_TRUE(UiWaitFor([&] { return window->ProgressBar()->value() >= 1; }, 2000));
    const auto t = Clock::now();
    window->CancelButton()->click();
    ASSERT_TRUE(window->WaitRunEnded(2000));
    EXPECT_LT(MsSince(t), 300);
    // One information box; the status line says it, the bar stays.
    EXPECT_EQ(rec.Texts(), (std::vector<std::string>{"I:Firmware flash cancelled before the bootloader answered: "
                                                     "nothing was written to the sensor."}));
    EXPECT_EQ(window->StatusLine()->text(), "Firmware flash cancelled");
    EXPECT_LT(window->ProgressBar()->value(), 100);
    EXPECT_TRUE(Idle());
}

TEST_F(FlashWindowTest, ClosingDuringAnUploadAsksThenStopsAfterTheBlock)
{
    StartSim(200, true);
    window->show();
    ASSERT_TRUE(WriteFile(dir.File("big.bin"), MakeImage(64 * 1024)));
    window->FileField()->setText(QString::fromStdString(dir.File("big.bin")));
    window->FlashButton()->click();
    ASSERT_TRUE(UiWaitFor([&] { return window->StatusLine()->text().startsWith("Uploading"); }, 5000));
    // No (the default): the window stays and the upload goes on.
    EXPECT_FALSE(window->close());
    EXPECT_EQ(vQuestions, std::vector<std::string>{FlashWindow::szCloseDuringUpload});
    EXPECT_TRUE(window->isVisible());
    const QString before = window->StatusLine()->text();
    ASSERT_TRUE(UiWaitFor([&] { return window->StatusLine()->text() != before; }, 5000));
    // Yes ("Quit" here, which closes without the close box's wait): the
    // upload stops after the block in flight, then the window closes.
    SetQuestionHandler([](MessageKind, const std::string&) { return 1; });
    const auto t = Clock::now();
    window->Menu().at("Quit")->trigger();
    EXPECT_LT(MsSince(t), 1500);
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(window->RunActive());
    EXPECT_TRUE(sim->InBootloader());
    EXPECT_TRUE(sim->FlashedImage().empty());
}

TEST_F(FlashWindowTest, TheChosenImageShowsItsVersionStamp)
{
    ASSERT_TRUE(WriteFile(dir.File("new.bin"), MakeImage(4096, "2.37", 1000)));
    ASSERT_TRUE(WriteFile(dir.File("plain.bin"), MakeImage(4096)));
    window->FileField()->setText(QString::fromStdString(dir.File("new.bin")));
    EXPECT_EQ(window->VersionLabel()->text(), "version 2.37");
    window->FileField()->setText(QString::fromStdString(dir.File("plain.bin")));
    EXPECT_EQ(window->VersionLabel()->text(), "no version stamp");
    window->FileField()->setText(QString::fromStdString(dir.File("pla")));
    EXPECT_EQ(window->VersionLabel()->text(), "");
}

TEST_F(FlashWindowTest, TheIdleHintIsWholeInTheSmallestWindow)
{
    window->show();
    window->resize(window->minimumSizeHint());
    QApplication::processEvents();
    QLabel* status = window->StatusLine();
    EXPECT_GE(status->height(), status->heightForWidth(status->width())) << status->width();
}

// Renders the window in the middle of an upload; VARN_SCREENSHOT_DIR keeps the
// picture (docs/screenshots/flash.png is made this way).
TEST_F(FlashWindowTest, RendersToAPicture)
{
    PtyPeer peer;
    ASSERT_TRUE(peer.Ok());
    const std::string link = dir.File("bench1");
    ASSERT_EQ(symlink(peer.SlavePath().c_str(), link.c_str()), 0);
    vPorts = {link};
    window->RefreshButton()->click();
    window->FileField()->setText("Firmwares/varn-fw-3.45.bin");
    window->MainDlgPrg(37, "Uploading firmware 37 % (97024/262144 bytes)...");
    window->MainDlgState(1);
    window->resize(window->sizeHint().expandedTo(QSize(560, 0)));
    window->show();
    QApplication::processEvents();
    const QPixmap picture = window->grab();
    ASSERT_FALSE(picture.isNull());
    EXPECT_GT(picture.width(), 300);
    const char* out = std::getenv("VARN_SCREENSHOT_DIR");
    if (out != nullptr) {
        EXPECT_TRUE(picture.save(QString::fromLocal8Bit(out) + "/flash.png"));
    }
}

}  // namespace
