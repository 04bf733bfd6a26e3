// Desktop layer: window thread helper, message boxes, replaceable dialogs,
// port list, progress bar, colour keying, single-instance guard.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <thread>

#include "appframe.h"
#include "appmain.h"
#include "filedialog.h"
#include "instance.h"
#include "msgbox.h"
#include "portlist.h"
#include "progressbar.h"
#include "pty_peer.h"
#include "standin.h"
#include "test_support.h"
#include "waitpump.h"
#include "windowthread.h"
#include "winutil.h"

TEST(WindowThread, RunsOnTheWindowThreadAndWaits)
{
    QThread* gui = QApplication::instance()->thread();
    QThread* ranOn = nullptr;
    RunOnWindowThread([&] { ranOn = QThread::currentThread(); });
    EXPECT_EQ(ranOn, gui);

    std::atomic<bool> done{false};
    int value = 0;
    std::thread worker([&] {
        RunOnWindowThread([&] {
            ranOn = QThread::currentThread();
            value = 42;
        });
        // Waited for: the result is there once the call returns.
        EXPECT_EQ(value, 42);
        done = true;
    });
    EXPECT_TRUE(UiWaitFor([&] { return done.load(); }, 2000));
    worker.join();
    EXPECT_EQ(ranOn, gui);
}

TEST(WindowThread, OnceShutQueuedAndLaterCallsReturnUnrun)
{
    UiGateOpen();
    // A worker's call is queued; the window thread shuts the gate before it
    // ever serves the queue (the window closed under it).
    std::atomic<int> result{-1};
    std::atomic<bool> ran{false};
    std::atomic<pid_t> workerId{0};
    std::thread worker([&] {
        workerId = CurrentThreadId();
        result = RunOnWindowThread([&] { ran = true; }) ? 1 : 0;
    });
    // Shut once the worker waits for its queued call, not serving it here.
    EXPECT_TRUE(WaitUntil([&] { return workerId != 0 && ThreadWaitsOnLock(workerId); }));
    UiGateShut();
    worker.join();
    EXPECT_EQ(result, 0);
    QApplication::processEvents();   // the queued part finds the call dropped
    EXPECT_FALSE(ran);

    // Later calls from a worker return at once; posted redraws never run.
    std::atomic<bool> posted{false};
    std::thread late([&] {
        result = RunOnWindowThread([&] { ran = true; }) ? 1 : 0;
        EXPECT_FALSE(PostToWindowThread([&] { posted = true; }));
    });
    late.join();
    EXPECT_EQ(result, 0);
    // The window thread's own calls still run.
    bool here = false;
    EXPECT_TRUE(RunOnWindowThread([&] { here = true; }));
    EXPECT_TRUE(here);
    QApplication::processEvents();
    EXPECT_FALSE(ran);
    EXPECT_FALSE(posted);
    UiGateOpen();
}

TEST(WindowThread, APostNeverWaitsAndRunsLaterUnlessShutInBetween)
{
    UiGateOpen();
    std::atomic<int> runs{0};
    std::thread worker([&] {
        EXPECT_TRUE(PostToWindowThread([&] { runs++; }));
        EXPECT_TRUE(PostToWindowThread([&] { runs++; }));
    });
    worker.join();   // returned without the window thread's help
    EXPECT_EQ(runs, 0);
    EXPECT_TRUE(UiWaitFor([&] { return runs.load() == 2; }, 2000));

    std::thread again([&] { EXPECT_TRUE(PostToWindowThread([&] { runs++; })); });
    again.join();
    UiGateShut();
    QApplication::processEvents();
    EXPECT_EQ(runs, 2);
    UiGateOpen();
}

TEST(MessageBoxes, WorkerReportShowsAModalBoxOwnedByTheMainWindow)
{
    TempDir app;
    AppStartupFrameIn(PROGRAM_TERMINAL, app.Path().c_str());
    QWidget main;
    hDlgMain = &main;
    const MessageFn previous = GetMessageHandler();
    UiInstallMessageBoxes();

    std::atomic<bool> returned{false};
    // The box runs its own modal loop on this thread: a timer inside that
    // loop plays the user.
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QWidget* owner = nullptr;
    bool workerWaited = false;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr)
            return;
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        owner = box->parentWidget();
        workerWaited = !returned.load();
        box->button(QMessageBox::Ok)->click();
    });
    user.start(10);
    std::thread worker([&] {
        EXPECT_EQ(Warning("Battery low %d%% !", 9), 0);
        returned = true;
    });
    EXPECT_TRUE(UiWaitFor([&] { return returned.load(); }, 3000));
    worker.join();
    user.stop();
    EXPECT_EQ(title.toStdString(), szAppTitle);
    EXPECT_EQ(text.toStdString(), "Battery low 9% !");
    EXPECT_EQ(icon, QMessageBox::Warning);
    EXPECT_EQ(owner, &main);
    EXPECT_TRUE(workerWaited);   // the worker waited for the user
    SetMessageHandler(previous);
    hDlgMain = nullptr;
}

