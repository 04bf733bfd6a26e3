// The run against a scripted bootloader on a real pseudo-terminal: the
// start loop (drain, MAGIC, deadline, cancel, hang-up), the information
// frames with exact bytes, and the refusal of malformed answers.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "appframe.h"
#include "bootloader.h"
#include "flash_fixture.h"
#include "log.h"
#include "pty_peer.h"
#include "test_support.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string Le32(uint32_t v)
{
    return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                       static_cast<char>(v >> 24)};
}

std::string VersionAnswer(const std::string& sText, unsigned uLength)
{
    return std::string("!") + static_cast<char>(uLength & 0xFF) + static_cast<char>(uLength >> 8) + sText;
}

class FlashPtyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(peer.Ok());
        AppStartupFrameIn(PROGRAM_FLASH, dir.Path().c_str());
        hCancelEvent.Reset();
        run.sPort = peer.SlavePath();
        run.bInfoOnly = 1;
        run.pFrontEnd = &ui;
    }

    void TearDown() override
    {
        if (result.valid())
            result.wait();
    }

    void Start() { result = std::async(std::launch::async, [this] { return ProcessThread(run); }); }
    int Finish() { return result.get(); }

    // Waits for one frame code from the host and answers it.
    void Answer(uint8_t uCode, const std::string& sReply)
    {
        const std::string got = peer.Receive(3000, std::string(1, static_cast<char>(uCode)));
        ASSERT_FALSE(got.empty()) << "no frame 0x" << std::hex << int(uCode);
        EXPECT_EQ(static_cast<uint8_t>(got.back()), uCode);
        peer.Send(sReply);
    }

    // The bootloader's side of the catch: '!' to the MAGIC that found it
    // and to the one that confirms it, sent once the line had fallen silent.
    void AnswerMagic()
    {
        Answer(BLDR_MAGIC, "!");
        const auto t = Clock::now();
        Answer(BLDR_MAGIC, "!");
        EXPECT_GE(MsSince(t), static_cast<long>(BLDR_SETTLE_QUIET_MS));
    }

    void AnswerIdentity(const std::string& sVersion = VersionAnswer("BL-7", 4))
    {
        AnswerMagic();
        Answer(BLDR_GET_VERSION, sVersion);
        Answer(BLDR_GET_UNIQUE_ID, std::string("!\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C", 13));
        Answer(BLDR_GET_FLASH_SIZE, "!" + Le32(262144));
        Answer(BLDR_GET_FREE_FLASH, "!" + Le32(245760));
    }

    TempDir dir;
    PtyPeer peer;
    MessageRecorder rec;
    RecordingFrontEnd ui;
    FlashRun run;
    std::future<int> result;
};

TEST_F(FlashPtyTest, InfoRunShowsEverythingAndLeavesTheBootloaderRunning)
{
    Start();
    AnswerIdentity();
    ASSERT_EQ(Finish(), 1);
    EXPECT_EQ(rec.Count(), 0u);
    EXPECT_EQ(ui.Information(), "Bootloader : BL-7\nSignature : 0C0B0A090807060504030201\nFlash size : 262144 bytes\n"
                                "Bootloader : 16384 bytes\nApplication : 245760 bytes\n\nThe sensor stays in its "
                                "bootloader until it is powered off and on again.\n");
    EXPECT_EQ(ui.States(), (std::vector<int>{1, 0}));
    EXPECT_TRUE(ui.Locked());

    std::vector<std::pair<int, std::string>> p = ui.Progresses();
    ASSERT_GE(p.size(), 13u);
    EXPECT_EQ(p[0], std::make_pair(1, std::string("Opening serial port...")));
    EXPECT_EQ(p[1], std::make_pair(0, std::string("Trying to start bootloader, please power up sensor now !")));
    const std::vector<std::pair<int, std::string>> tail(p.end() - 11, p.end());
    const std::vector<std::pair<int, std::string>> expected = {
        {25, "Getting version..."},
        {4, "Connected to bootloader 'BL-7' !"},
        {50, "Getting unique id..."},
        {6, "Unique ID : 0C0B0A090807060504030201"},
        {75, "Getting flash size..."},
        {6, "Flash size : 262144 bytes"},
        {100, "Getting free flash space..."},
        {8, "Flash free : 245760 bytes"},
        {100, "Display bootloader information..."},
        {100, szFlashIdleHint},
    };
    const std::vector<std::pair<int, std::string>> last(tail.begin() + 1, tail.end());
    EXPECT_EQ(last, expected);
    // No EXIT after an info run.
    EXPECT_EQ(peer.Receive(150), "");
}

