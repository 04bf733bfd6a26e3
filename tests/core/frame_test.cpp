// The program frame's core pieces: the progress sum, the port frame of a
// task, the worker's lifetime and the shared receive loop, over real
// pseudo-terminals.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

#include "appframe.h"
#include "port_access.h"
#include "pty_peer.h"
#include "receive_loop.h"
#include "recording_frontend.h"
#include "serial.h"
#include "task.h"
#include "test_support.h"
#include "worker.h"

namespace {

TEST(TaskProgressSum, CountsInSinglePrecisionAsTheWorkersAlwaysHave)
{
    // 100/28 summed in single precision stays just below 100, so an
    // operation of 28 steps reaches 100 % only by its final explicit step;
    // 43 and 36 steps overshoot to 100.
    const struct {
        unsigned uSteps;
        unsigned uEnd;
    } cases[] = {{43, 100}, {36, 100}, {28, 99}};
    for (const auto& c : cases) {
        TaskProgressSum sum(c.uSteps);
        unsigned last = 0;
        for (unsigned i = 0; i < c.uSteps; i++) {
            const unsigned p = sum.Advance();
            EXPECT_GE(p, last);
            last = p;
        }
        EXPECT_EQ(last, c.uEnd) << c.uSteps << " steps";
    }
    TaskProgressSum first(43);
    EXPECT_EQ(first.Advance(), 2u);
    EXPECT_EQ(first.Advance(), 4u);
}

class TaskFrameTest : public ::testing::Test {
protected:
    void SetUp() override { AppStartupFrameIn(PROGRAM_DATALOGGER, dir.Path().c_str()); }
    TempDir dir;
    MessageRecorder rec;
    RecordingFrontEnd fe;
};

TEST_F(TaskFrameTest, NoPortChosenIsRefusedBeforeAnythingChanges)
{
    bool ran = false;
    for (const char* port : {"", "Select..."}) {
        EXPECT_EQ(TaskRunOnPort(fe, port, "idle", [&] { return ran = true, 1; }), 0);
    }
    EXPECT_FALSE(ran);
    EXPECT_TRUE(fe.States().empty());
    EXPECT_EQ(rec.Texts(), (std::vector<std::string>{"E:No serial port selected !", "E:No serial port selected !"}));
}

TEST_F(TaskFrameTest, APortThatDoesNotOpenLeavesTheOpeningStepShown)
{
    bool ran = false;
    EXPECT_EQ(TaskRunOnPort(fe, dir.File("no-such-port"), "idle", [&] { return ran = true, 1; }), 0);
    EXPECT_FALSE(ran);
    EXPECT_EQ(fe.States(), (std::vector<int>{TASK_BUSY, TASK_IDLE}));
    EXPECT_EQ(fe.LastText(), "Opening serial port...");
    EXPECT_EQ(fe.LastPosition(), 1);
}

TEST_F(TaskFrameTest, TheBodyRunsOnTheOpenPortAndTheIdleHintEndsTheRun)
{
    PtyPeer peer;
    ASSERT_TRUE(peer.Ok());
    bool open = false;
    EXPECT_EQ(TaskRunOnPort(fe, peer.SlavePath(), "idle hint", [&] {
                  open = hSerial.load() != SERIAL_INVALID_HANDLE;
                  return 7;
              }),
              7);
    EXPECT_TRUE(open);
    EXPECT_EQ(hSerial.load(), SERIAL_INVALID_HANDLE);
    EXPECT_EQ(fe.States(), (std::vector<int>{TASK_BUSY, TASK_IDLE}));
    EXPECT_EQ(fe.Progresses().back(), (std::pair<int, std::string>{100, "idle hint"}));
    EXPECT_EQ(fe.Steps().back(), TASK_STEP_IDLE);
}

TEST(Worker, OneRunAtATimeAndTheStopReachesFlagAndCancelEvent)
{
    Worker worker("test");
    std::atomic<bool> release{false};
    std::atomic<int> runs{0};
    ASSERT_EQ(worker.Start([&] {
                  runs++;
                  release.wait(false);
              }),
              1);
    EXPECT_TRUE(worker.Running());
    EXPECT_EQ(Worker::RunningCount(), 1);
    // A second start while the first still runs is refused, not queued.
    EXPECT_EQ(worker.Start([&] { runs++; }), 0);
    // The bounded wait gives up on a body that ignores the stop.
    EXPECT_FALSE(worker.Stop(50));
    EXPECT_TRUE(worker.StopRequested());
    release = true;
    release.notify_all();
    EXPECT_TRUE(worker.Wait(2000));
    EXPECT_EQ(Worker::RunningCount(), 0);
    EXPECT_EQ(runs, 1);

    // The next run starts with the flag and the event cleared, and a body
    // that waits on the event ends at the stop.
    std::atomic<bool> cancelled{false}, started{false}, clear{false};
    ASSERT_EQ(worker.Start([&] {
                  clear = !worker.StopRequested() && !worker.CancelEvent().TryWait();
                  started = true;
                  cancelled = worker.CancelEvent().Wait(5000);
              }),
              1);
    ASSERT_TRUE(WaitWithPump([&] { return started.load(); }, 2000));
    EXPECT_TRUE(clear);
    EXPECT_TRUE(worker.Stop(2000));
    EXPECT_TRUE(cancelled);
}

TEST(Worker, AStartJustAfterTheLastStepWaitsForThePreviousRunToReturn)
{
    Worker worker("test");
    std::atomic<bool> shown{false};
    ASSERT_EQ(worker.Start([&] {
                  shown = true;
                  std::this_thread::sleep_for(std::chrono::milliseconds(30));
              }),
              1);
    ASSERT_TRUE(WaitUntil([&] { return shown.load(); }));
    std::atomic<bool> second{false};
    EXPECT_EQ(worker.Start([&] { second = true; }), 1);
    EXPECT_TRUE(worker.Wait(2000));
    EXPECT_TRUE(second);
}

TEST(Worker, TheExitRuleEndsAProcessWithAStuckWorkerAndLetsGoOfItsPort)
{
    PtyPeer peer;
    ASSERT_TRUE(peer.Ok());
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // A program whose window has gone while its worker is stuck on the
        // open port: the rule must end it, not wait.
        if (SerialOpen(peer.SlavePath().c_str()) != 1)
            _exit(90);
        Worker worker("stuck");
        if (worker.Start([] {
                for (;;)
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }) != 1)
            _exit(91);
        WorkerExitRule(7);
        _exit(92);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 7);
    EXPECT_TRUE(OrdinaryUserCanOpen(peer.SlavePath()));
}