TEST(Dialogs, ReplacedHandlersAnswerFromAnyThread)
{
    std::string asked;
    SetQuestionHandler([&](MessageKind, const std::string& text) {
        asked = text;
        return 1;
    });
    SetFileDialogHandler([](FileDialogMode mode, const FileDialogRequest& r, std::string* path) {
        *path = (mode == FILE_DIALOG_SAVE ? "save:" : "open:") + r.sDefaultExt;
        return true;
    });
    std::thread worker([&] {
        EXPECT_EQ(UiQuestion(MESSAGE_INFO, "Overwrite ?"), 1);
        FileDialogRequest r;
        r.sDefaultExt = "txt";
        std::string path;
        EXPECT_TRUE(UiSaveFile(r, &path));
        EXPECT_EQ(path, "save:txt");
        EXPECT_TRUE(UiOpenFile(r, &path));
        EXPECT_EQ(path, "open:txt");
    });
    worker.join();
    EXPECT_EQ(asked, "Overwrite ?");
    SetQuestionHandler(nullptr);
    SetFileDialogHandler(nullptr);
}

TEST(Dialogs, RealQuestionBoxAnswersYesOrNo)
{
    TempDir app;
    AppStartupFrameIn(PROGRAM_TERMINAL, app.Path().c_str());
    for (auto [button, expected] : {std::pair{QMessageBox::Yes, 1}, std::pair{QMessageBox::No, 0}}) {
        QTimer::singleShot(0, [button = button] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->icon(), QMessageBox::Question);
            EXPECT_EQ(box->windowTitle().toStdString(), szAppTitle);
            box->button(button)->click();
        });
        EXPECT_EQ(UiQuestion(MESSAGE_INFO, "Do you want to overwrite it ?"), expected);
    }
}

TEST(Controls, PortListShowsThePortsThatOpen)
{
    PtyPeer peer;
    ASSERT_TRUE(peer.Ok());
    QComboBox combo;
    FillPortList(&combo, {"/nonexistent/ttyVARN", peer.SlavePath()});
    ASSERT_EQ(combo.count(), 2);
    EXPECT_EQ(combo.itemText(0).toStdString(), "Select...");
    EXPECT_EQ(combo.itemText(1).toStdString(), peer.SlavePath().substr(5));   // "pts/N"
    EXPECT_EQ(PortListSelection(&combo), peer.SlavePath());
    EXPECT_EQ(combo.currentIndex(), 1);

    SetPortCandidatesHandler([] { return std::vector<std::string>{"/nonexistent/ttyVARN"}; });
    FillPortList(&combo);
    EXPECT_EQ(combo.count(), 1);
    EXPECT_EQ(combo.currentIndex(), 0);
    SetPortCandidatesHandler(nullptr);
}

TEST(Controls, ProgressAtOrPastTheEndDrawsAFullBar)
{
    QProgressBar bar;
    bar.setRange(0, 100);
    SetProgress(&bar, 40);
    EXPECT_EQ(bar.value(), 40);
    SetProgress(&bar, 100);
    EXPECT_EQ(bar.value(), 100);
    EXPECT_EQ(bar.maximum(), 100);
    SetProgress(&bar, 0);
    SetProgress(&bar, 110);
    EXPECT_EQ(bar.value(), 100);
    EXPECT_EQ(bar.maximum(), 100);
}

namespace {

QImage Solid(int w, int h, QColor c)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(c);
    return img;
}

}  // namespace