TEST_F(FlashPtyTest, VersionTextIsBoundedByItsBuffer)
{
    // 1023 characters fit, with the terminator.
    Start();
    AnswerIdentity(VersionAnswer(std::string(1023, 'v'), 1023));
    ASSERT_EQ(Finish(), 1);
    EXPECT_EQ(ui.Information().substr(0, 13 + 1023), "Bootloader : " + std::string(1023, 'v'));

    // A longer announced length is refused before a byte of it is read.
    Start();
    AnswerMagic();
    Answer(BLDR_GET_VERSION, VersionAnswer(std::string(1024, 'v'), 1024));
    EXPECT_EQ(Finish(), 0);
    EXPECT_EQ(rec.Texts(), (std::vector<std::string>{"E:Bootloader version text too long (1024 bytes, at most 1023) !",
                                                     "E:Could not retrieve bootloader info, please retry !\n\n" +
                                                         std::string(szStaysInBootloader)}));
}

TEST_F(FlashPtyTest, ErrorStatusOfAnInformationFrameIsShownWithItsText)
{
    Start();
    AnswerMagic();
    Answer(BLDR_GET_VERSION, VersionAnswer("BL", 2));
    Answer(BLDR_GET_UNIQUE_ID, std::string("!") + std::string(12, '\0'));
    Answer(BLDR_GET_FLASH_SIZE, "4" + Le32(0));
    EXPECT_EQ(Finish(), 0);
    EXPECT_EQ(rec.Texts(), (std::vector<std::string>{"E:Could not get flash size (0x34 : Flash R/W error) !",
                                                     "E:Could not retrieve bootloader info, please retry !\n\n" +
                                                         std::string(szStaysInBootloader)}));
    EXPECT_EQ(ui.Texts().back(), "Could not retrieve bootloader info, please retry !");
    EXPECT_EQ(ui.States(), (std::vector<int>{1, 0}));
}

TEST_F(FlashPtyTest, MoreFreeFlashThanFlashIsRefused)
{
    Start();
    AnswerMagic();
    Answer(BLDR_GET_VERSION, VersionAnswer("BL", 2));
    Answer(BLDR_GET_UNIQUE_ID, std::string("!") + std::string(12, '\0'));
    Answer(BLDR_GET_FLASH_SIZE, "!" + Le32(1000));
    Answer(BLDR_GET_FREE_FLASH, "!" + Le32(1001));
    EXPECT_EQ(Finish(), 0);
    EXPECT_EQ(rec.Texts().front(), "E:Bootloader reports more free flash (1001 bytes) than flash (1000 bytes) !");
    EXPECT_EQ(ui.Information(), "");
}

TEST_F(FlashPtyTest, LineLostAfterTheBootloaderAnsweredFailsAtOnce)
{
    Start();
    AnswerMagic();
    peer.Receive(2000, "\xC1");
    const auto t = Clock::now();
    peer.HangUp();
    EXPECT_EQ(Finish(), 0);
    EXPECT_LT(MsSince(t), 1000);
    // An unplugged adapter is no time-out.
    ASSERT_EQ(rec.Count(), 2u);
    EXPECT_EQ(rec.Texts()[0], "E:Could not receive from serial port (connection lost) !");
}

