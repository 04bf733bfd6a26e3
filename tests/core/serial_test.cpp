// The serial link over a real pseudo-terminal: opening, the line reader,
// time-outs, traces, exclusivity and hang-ups.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cerrno>
#include <fcntl.h>
#include <grp.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "appframe.h"
#include "log.h"
#include "portaccess.h"
#include "pty_peer.h"
#include "serial.h"
#include "test_support.h"

namespace {

using Clock = std::chrono::steady_clock;

class SerialTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(peer.Ok());
        AppStartupFrameIn(PROGRAM_CONFIG, dir.Path().c_str());
        bLogEnabled = 1;
        ASSERT_EQ(SerialOpen(peer.SlavePath().c_str()), 1);
    }
    void TearDown() override
    {
        SerialClose();
        bLogEnabled = 0;
    }
    std::string LogText() const { return ReadFileText(szLogFile); }

    TempDir dir;
    PtyPeer peer;
    MessageRecorder rec;
};

TEST_F(SerialTest, OpenLogsItsStepsAndSetsTheProgramsTimeout)
{
    const std::string p = peer.SlavePath();
    EXPECT_EQ(LogText(), "Opening serial port '" + p + "'...\n"
                         "Setting serial port configuration (speed: 115200 bauds, 8 bits, 1 start, 1 stop, no-parity)...\n"
                         "Setting serial port timeout (read: 500 ms, write: 500 ms)...\n"
                         "Serial port '" + p + "' opened !\n");
    EXPECT_EQ(rec.Count(), 0u);
}

TEST_F(SerialTest, LineReaderDropsCrAnywhereAndStopsAtLf)
{
    peer.Send("AB\rXY\r\nnext\r\n");
    char line[SERIAL_LINE_SIZE];
    EXPECT_EQ(SerialReadFrame(line, sizeof line), 4u);
    EXPECT_STREQ(line, "ABXY");
    EXPECT_EQ(SerialReadFrame(line, sizeof line), 4u);
    EXPECT_STREQ(line, "next");
    EXPECT_NE(LogText().find("READ  : ABXY (4 bytes)\n"), std::string::npos);
}

TEST_F(SerialTest, LongLineIsSplitAt2047Bytes)
{
    std::string big(2047, 'a');
    big += "bcd\r\n";
    peer.Send(big);
    char line[SERIAL_LINE_SIZE];
    EXPECT_EQ(SerialReadFrame(line, sizeof line), 2047u);
    EXPECT_EQ(std::string(line), std::string(2047, 'a'));
    EXPECT_EQ(SerialReadFrame(line, sizeof line), 3u);
    EXPECT_STREQ(line, "bcd");
}

TEST_F(SerialTest, PartialLineAtTimeoutAndRecoveryAfterIt)
{
    SerialSetTimeout(100);
    peer.Send("part");
    char line[SERIAL_LINE_SIZE];
    auto t0 = Clock::now();
    EXPECT_EQ(SerialReadFrame(line, sizeof line), 4u);
    EXPECT_STREQ(line, "part");
    EXPECT_GE(MsSince(t0), 90);
    peer.Send("whole\r\n");
    EXPECT_EQ(SerialReadFrame(line, sizeof line), 5u);
    EXPECT_STREQ(line, "whole");
}

TEST_F(SerialTest, ReadTimeoutReturnsNothingAndIsTracedExceptInTheTerminal)
{
    SerialSetTimeout(50);
    char buf[16];
    auto t0 = Clock::now();
    EXPECT_EQ(SerialRead(buf, sizeof buf), 0u);
    EXPECT_GE(MsSince(t0), 45);
    EXPECT_NE(LogText().find("READ  :  (0 bytes)\n"), std::string::npos);

    nProgram = PROGRAM_TERMINAL;
    std::remove(szLogFile);
    EXPECT_EQ(SerialRead(buf, sizeof buf), 0u);
    EXPECT_FALSE(FileExistsOnDisk(szLogFile));
    peer.Send("x");
    EXPECT_EQ(SerialRead(buf, sizeof buf), 1u);
    EXPECT_EQ(LogText(), "READ  : x (1 bytes)\n");
}

