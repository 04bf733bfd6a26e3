// The progress window, the password dialog and the control seam of the
// configuration window: what an operation shows while it runs, the one
// progress window of a chained send and load, the password's capacity,
// and the seam's calls from a worker thread.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <atomic>
#include <cstring>
#include <set>
#include <thread>

#include "config_task.h"
#include "progress.h"
#include "serial.h"
#include "waitpump.h"
#include "window_fixture.h"


TEST_F(ConfigWindowTest, ProgressWindowKeepsTheWindowWithoutInputWhileALoadRuns)
{
    Connected();
    sim->SetAnswerDelayMs(5);
    ProgressSeen seen;
    {
        WindowProbe probe(Watch(window.get(), &seen));
        Click(window->ReloadButton());
    }
    EXPECT_EQ(seen.vTitles, std::vector<std::string>{"Loading..."});
    EXPECT_FALSE(seen.bInputWhileOpen);
    EXPECT_TRUE(seen.bCentred);
    EXPECT_EQ(seen.nMostVisible, 1);
    EXPECT_FALSE(window->Progress().Window()->isVisible());
    EXPECT_FALSE(window->Progress().IsOpen());
    EXPECT_TRUE(window->InputEnabled());
    EXPECT_EQ(window->Progress().Window()->Bar()->value(), 100);
}

TEST_F(ConfigWindowTest, ASendAndItsReloadShowOneProgressWindowAtATime)
{
    Connected();
    sim->SetAnswerDelayMs(3);
    ProgressSeen seen;
    {
        WindowProbe probe(Watch(window.get(), &seen));
        Click(window->ApplyButton());
    }
    ASSERT_EQ(window->Operations().ChainResult(), 1) << messages->Last();
    EXPECT_EQ(seen.vTitles, (std::vector<std::string>{"Sending...", "Loading..."}));
    EXPECT_EQ(seen.nMostVisible, 1);
    EXPECT_FALSE(seen.bInputWhileOpen);
    EXPECT_TRUE(window->InputEnabled());
    std::set<QObject*> windows;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == "DlgPrg")
            windows.insert(w);
    EXPECT_EQ(windows.size(), 1u) << "one window, reused";
}

TEST_F(ConfigWindowTest, TheProgressCloseBoxOnlyHidesAndTheWindowWaitsForTheOperation)
{
    Connected();
    sim->SetAnswerDelayMs(5);
    ASSERT_TRUE(window->ReloadButton()->isEnabled());
    window->ReloadButton()->click();
    ASSERT_TRUE(UiWaitFor([this] { return window->Progress().IsOpen(); }, 5000));
    window->Progress().Window()->close();
    EXPECT_FALSE(window->Progress().Window()->isVisible());
    EXPECT_FALSE(window->InputEnabled()) << "still without input";
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(window->Operations().ChainResult(), 1) << messages->Last();
    EXPECT_TRUE(window->InputEnabled());
    EXPECT_FALSE(window->Progress().Window()->isVisible());

    // Idle: the window closes and lets the port go.
    EXPECT_TRUE(window->close());
    EXPECT_EQ(hSerial.load(), SERIAL_INVALID_HANDLE);
}

TEST_F(ConfigWindowTest, ClosingTheWindowDuringALoadStopsItWithinTheBoundAndLetsThePortGo)
{
    Connected();
    // Slow enough that the rest of the load outlasts the close's wait.
    sim->SetAnswerDelayMs(50);
    window->ReloadButton()->click();
    ASSERT_TRUE(UiWaitFor(
        [this] { return window->Progress().IsOpen() && window->Progress().Window()->Bar()->value() > 15; }, 10000));
    const size_t reported = messages->Count();
    EXPECT_TRUE(window->close());
    EXPECT_FALSE(window->Operations().Busy()) << "ended within the close's wait";
    EXPECT_EQ(window->Operations().ChainResult(), 0);
    EXPECT_EQ(messages->Count(), reported) << messages->Last();
    EXPECT_EQ(hSerial.load(), SERIAL_INVALID_HANDLE);
}

TEST_F(ConfigWindowTest, ProgressStepsShowTheStatusAndMoveTheBar)
{
    OpenWindow({});
    // The core's progress calls, as a worker makes them (here on the window
    // thread, where the gate runs them directly).
    DlgPrgOpen(szLoadTitle);
    ProgressWindow* prg = window->Progress().Window();
    ASSERT_NE(prg, nullptr);
    EXPECT_TRUE(prg->isVisible());
    EXPECT_EQ(prg->windowTitle(), "Loading...");
    EXPECT_EQ(prg->Status()->text(), "Waiting...");
    EXPECT_EQ(prg->Bar()->value(), 0);
    EXPECT_FALSE(window->InputEnabled());

    DlgPrgSetStatus(STATUS_WAKING_UP);
    EXPECT_EQ(prg->Status()->text(), "Waking up");
    EXPECT_EQ(prg->Bar()->value(), 0);
    DlgPrgSetProgress(4);
    EXPECT_EQ(prg->Status()->text(), "Waking up... (4 %)...");
    EXPECT_EQ(prg->Bar()->value(), 4);
    DlgPrgSetProgress(130);
    EXPECT_EQ(prg->Status()->text(), "Waking up... (100 %)...");
    EXPECT_EQ(prg->Bar()->value(), 100);
    EXPECT_EQ(prg->Bar()->maximum(), 100);
    DlgPrgClose();
    EXPECT_FALSE(prg->isVisible());
    EXPECT_TRUE(window->InputEnabled());

    // A second operation starts from "Waiting..." at 0 in the same window.
    DlgPrgOpen(szSendTitle);
    EXPECT_EQ(window->Progress().Window(), prg);
    EXPECT_EQ(prg->windowTitle(), "Sending...");
    EXPECT_EQ(prg->Status()->text(), "Waiting...");
    EXPECT_EQ(prg->Bar()->value(), 0);
    DlgPrgClose();
}