TEST_F(FlashPtyTest, BusyLineIsDrainedBeforeTheFirstMagic)
{
    run.uStartWindowMs = 3000;
    std::string noise;
    for (int i = 0; i < 64; i++)
        noise += static_cast<char>(0xA1 ^ i);
    peer.Send(noise);
    Start();
    // Noise for 400 ms: no MAGIC may go out meanwhile.
    std::string early;
    for (int i = 0; i < 20; i++) {
        peer.Send(noise);
        early += peer.Receive(20);
    }
    const auto silentFrom = Clock::now();
    EXPECT_EQ(early, "");
    const std::string magic = peer.Receive(1000, "\xA1");
    const double after = MsSince(silentFrom);
    EXPECT_EQ(magic, "\xA1");
    EXPECT_GE(after, 90);
    peer.Send("!");
    Answer(BLDR_MAGIC, "!");
    Answer(BLDR_GET_VERSION, VersionAnswer("BL", 2));
    Answer(BLDR_GET_UNIQUE_ID, std::string("!") + std::string(12, '\0'));
    Answer(BLDR_GET_FLASH_SIZE, "!" + Le32(8));
    Answer(BLDR_GET_FREE_FLASH, "!" + Le32(4));
    EXPECT_EQ(Finish(), 1);
    EXPECT_EQ(rec.Count(), 0u);
}

TEST_F(FlashPtyTest, StrayExclamationMarksInNoiseAreNotTakenForTheBootloader)
{
    run.uStartWindowMs = 6000;
    Start();
    // Replies to successive MAGICs: noise with '!' in it (the confirming
    // MAGIC gets noise too), a lone '!' whose confirming MAGIC gets
    // something else, then the bootloader itself.
    const std::vector<std::pair<std::string, std::string>> replies = {
        {"!", "\x55!!\x0F"}, {"\x13!", "\x88"}, {"!", ""}, {"?", ""}, {"!", ""}, {"!", ""},
    };
    std::string before;
    for (const auto& [reply, tail] : replies) {
        const std::string got = peer.Receive(3000, "\xA1");
        before += got;
        ASSERT_FALSE(got.empty());
        peer.Send(reply);
        if (!tail.empty()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            peer.Send(tail);
        }
    }
    // No command went out before the catch, and the first one's answer is
    // the first byte read for it.
    EXPECT_EQ(before.find('\xC1'), std::string::npos);
    Answer(BLDR_GET_VERSION, VersionAnswer("BL", 2));
    Answer(BLDR_GET_UNIQUE_ID, std::string("!") + std::string(12, '\0'));
    Answer(BLDR_GET_FLASH_SIZE, "!" + Le32(8));
    Answer(BLDR_GET_FREE_FLASH, "!" + Le32(4));
    EXPECT_EQ(Finish(), 1);
    EXPECT_EQ(rec.Count(), 0u) << rec.Last();
    EXPECT_TRUE(ui.SawText("Connected to bootloader 'BL' !"));
}

TEST_F(FlashPtyTest, ALoneExclamationMarkThatIsNotConfirmedNeverStartsTheTalk)
{
    run.uStartWindowMs = 1500;
    Start();
    std::string sent;
    const auto t = Clock::now();
    bool first = true;
    while (result.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready && MsSince(t) < 4000) {
        const std::string got = peer.Receive(30);
        sent += got;
        for (char c : got) {
            if (static_cast<uint8_t>(c) == BLDR_MAGIC) {
                peer.Send(first ? "!" : "\x05");
                first = false;
            }
        }
    }
    EXPECT_EQ(Finish(), 0);
    EXPECT_EQ(sent.find('\xC1'), std::string::npos);
    EXPECT_EQ(rec.Texts().front(), "E:Could not start bootloader !");
}