TEST_F(SerialTest, ReadReturnsAsSoonAsTheCountHasCome)
{
    SerialSetTimeout(5000);
    peer.Send("12345");
    char buf[8];
    auto t0 = Clock::now();
    EXPECT_EQ(SerialRead(buf, 5), 5u);
    EXPECT_LT(MsSince(t0), 2000);
}

TEST_F(SerialTest, TwoReadersTakeWholeBlocksNotInterleavedBytes)
{
    // The terminal's receive thread and its wake-up read share the port.
    SerialSetTimeout(300);
    std::string a, b;
    std::atomic<pid_t> firstId{0};
    std::thread first([&] {
        firstId = CurrentThreadId();
        char buf[64];
        a.assign(buf, SerialRead(buf, 40));
    });
    // The second reader comes once the first has taken the port and waits.
    ASSERT_TRUE(WaitUntil([&] { return firstId != 0 && ThreadWaitsInPoll(firstId); }));
    std::thread second([&] {
        char buf[64];
        b.assign(buf, SerialRead(buf, 40));
    });
    for (char c = 'a'; c <= 'z'; c++) {
        peer.Send(std::string(1, c));
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    first.join();
    second.join();
    EXPECT_EQ(a + b, "abcdefghijklmnopqrstuvwxyz");
    EXPECT_EQ(b, "");
}

TEST_F(SerialTest, WriteTracesWithTheProgramsLabelAndReachesThePeer)
{
    EXPECT_EQ(SerialWrite("get sens-type\r", 14), 1);
    EXPECT_EQ(peer.Receive(1000, "\r"), "get sens-type\r");
    EXPECT_NE(LogText().find("WRITE : get sens-type<0x0D> (14 bytes)\n"), std::string::npos);
    nProgram = PROGRAM_FLASH;
    EXPECT_EQ(SerialWrite("\xA1", 1), 1);
    EXPECT_NE(LogText().find("WRITE  : <0xA1> (1 bytes)\n"), std::string::npos);
}

TEST_F(SerialTest, ClosedPortIsInvalidSoAStaleWriteCannotLandElsewhere)
{
    SerialClose();
    EXPECT_EQ(hSerial.load(), SERIAL_INVALID_HANDLE);
    // Whatever descriptor the kernel hands out next must not receive this.
    TempDir other;
    FILE* f = std::fopen(other.File("victim").c_str(), "w");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(SerialWrite("stale", 5), 0);
    std::fclose(f);
    EXPECT_EQ(ReadFileText(other.File("victim")), "");
    char buf[4];
    EXPECT_EQ(SerialRead(buf, sizeof buf), 0u);
    ASSERT_EQ(SerialOpen(peer.SlavePath().c_str()), 1);
}

TEST_F(SerialTest, HangUpFailsTheReadAtOnceInsteadOfTimingOut)
{
    SerialSetTimeout(3000);
    EXPECT_EQ(SerialIsHungUp(), 0);
    peer.HangUp();
    char buf[8];
    auto t0 = Clock::now();
    EXPECT_EQ(SerialRead(buf, sizeof buf), 0u);
    EXPECT_LT(MsSince(t0), 1000);
    EXPECT_EQ(SerialIsHungUp(), 1);
    char line[SERIAL_LINE_SIZE];
    EXPECT_EQ(SerialReadFrame(line, sizeof line), 0u);
}

// Waits until the port's input queue holds at least uBytes, so that a test
// knows the next read finds them all at once.
bool WaitForInput(unsigned uBytes)
{
    return WaitUntil(
        [&] {
            int queued = 0;
            return ioctl(hSerial.load(), FIONREAD, &queued) == 0 && queued >= static_cast<int>(uBytes);
        },
        2000);
}

TEST_F(SerialTest, LinesAndRawReadsShareOneReadAheadBuffer)
{
    const std::string wire = "first\r\nRAW12second\r\n\r\nx";
    const unsigned long long readBefore = SerialTrafficSoFar().uRead;
    peer.Send(wire);
    ASSERT_TRUE(WaitForInput(wire.size()));
    SerialSetTimeout(100);
    char line[SERIAL_LINE_SIZE];
    SerialLineEnd end = SERIAL_LINE_FAILED;
    EXPECT_EQ(SerialReadLine(line, sizeof line, &end), 5u);
    EXPECT_STREQ(line, "first");
    EXPECT_EQ(end, SERIAL_LINE_LF);
    // The rest came with the first line; the raw read is served from it.
    char raw[8] = {};
    EXPECT_EQ(SerialRead(raw, 5), 5u);
    EXPECT_EQ(std::string(raw, 5), "RAW12");
    EXPECT_EQ(SerialReadFrame(line, sizeof line), 6u);
    EXPECT_STREQ(line, "second");
    EXPECT_EQ(SerialReadLine(line, sizeof line, &end), 0u);
    EXPECT_EQ(end, SERIAL_LINE_LF);
    // A raw read takes what is buffered, then waits on the line for the rest.
    peer.Send("yz");
    EXPECT_EQ(SerialRead(raw, 3), 3u);
    EXPECT_EQ(std::string(raw, 3), "xyz");
    EXPECT_EQ(SerialTrafficSoFar().uRead - readBefore, wire.size() + 2);
    const std::string log = LogText();
    EXPECT_NE(log.find("READ  : first (5 bytes)\nREAD  : RAW12 (5 bytes)\nREAD  : second (6 bytes)\n"
                       "READ  :  (0 bytes)\nREAD  : xyz (3 bytes)\n"),
              std::string::npos)
        << log;
}

TEST_F(SerialTest, PurgeAndCloseDropWhatWasReadAhead)
{
    SerialSetTimeout(50);
    peer.Send("a\r\nleft over\r\n");
    ASSERT_TRUE(WaitForInput(14));
    char line[SERIAL_LINE_SIZE];
    EXPECT_EQ(SerialReadFrame(line, sizeof line), 1u);
    SerialPurge();
    SerialLineEnd end = SERIAL_LINE_LF;
    EXPECT_EQ(SerialReadLine(line, sizeof line, &end), 0u);
    EXPECT_EQ(end, SERIAL_LINE_TIMEOUT);

    peer.Send("b\r\nstale");
    ASSERT_TRUE(WaitForInput(8));
    EXPECT_EQ(SerialReadFrame(line, sizeof line), 1u);
    SerialClose();
    char raw[8];
    EXPECT_EQ(SerialRead(raw, sizeof raw), 0u);
    EXPECT_EQ(SerialLastReadFailed(), 1);
}

TEST_F(SerialTest, LineEndSaysWhetherTheLineCameWhole)
{
    SerialSetTimeout(100);
    char line[SERIAL_LINE_SIZE];
    SerialLineEnd end = SERIAL_LINE_FAILED;
    peer.Send("part");
    EXPECT_EQ(SerialReadLine(line, sizeof line, &end), 4u);
    EXPECT_EQ(end, SERIAL_LINE_TIMEOUT);
    // A line of the largest size is whole when its line end follows; it
    // does not leave an empty line behind.
    peer.Send(std::string(2047, 'x') + "\r\nnext\r\n");
    EXPECT_EQ(SerialReadLine(line, sizeof line, &end), 2047u);
    EXPECT_EQ(end, SERIAL_LINE_LF);
    EXPECT_EQ(SerialReadLine(line, sizeof line, &end), 4u);
    EXPECT_STREQ(line, "next");
    peer.Send(std::string(2047, 'y') + "z\r\n");
    EXPECT_EQ(SerialReadLine(line, sizeof line, &end), 2047u);
    EXPECT_EQ(end, SERIAL_LINE_FULL);
    EXPECT_EQ(SerialReadLine(line, sizeof line, &end), 1u);
    EXPECT_EQ(end, SERIAL_LINE_LF);
}

TEST_F(SerialTest, FailedReadIsToldApartFromATimeoutAndLoggedOnce)
{
    SerialSetTimeout(30);
    char buf[8];
    EXPECT_EQ(SerialRead(buf, sizeof buf), 0u);
    EXPECT_EQ(SerialLastReadFailed(), 0);
    peer.HangUp();
    EXPECT_EQ(SerialRead(buf, sizeof buf), 0u);
    EXPECT_EQ(SerialLastReadFailed(), 1);
    char line[SERIAL_LINE_SIZE];
    SerialLineEnd end = SERIAL_LINE_LF;
    EXPECT_EQ(SerialReadLine(line, sizeof line, &end), 0u);
    EXPECT_EQ(end, SERIAL_LINE_FAILED);
    EXPECT_EQ(SerialReadUntilQuiet(buf, sizeof buf, 10), 0u);
    EXPECT_EQ(SerialLastReadFailed(), 1);
    // The flag is the calling thread's own.
    std::thread([] { EXPECT_EQ(SerialLastReadFailed(), 0); }).join();
    const std::string log = LogText();
    const std::string said = "Serial port read failed (line hung up) !\n";
    ASSERT_NE(log.find(said), std::string::npos) << log;
    EXPECT_EQ(log.find(said, log.find(said) + 1), std::string::npos) << log;
}

TEST_F(SerialTest, CloseWaitsForAReadInProgressSoItsDescriptorIsNotReused)
{
    SerialSetTimeout(300);
    std::atomic<pid_t> readerId{0};
    std::string got;
    std::thread reader([&] {
        readerId = CurrentThreadId();
        char buf[64];
        got.assign(buf, SerialRead(buf, sizeof buf));
    });
    // Closed while the read waits for bytes.
    ASSERT_TRUE(WaitUntil([&] { return readerId != 0 && ThreadWaitsInPoll(readerId); }));
    EXPECT_EQ(SerialClose(), 1);
    // Whatever the kernel hands out next must not feed the old read.
    int fds[2];
    ASSERT_EQ(pipe2(fds, O_NONBLOCK), 0);
    EXPECT_EQ(write(fds[1], "intruder", 8), 8);
    reader.join();
    EXPECT_EQ(got, "");
    close(fds[0]);
    close(fds[1]);
    ASSERT_EQ(SerialOpen(peer.SlavePath().c_str()), 1);
}

TEST_F(SerialTest, ReadUntilQuietEndsOnceTheAnswerIsOver)
{
    SerialSetTimeout(3000);
    peer.Send("wakeup!\r\nOK awake\r\n");
    char buf[SERIAL_LINE_SIZE];
    auto t0 = Clock::now();
    EXPECT_EQ(SerialReadUntilQuiet(buf, sizeof buf, 30), 19u);
    EXPECT_LT(MsSince(t0), 2000);
    EXPECT_EQ(SerialLastReadFailed(), 0);
    // Silence: the whole time-out, nothing.
    SerialSetTimeout(60);
    t0 = Clock::now();
    EXPECT_EQ(SerialReadUntilQuiet(buf, sizeof buf, 10), 0u);
    EXPECT_GE(MsSince(t0), 55);
}

TEST(SerialOpenTest, MissingPortIsReportedAndListShowsOnlyPortsThatOpen)
{
    TempDir dir;
    AppStartupFrameIn(PROGRAM_CONFIG, dir.Path().c_str());
    MessageRecorder rec;
    EXPECT_EQ(SerialOpen("/dev/varn-no-such-port"), 0);
    EXPECT_EQ(rec.Last(), "E:Could not open serial port '/dev/varn-no-such-port' ! (No such file or directory)");
    // A regular file is no serial port either.
    std::string file = dir.File("plain");
    FILE* f = std::fopen(file.c_str(), "w");
    std::fclose(f);
    EXPECT_EQ(SerialOpen(file.c_str()), 0);

    PortList none = LoadPortList(std::vector<std::string>{});
    ASSERT_EQ(none.vEntries.size(), 1u);
    EXPECT_EQ(none.vEntries[0], "Select...");
    EXPECT_EQ(none.nSelected, 0);

    PtyPeer a, b;
    PortList two = LoadPortList({"/dev/varn-no-such-port", a.SlavePath(), file, b.SlavePath()});
    EXPECT_EQ(two.vEntries, (std::vector<std::string>{"Select...", a.SlavePath(), b.SlavePath()}));
    EXPECT_EQ(two.nSelected, 1);
}

// A port the user may not open: listed with its note (not preselected while
// another port opens), and the open names the device's group and the new
// login. As root the refusal needs another user: a child that dropped to
// nobody reports what it saw through a pipe.
TEST(SerialOpenTest, PortWithoutPermissionIsListedAndItsOpenSaysHowToGetAccess)
{
    TempDir dir;
    AppStartupFrameIn(PROGRAM_CONFIG, dir.Path().c_str());
    PtyPeer denied, free;
    const struct group* dialout = getgrnam("dialout");
    const gid_t group = dialout != nullptr ? dialout->gr_gid : 20;
    ASSERT_EQ(chown(denied.SlavePath().c_str(), geteuid() == 0 ? 0 : geteuid(), group), 0);
    const std::string access = geteuid() == 0 ? "add yourself to the '" + std::string(dialout ? "dialout" : "20") +
                                                    "' group and log in again"
                                              : "";
    auto observe = [&] {
        MessageRecorder rec;
        PortList list = LoadPortList({denied.SlavePath(), free.SlavePath()});
        SerialOpen(denied.SlavePath().c_str());
        std::string seen;
        for (size_t i = 0; i < list.vEntries.size(); i++)
            seen += list.vEntries[i] + "|" + list.vNotes[i] + "\n";
        return seen + std::to_string(list.nSelected) + "\n" + rec.Last();
    };
    std::string seen;
    if (geteuid() != 0) {
        ASSERT_EQ(chmod(denied.SlavePath().c_str(), 0), 0);
        seen = observe();
    } else {
        ASSERT_EQ(chmod(denied.SlavePath().c_str(), 0660), 0);
        ASSERT_EQ(chmod(free.SlavePath().c_str(), 0666), 0);
        int out[2];
        ASSERT_EQ(pipe(out), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)
                _exit(3);
            const std::string text = observe();
            (void)!write(out[1], text.data(), text.size());
            _exit(0);
        }
        close(out[1]);
        char buffer[4096];
        ssize_t n = 0;
        while ((n = read(out[0], buffer, sizeof buffer)) > 0)
            seen.append(buffer, static_cast<size_t>(n));
        close(out[0]);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    const std::string reason = "Permission denied: " + (access.empty() ? "" : access);
    EXPECT_EQ(seen.substr(0, seen.rfind('\n') + 1), "Select...|\n" + denied.SlavePath() + "|no permission\n" +
                                                        free.SlavePath() + "|\n2\n");
    EXPECT_EQ(seen.substr(seen.rfind('\n') + 1).rfind("E:Could not open serial port '" + denied.SlavePath() +
                                                       "' ! (" + reason, 0),
              0u)
        << seen;
    // Advice without a group that may open the device.
    ASSERT_EQ(chown(denied.SlavePath().c_str(), geteuid(), 0), 0);
    EXPECT_EQ(SerialPortOpenReason(denied.SlavePath(), EACCES),
              "Permission denied: ask the administrator for access to '" + denied.SlavePath() + "'");
}

TEST(SerialOpenTest, PortHeldByAnotherProcessIsNotListedAndDoesNotOpen)
{
    TempDir dir;
    AppStartupFrameIn(PROGRAM_CONFIG, dir.Path().c_str());
    PtyPeer peer;
    int ready[2], release[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(release), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        SerialHandle h;
        char c = SerialPortOpen(peer.SlavePath(), &h) ? 'y' : 'n';
        (void)!write(ready[1], &c, 1);
        (void)!read(release[0], &c, 1);
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    ASSERT_EQ(c, 'y');

    MessageRecorder rec;
    PortList list = LoadPortList({peer.SlavePath()});
    EXPECT_EQ(list.vEntries.size(), 1u);
    EXPECT_EQ(SerialOpen(peer.SlavePath().c_str()), 0);
    EXPECT_EQ(rec.Last(), "E:Could not open serial port '" + peer.SlavePath() +
                              "' ! (Device or resource busy: another program holds the port)");

    (void)!write(release[1], "x", 1);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(SerialOpen(peer.SlavePath().c_str()), 1);
    SerialClose();
    for (int fd : {ready[0], ready[1], release[0], release[1]})
        close(fd);
}

}  // namespace