TEST_F(ConfigWindowTest, PasswordIsCutToTheCallersCapacity)
{
    OpenWindow({});
    char buffer[8];
    std::strcpy(buffer, "keep");
    AnswerPassword("0123456789abcdef");
    EXPECT_EQ(DlgPassword(buffer, sizeof buffer), 1);
    EXPECT_STREQ(buffer, "0123456");

    AnswerPassword("");
    EXPECT_EQ(DlgPassword(buffer, sizeof buffer), 1);
    EXPECT_STREQ(buffer, "");

    std::strcpy(buffer, "keep");
    AnswerPassword("secret", false);
    EXPECT_EQ(DlgPassword(buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "keep");

    // The unlock's 128 bytes: 127 characters reach the sensor.
    StartSim();
    vPorts = {sim->PortPath()};
    window->RefreshPorts();
    Click(window->ConnectButton());
    sim->ClearCommands();
    AnswerPassword(std::string(200, 'p'));
    window->DlgMainTabSelect(PAGE_FACTORY);
    window->OnUnlock();
    EXPECT_EQ(Commands(), std::vector<std::string>{"admin " + std::string(127, 'p')});
}

TEST_F(ConfigWindowTest, SeamCallsFromAWorkerRunOnTheWindowThread)
{
    OpenWindow({});
    std::atomic<bool> done{false};
    std::string text, caption;
    bool checkedAfterClear = true, enabled = true, visible = false;
    int selected = 99, afterItems = 99;
    ConfigDate first, last;
    std::thread worker([&] {
        ConfigPages& pages = Pages();
        pages.SetText(CTL_AVG_M, "900");
        text = pages.Text(CTL_AVG_M);
        caption = pages.Caption(CTL_AVG_M);
        // A radio group can be left with no button checked.
        pages.SetChecked(CTL_OUT1_WIND, true);
        pages.SetChecked(CTL_OUT1_WIND, false);
        checkedAfterClear = pages.Checked(CTL_OUT1_WIND) || pages.Checked(CTL_OUT1_DISABLED);
        pages.SetSelected(CTL_SYS_SPEED, 7);
        selected = pages.Selected(CTL_SYS_SPEED);
        pages.SetItems(CTL_SYS_CLK, {"a", "b"});
        afterItems = pages.Selected(CTL_SYS_CLK);
        pages.SetDate(CTL_CALIB_DATE, {1, 1, 1});
        first = pages.Date(CTL_CALIB_DATE);
        pages.SetDate(CTL_CALIB_DATE, {9999, 12, 31});
        last = pages.Date(CTL_CALIB_DATE);
        enabled = pages.Enabled(CTL_SENS_SN);
        // The Outputs page is not in the strip while disconnected; its
        // controls are visible all the same.
        visible = pages.Visible(CTL_OUT1_WIND);
        done = true;
    });
    EXPECT_TRUE(UiWaitFor([&] { return done.load(); }, 10000));
    worker.join();
    EXPECT_EQ(text, "900");
    EXPECT_EQ(caption, "Measurement duration \"M\" (s)");
    EXPECT_FALSE(checkedAfterClear);
    EXPECT_FALSE(static_cast<QRadioButton*>(Widget(CTL_OUT1_WIND))->isChecked());
    EXPECT_EQ(selected, -1);
    EXPECT_EQ(afterItems, -1);
    EXPECT_EQ(first, (ConfigDate{1, 1, 1}));
    EXPECT_EQ(last, (ConfigDate{9999, 12, 31}));
    EXPECT_FALSE(enabled) << "the factory fields are locked";
    EXPECT_TRUE(visible);
    EXPECT_EQ(window->Tabs()->count(), 1);

    // Once the window is closed a worker's calls do nothing.
    window->close();
    done = false;
    std::string after = "unset";
    std::thread late([&] {
        Pages().SetText(CTL_AVG_M, "1");
        after = Pages().Text(CTL_AVG_M);
        done = true;
    });
    late.join();
    EXPECT_TRUE(done.load());
    EXPECT_EQ(after, "");
    EXPECT_EQ(static_cast<QLineEdit*>(Widget(CTL_AVG_M))->text(), "900");
}