TEST_F(FlashPtyTest, OtherMagicAnswersAreIgnoredUntilTheDeadline)
{
    run.uStartWindowMs = 1000;
    const auto t = Clock::now();
    Start();
    int magics = 0;
    while (result.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready && MsSince(t) < 3000) {
        for (char c : peer.Receive(30)) {
            if (static_cast<uint8_t>(c) == BLDR_MAGIC) {
                magics++;
                peer.Send("?");
            }
        }
    }
    EXPECT_EQ(Finish(), 0);
    const double took = MsSince(t);
    EXPECT_GE(took, 1000);
    EXPECT_LT(took, 1600);
    EXPECT_GE(magics, 3);
    EXPECT_LE(magics, 10);
    EXPECT_EQ(rec.Texts(), (std::vector<std::string>{"E:Could not start bootloader !",
                                                     "E:Could not retrieve bootloader info, please retry !"}));
    // The wait's progress climbs with the elapsed time.
    std::vector<std::pair<int, std::string>> p = ui.Progresses();
    EXPECT_GE(p[p.size() - 2].first, 80);
    EXPECT_FALSE(ui.Locked());
}

TEST_F(FlashPtyTest, CancelEndsTheWaitPromptly)
{
    run.bInfoOnly = 0;
    run.sFile = dir.File("fw.bin");
    Start();
    peer.Receive(500);
    const auto t = Clock::now();
    hCancelEvent.Set();
    EXPECT_EQ(Finish(), 0);
    EXPECT_LT(MsSince(t), 250);
    // One information, no error: a cancel is no fault.
    EXPECT_EQ(rec.Texts(), (std::vector<std::string>{"I:Firmware flash cancelled before the bootloader answered: "
                                                     "nothing was written to the sensor."}));
    EXPECT_EQ(ui.States(), (std::vector<int>{1, 0}));
    EXPECT_EQ(ui.LastText(), "Firmware flash cancelled");
}

TEST_F(FlashPtyTest, CancelGivenBeforeTheRunEndsItsFirstWait)
{
    hCancelEvent.Set();
    const auto t = Clock::now();
    Start();
    EXPECT_EQ(Finish(), 0);
    EXPECT_LT(MsSince(t), 400);
    EXPECT_EQ(rec.Texts(), std::vector<std::string>{"I:Bootloader Info cancelled before the bootloader answered: "
                                                    "nothing was written to the sensor."});
    // One signal cancels one wait.
    EXPECT_FALSE(hCancelEvent.TryWait());
}

TEST_F(FlashPtyTest, LineLostDuringTheWaitEndsIt)
{
    run.uStartWindowMs = 5000;
    Start();
    peer.Receive(300);
    const auto t = Clock::now();
    peer.HangUp();
    EXPECT_EQ(Finish(), 0);
    EXPECT_LT(MsSince(t), 500);
    // Depending on where the pass was, the next MAGIC fails to go out or
    // the wait sees the hang-up.
    ASSERT_EQ(rec.Count(), 2u);
    EXPECT_TRUE(rec.Texts()[0] == "E:Could not start bootloader !" || rec.Texts()[0] == "E:Could not send MAGIC frame !")
        << rec.Texts()[0];
}

TEST_F(FlashPtyTest, NoPortOrAPortThatDoesNotOpen)
{
    run.sPort = "";
    EXPECT_EQ(ProcessThread(run), 0);
    run.sPort = "Select...";
    EXPECT_EQ(ProcessThread(run), 0);
    EXPECT_EQ(rec.Texts(), (std::vector<std::string>{"E:No serial port selected !", "E:No serial port selected !"}));
    EXPECT_TRUE(ui.States().empty());

    // The port layer reports; the run only returns to idle, the status line
    // keeps its last text.
    run.sPort = dir.File("ttyNONE");
    EXPECT_EQ(ProcessThread(run), 0);
    EXPECT_EQ(rec.Last(), "E:Could not open serial port '" + run.sPort + "' ! (No such file or directory)");
    EXPECT_EQ(rec.Count(), 3u);
    EXPECT_EQ(ui.States(), (std::vector<int>{1, 0}));
    EXPECT_EQ(ui.Texts().back(), "Opening serial port...");
}

}  // namespace