TEST(ColourKeying, ExactKeyAtToleranceZero)
{
    QImage img = Solid(3, 1, Qt::white);
    img.setPixelColor(1, 0, QColor(254, 255, 255));
    img.setPixelColor(2, 0, QColor(10, 20, 30));
    const unsigned face = 0x00C0B0A0;   // red A0, green B0, blue C0
    QImage out = SetBitmapAlpha(img, 3, 1, 0x00FFFFFF, face, 0);
    ASSERT_FALSE(out.isNull());
    const QRgb keyed = out.pixel(0, 0);
    EXPECT_EQ(qRed(keyed), 0xA0);
    EXPECT_EQ(qGreen(keyed), 0xB0);
    EXPECT_EQ(qBlue(keyed), 0xC0);
    EXPECT_EQ(qAlpha(keyed), 0);
    EXPECT_EQ(out.pixel(1, 0), qRgba(254, 255, 255, 255));
    EXPECT_EQ(out.pixel(2, 0), qRgba(10, 20, 30, 255));
}

TEST(ColourKeying, ToleranceIsAnInclusiveEuclideanDistance)
{
    // (3, 4, 0) away from the key: distance exactly 5.
    const unsigned key = ColorRef(QColor(100, 150, 200));
    const QImage img = Solid(1, 1, QColor(103, 154, 200));
    EXPECT_EQ(qAlpha(SetBitmapAlpha(img, 1, 1, key, 0, 5).pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(SetBitmapAlpha(img, 1, 1, key, 0, 4).pixel(0, 0)), 255);
    // Channels are not mixed up: the same offset on blue and red.
    const QImage swapped = Solid(1, 1, QColor(100, 154, 203));
    EXPECT_EQ(qAlpha(SetBitmapAlpha(swapped, 1, 1, key, 0, 5).pixel(0, 0)), 0);
    const QImage far = Solid(1, 1, QColor(106, 150, 200));
    EXPECT_EQ(qAlpha(SetBitmapAlpha(far, 1, 1, key, 0, 5).pixel(0, 0)), 255);
    // A tolerance whose square does not fit 32 bits still covers everything.
    const QImage black = Solid(1, 1, Qt::black);
    EXPECT_EQ(qAlpha(SetBitmapAlpha(black, 1, 1, 0x00FFFFFF, 0, 65536).pixel(0, 0)), 0);
}

TEST(ColourKeying, SizeAndLoading)
{
    EXPECT_TRUE(SetBitmapAlpha(Solid(2, 2, Qt::white), 0, 2, 0xFFFFFF, 0, 0).isNull());
    EXPECT_TRUE(SetBitmapAlpha(QImage(), 2, 2, 0xFFFFFF, 0, 0).isNull());
    // A larger array than the bitmap: the rest is zero (black, fourth byte 0).
    QImage wide = SetBitmapAlpha(Solid(1, 1, Qt::red), 2, 1, 0xFFFFFF, 0, 0);
    ASSERT_EQ(wide.width(), 2);
    EXPECT_EQ(wide.pixel(1, 0), qRgba(0, 0, 0, 0));

    TempDir dir;
    const QString file = QString::fromStdString(dir.File("logo.png"));
    ASSERT_TRUE(Solid(4, 4, Qt::white).save(file));
    QImage loaded = LoadBitmapAlpha(file, 0x00FFFFFF, 0x00336699, 0);
    ASSERT_EQ(loaded.size(), QSize(4, 4));
    EXPECT_EQ(loaded.pixel(3, 3), qRgba(0x99, 0x66, 0x33, 0));
    EXPECT_TRUE(LoadBitmapAlpha(QString::fromStdString(dir.File("missing.bmp")), 0, 0, 0).isNull());
}

TEST(SingleInstance, SecondStartRaisesTheFirst)
{
    TempDir runtime;
    const QByteArray previous = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime.Path()));
    const QString name = "VARN-TEST-INSTANCE";
    EXPECT_FALSE(InstanceGuard::NotifyRunning(name, 200));

    InstanceGuard first;
    std::atomic<int> raised{0};
    ASSERT_TRUE(first.Claim(name, [&] { raised++; }));
    std::atomic<int> answer{-1};
    std::thread second([&] { answer = InstanceGuard::NotifyRunning(name, 2000) ? 1 : 0; });
    EXPECT_TRUE(UiWaitFor([&] { return answer.load() >= 0; }, 3000));
    second.join();
    EXPECT_EQ(answer.load(), 1);
    EXPECT_EQ(raised.load(), 1);
    qputenv("XDG_RUNTIME_DIR", previous);
}
