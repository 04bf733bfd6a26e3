// The progress window, offscreen, fed from a thread as the installation
// feeds it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <cstdlib>
#include <thread>

#include "install_test_support.h"
#include "install_window.h"
#include "waitpump.h"

namespace {

// Reports from another thread, as the installation thread does, while the
// window thread keeps its events running.
void FromThread(const std::function<void()>& fn)
{
    std::atomic<bool> done{false};
    std::thread t([&] {
        fn();
        done = true;
    });
    EXPECT_TRUE(UiWaitFor([&] { return done.load(); }, 5000));
    t.join();
}

}  // namespace

TEST(InstallWindow, SmallCentredWindowWithBarAboveTheText)
{
    InstallWindow w;
    w.show();
    EXPECT_TRUE(w.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(w.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(w.menuWidget(), nullptr);
    QProgressBar* bar = w.ProgressBar();
    QLabel* text = w.StatusLine();
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 100);
    EXPECT_EQ(bar->value(), 0);
    EXPECT_EQ(bar->toolTip(), "Install operation progress...");
    EXPECT_EQ(text->text(), "...");
    EXPECT_TRUE(text->alignment() & Qt::AlignHCenter);
    EXPECT_LT(bar->geometry().bottom(), text->geometry().top());
    EXPECT_LE(w.width(), 400);
    EXPECT_LE(w.height(), 120);
    const QPoint centre = QGuiApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE((w.frameGeometry().center() - centre).manhattanLength(), 4);
}

TEST(InstallWindow, ShowsTheInstallationsReports)
{
    InstallWindow w;
    w.show();
    InstallSetFrontEnd(&w.FrontEnd());
    FromThread([] {
        DlgMainSetProgressTxt("Installing '%s'...", "VARN-Config");
        DlgMainProgress(33);
    });
    EXPECT_EQ(w.ProgressBar()->value(), 33);
    EXPECT_EQ(w.StatusLine()->text(), "Installing 'VARN-Config'... (33 %)");
    FromThread([] { DlgMainSetProgressTxt("Done !"); });
    EXPECT_EQ(w.StatusLine()->text(), "Done !");
    EXPECT_EQ(w.ProgressBar()->value(), 33);
    FromThread([] { DlgMainProgress(250); });
    EXPECT_EQ(w.ProgressBar()->value(), 100);
    EXPECT_EQ(w.ProgressBar()->maximum(), 100);
    EXPECT_EQ(w.StatusLine()->text(), "Done ! (100 %)");
}

TEST(InstallWindow, InstallationEndsTheWindowAndClosingDuringItEndsAtOnce)
{
    TempDir tmp;
    MessageRecorder messages;
    std::snprintf(szLocalTmpDir, sizeof szLocalTmpDir, "%s", tmp.Path().c_str());
    tInstallWaits = InstallWaits{0, 0, 0};
    {
        // No script: the installation reports it and ends the window.
        InstallWindow w;
        w.show();
        w.StartInstallation();
        EXPECT_TRUE(UiWaitFor([&] { return !w.isVisible(); }, 5000));
        EXPECT_EQ(messages.Last(), "E:Could not open install script !");
    }
    int closed = 0;
    InstallWindow::SetCloseHandler([&] { closed++; });
    {
        tInstallWaits.uStartMs = 200;
        InstallWindow w;
        w.show();
        w.StartInstallation();
        w.close();
        EXPECT_EQ(closed, 1);
    }
    InstallWindow::SetCloseHandler(nullptr);
    tInstallWaits = InstallWaits();
}

TEST(InstallWindowDeathTest, ClosingWhileInstallingEndsTheProgramAtOnce)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            InstallWindow w;
            w.show();
            // The installation is still in its first wait when the user closes.
            tInstallWaits.uStartMs = 60000;
            w.StartInstallation();
            w.close();
            std::exit(3);
        },
        ::testing::ExitedWithCode(0), "");
}
