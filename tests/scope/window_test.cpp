// VARN-Scope's window offscreen against the simulated sensor: its states,
// the plots as drawn, "Record to wav", Disconnect and closing while
// connected.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <chrono>
#include <filesystem>
#include <QComboBox>
#include <memory>
#include <sys/stat.h>

#include "appframe.h"
#include "appmain.h"
#include "host_port.h"
#include "portlist.h"
#include "scope_draw.h"
#include "scope_window.h"
#include "serial.h"
#include "standin.h"
#include "suitemenu.h"
#include "test_support.h"
#include "waitpump.h"
#include "window_probe.h"

namespace {

class ScopeWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        AppStartupFrameIn(PROGRAM_SCOPE, app.Path().c_str());
        ASSERT_TRUE(FileWriteOk(app.File("VARN-Scope.ini"), "wavEnable=0\nnWavDuration=600\nwavDir=" + app.File("wav") + "\n"));
    }
    void TearDown() override
    {
        window.reset();
        hDlgMain = nullptr;
        SetPortCandidatesHandler(nullptr);
        if (sim)
            sim->Stop();
    }
    void StartSim(const std::string& sFirmware)
    {
        varnsim::Options options = FastOptions("KORVALIN");
        options.fwVersion = sFirmware;
        sim = std::make_unique<varnsim::Simulator>(options);
        std::string error;
        ASSERT_TRUE(sim->Start(&error)) << error;
        const std::string port = sim->PortPath();
        SetPortCandidatesHandler([port] { return std::vector<std::string>{port}; });
    }
    void Open()
    {
        window = std::make_unique<ScopeWindow>();
        hDlgMain = window.get();
        // Short reads: each start-up read waits its whole time-out.
        window->Session().uPortTimeoutMs = 200;
        window->show();
        QApplication::processEvents();
    }
    // Pixels of a colour (within a small distance) in the plots as painted.
    int Count(const QColor& c)
    {
        const QImage image = window->Plots()->grab().toImage();
        int n = 0;
        for (int y = 0; y < image.height(); y++)
            for (int x = 0; x < image.width(); x++) {
                const QColor p = image.pixelColor(x, y);
                if (std::abs(p.red() - c.red()) < 40 && std::abs(p.green() - c.green()) < 40 &&
                    std::abs(p.blue() - c.blue()) < 40)
                    n++;
            }
        return n;
    }
    bool WaitFrames(unsigned n) { return UiWaitFor([&] { return window->Session().uFrames.load() >= n; }, 20000); }

    TempDir app;
    MessageRecorder messages;
    std::unique_ptr<varnsim::Simulator> sim;
    std::unique_ptr<ScopeWindow> window;
};

TEST_F(ScopeWindowTest, StartsDisconnectedWithFlatLinesAndItsMenu)
{
    Open();
    EXPECT_FALSE(FindChild<QPushButton>(window.get(), "disconnect")->isEnabled());
    EXPECT_TRUE(FindChild<QPushButton>(window.get(), "connect")->isEnabled());
    EXPECT_EQ(window->windowTitle().toStdString(), "VARN-SCOPE V1.45 (linux64)");
    EXPECT_EQ(MenuListing(window->menuBar()), (std::vector<std::string>{
                       "[File]", "Record to wav", "-", "Check for update at startup", "-", "Quit",
                       "[View]", "Pause", "-", "Spectrum", "Statistics", "-", "Save picture as PNG...",
                       "[Tools]", "Toolbox Menu...", "-", "Terminal...", "Datalogger...", "Configuration...",
                       "Flash...", "-", "Open application directory...", "Open wav directory...",
                       "[?]", "User Guide...", "-", "Programming Examples...", "-", "Check for Update...", "-",
                       "About..."}));
    EXPECT_TRUE(window->MenuItem("Record to wav")->isCheckable());
    EXPECT_FALSE(window->MenuItem("Record to wav")->isChecked());
    // No label and no waiting text yet; the curves lie flat at the bottom.
    EXPECT_EQ(Count(SCOPE_WAITING_COLOR), 0);
    const QImage image = window->Plots()->grab().toImage();
    const ScopePlotGeometry g = ScopeGeometry(ScopePlotArea(window->Plots()->rect()));
    EXPECT_GT(Count(SCOPE_CURVE_COLOR), 0);
    int curveRows = 0;
    for (int y = g.T; y < g.T + g.H; y++)
        if (image.pixelColor(g.L + g.W / 2, y) == SCOPE_CURVE_COLOR) {
            curveRows++;
            EXPECT_GE(y, g.T + g.H - 4) << y;
        }
    EXPECT_GT(curveRows, 0);
}