TEST(WaitWithPump, RunsThePumpUntilTheConditionHolds)
{
    static std::atomic<int> pumped{0};
    SetWaitPump([] {
        pumped++;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    EXPECT_FALSE(WaitWithPump([] { return false; }, 20));
    EXPECT_GT(pumped.load(), 0);
    EXPECT_TRUE(WaitWithPump([] { return pumped.load() > 3; }, 2000));
    SetWaitPump(nullptr);
}

class ReceiveLoopTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(peer.Ok());
        AppStartupFrameIn(PROGRAM_TERMINAL, dir.Path().c_str());
        ASSERT_EQ(SerialOpen(peer.SlavePath().c_str()), 1);
        SerialSetTimeout(100);
    }
    void TearDown() override
    {
        loop.Stop();
        SerialClose();
    }
    // Starts the loop collecting what it reads.
    void StartCollecting()
    {
        ASSERT_EQ(loop.Start(
                      [this] {
                          char buffer[256];
                          const unsigned n = SerialRead(buffer, sizeof buffer);
                          std::lock_guard<std::mutex> lock(m);
                          received.append(buffer, n);
                          return static_cast<int>(n);
                      },
                      [this] { lost++; }),
                  1);
    }
    std::string Received()
    {
        std::lock_guard<std::mutex> lock(m);
        return received;
    }
    bool WaitReceived(const std::string& s)
    {
        return WaitWithPump([&] { return Received().find(s) != std::string::npos; }, 3000);
    }

    TempDir dir;
    MessageRecorder rec;
    PtyPeer peer;
    ReceiveLoop loop;
    std::mutex m;
    std::string received;
    std::atomic<int> lost{0};
};

TEST_F(ReceiveLoopTest, ReadsUntilStoppedWithinOneReadTimeout)
{
    StartCollecting();
    peer.Send("hello");
    ASSERT_TRUE(WaitReceived("hello"));
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_TRUE(loop.Stop(1000));
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(900));
    EXPECT_FALSE(loop.Running());
    EXPECT_EQ(lost, 0);
}

TEST_F(ReceiveLoopTest, AHungUpLineIsReportedOnceAndEndsTheLoop)
{
    StartCollecting();
    peer.HangUp();
    ASSERT_TRUE(WaitWithPump([&] { return !loop.Running(); }, 3000));
    EXPECT_EQ(lost, 1);
}

TEST_F(ReceiveLoopTest, WhileHeldTheHolderReadsTheLineItself)
{
    StartCollecting();
    loop.Hold();
    peer.Send("mine");
    char buffer[16] = {};
    SerialSetTimeout(500);
    EXPECT_EQ(SerialRead(buffer, 4), 4u);
    EXPECT_EQ(std::string(buffer, 4), "mine");
    loop.Release();
    peer.Send("yours");
    ASSERT_TRUE(WaitReceived("yours"));
    EXPECT_EQ(Received().find("mine"), std::string::npos);
}

}  // namespace