TEST_F(ScopeWindowTest, ConnectWaitsInRedThenDrawsAndDisconnectFreesThePort)
{
    StartSim("2.82");
    Open();
    FindChild<QPushButton>(window.get(), "connect")->click();
    ASSERT_TRUE(window->IsConnected()) << messages.Last();
    EXPECT_FALSE(FindChild<QPushButton>(window.get(), "connect")->isEnabled());
    EXPECT_FALSE(window->MenuItem("Flash...")->isEnabled());
    EXPECT_TRUE(window->MenuItem("Record to wav")->isEnabled());
    ASSERT_TRUE(UiWaitFor([&] { return Count(SCOPE_WAITING_COLOR) > 0 || window->Session().Streaming(); }, 5000));
    ASSERT_TRUE(WaitFrames(2));
    QApplication::processEvents();
    EXPECT_EQ(Count(SCOPE_WAITING_COLOR), 0);
    EXPECT_GT(Count(SCOPE_CURVE_COLOR), 2000);   // both curves drawn across the plots

    const auto t0 = std::chrono::steady_clock::now();
    FindChild<QPushButton>(window.get(), "disconnect")->click();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(SCOPE_STOP_WAIT_MS));
    EXPECT_FALSE(window->IsConnected());
    EXPECT_TRUE(window->MenuItem("Flash...")->isEnabled());
    ASSERT_EQ(SerialOpen(sim->PortPath().c_str()), 1) << "the window let go of the port";
    SerialClose();
}

TEST_F(ScopeWindowTest, RecordToWavIsWrittenAtOnceAndClosingFinishesTheFile)
{
    StartSim("2.82");
    Open();
    window->MenuItem("Record to wav")->trigger();
    EXPECT_NE(ReadFileText(app.File("VARN-Scope.ini")).find("wavEnable=1\n"), std::string::npos);
    FindChild<QPushButton>(window.get(), "connect")->click();
    ASSERT_TRUE(window->IsConnected()) << messages.Last();
    ASSERT_TRUE(WaitFrames(3));
    // Closing while connected stops the thread and finishes the WAV file
    // as Disconnect does.
    window->close();
    EXPECT_FALSE(window->IsConnected());
    size_t wavs = 0;
    for (const auto& e : std::filesystem::directory_iterator(app.File("wav")))
        if (e.path().extension() == ".wav")
            wavs++;
    EXPECT_EQ(wavs, 1u);
    EXPECT_FALSE(std::filesystem::exists(app.File("wav/tmp.bin")));

    // The setting came back with the next start.
    window = std::make_unique<ScopeWindow>();
    EXPECT_TRUE(window->MenuItem("Record to wav")->isChecked());
}

TEST_F(ScopeWindowTest, RecordingThatCannotBeWrittenShowsItsErrorAndStops)
{
    // The WAV folder's name is taken by a file.
    ASSERT_TRUE(FileWriteOk(app.File("wav"), "x"));
    StartSim("2.82");
    Open();
    window->MenuItem("Record to wav")->trigger();
    FindChild<QPushButton>(window.get(), "connect")->click();
    ASSERT_TRUE(window->IsConnected()) << messages.Last();
    ASSERT_TRUE(UiWaitFor([&] { return !window->MenuItem("Record to wav")->isChecked(); }, 20000));
    ASSERT_EQ(messages.Count(), 1u);
    EXPECT_NE(messages.Last().find("Recording stopped: the wav folder '" + app.File("wav") + "' cannot be used"),
              std::string::npos) << messages.Last();
    // The stream goes on without the recording; the user's choice stays in the file.
    const unsigned frames = window->Session().uFrames.load();
    ASSERT_TRUE(WaitFrames(frames + 2));
    EXPECT_EQ(messages.Count(), 1u);
    EXPECT_NE(ReadFileText(app.File("VARN-Scope.ini")).find("wavEnable=1\n"), std::string::npos);
    window->DlgMainDisconnect();
}

TEST_F(ScopeWindowTest, PipeInPlaceOfTheSettingsFileDoesNotHoldTheStart)
{
    std::remove(app.File("VARN-Scope.ini").c_str());
    ASSERT_EQ(mkfifo(app.File("VARN-Scope.ini").c_str(), 0600), 0);
    Open();
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->MenuItem("Record to wav")->isChecked());
}

TEST_F(ScopeWindowTest, SpaceOnThePlotsPausesThePictureWhileTheRecordingGoesOn)
{
    StartSim("2.82");
    Open();
    window->MenuItem("Record to wav")->trigger();
    FindChild<QPushButton>(window.get(), "connect")->click();
    ASSERT_TRUE(window->IsConnected()) << messages.Last();
    ASSERT_TRUE(WaitFrames(2));
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    ASSERT_TRUE(window->Plots()->hasFocus()) << "the plots take the focus at Connect";
    QTest::keyClick(window->Plots(), Qt::Key_Space);
    ASSERT_TRUE(window->Paused());
    const QImage frozen = window->Picture();
    const std::string raw = app.File("wav/tmp.bin");
    const auto recorded = std::filesystem::file_size(raw);
    const unsigned frames = window->Session().uFrames.load();
    ASSERT_TRUE(WaitFrames(frames + 3));
    QApplication::processEvents();
    EXPECT_EQ(window->Picture(), frozen) << "the picture stays";
    EXPECT_GE(std::filesystem::file_size(raw), recorded + 3 * 4000) << "the recording goes on";
    QTest::keyClick(window->Plots(), Qt::Key_Space);
    EXPECT_FALSE(window->Paused());
    ASSERT_TRUE(WaitFrames(window->Session().uFrames.load() + 1));
    EXPECT_NE(window->Picture(), frozen);
}

TEST_F(ScopeWindowTest, ALostLineGreysThePlotsWithNoSignalAndStaysConnected)
{
    StartSim("2.82");
    Open();
    FindChild<QPushButton>(window.get(), "connect")->click();
    ASSERT_TRUE(window->IsConnected()) << messages.Last();
    ASSERT_TRUE(WaitFrames(2));
    QApplication::processEvents();
    EXPECT_GT(Count(SCOPE_CURVE_COLOR), 2000);
    sim->HangUp();
    ASSERT_TRUE(UiWaitFor([&] { return window->Session().Result() == SCOPE_RECEIVE_STREAM; }, 10000));
    QApplication::processEvents();
    EXPECT_EQ(messages.Last(), "E:Serial port connection lost !");
    EXPECT_TRUE(window->IsConnected());
    EXPECT_EQ(Count(SCOPE_CURVE_COLOR), 0) << "no curve in the live colour";
    EXPECT_GT(Count(SCOPE_NO_SIGNAL_COLOR), 1000);
    // Disconnect ends the connection as usual.
    FindChild<QPushButton>(window.get(), "disconnect")->click();
    EXPECT_FALSE(window->IsConnected());
}

TEST_F(ScopeWindowTest, NoPortChosenIsRefused)
{
    Open();
    window->PortList()->setCurrentIndex(0);
    FindChild<QPushButton>(window.get(), "connect")->click();
    EXPECT_EQ(messages.Last(), "E:No serial port selected !");
    EXPECT_FALSE(window->IsConnected());
}

}  // namespace
