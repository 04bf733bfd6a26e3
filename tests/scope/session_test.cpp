// The receive thread against the simulated sensor on a real
// pseudo-terminal: modes by firmware, the display buffer, labels, the
// stream's faults, recording, disconnect and a lost line.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <thread>

#include "host_port.h"
#include "scope_stream.h"
#include "scope_test_support.h"
#include "serial.h"
#include "serial_port.h"

namespace {

// A connection of the scope to a simulator of the given kind and firmware.
class ScopeOnSim : public testing::Test {
protected:
    void StartSim(const std::string& fw, const std::string& kind = "KORVALIN")
    {
        varnsim::Options options = FastOptions(kind);
        options.fwVersion = fw;
        sim = std::make_unique<varnsim::Simulator>(options);
        std::string error;
        ASSERT_TRUE(sim->Start(&error)) << error;
        session = std::make_unique<ScopeSession>(frame.settings);
        // Short reads: the start-up's single reads each wait their whole time-out.
        session->uPortTimeoutMs = 200;
    }
    void Connect()
    {
        ASSERT_EQ(ScopeConnect(*session, sim->PortPath(), fe), 1);
        ASSERT_TRUE(session->Connected());
    }
    bool WaitFrames(unsigned n, unsigned ms = 15000)
    {
        return WaitUntil([&] { return session->uFrames.load() >= n || !session->Receiving(); }, ms) &&
               session->uFrames.load() >= n;
    }
    bool WaitEnded(unsigned ms = 15000)
    {
        return WaitUntil([&] { return !session->Receiving(); }, ms);
    }
    ScopeSnapshot Snapshot()
    {
        ScopeSnapshot s;
        session->display.Snapshot(&s);
        return s;
    }
    void TearDown() override
    {
        if (session)
            ScopeDisconnect(*session, fe);
        session.reset();
        if (sim)
            sim->Stop();
    }

    ScopeFrame frame;
    MessageRecorder messages;
    RecordingScopeFrontEnd fe;
    std::unique_ptr<varnsim::Simulator> sim;
    std::unique_ptr<ScopeSession> session;
};

// Frames k-n+1 .. k of the simulator, as the display holds them.
std::vector<int32_t> SimFrames(int k, int n, bool binary)
{
    std::vector<int32_t> all;
    for (int j = k - n + 1; j <= k; j++) {
        const std::vector<int32_t> v = SimFrameValues(j, binary);
        all.insert(all.end(), v.begin(), v.end());
    }
    return all;
}

struct ModeCase {
    const char* szFirmware;
    bool bBinary;
    unsigned uRate;
    int nFramesPerBuffer;
};

class Modes : public ScopeOnSim, public testing::WithParamInterface<ModeCase> {};

TEST_P(Modes, FirmwareDecidesTheModeAndAFullBufferOfFramesReplacesTheDisplay)
{
    const ModeCase& c = GetParam();
    StartSim(c.szFirmware);
    Connect();
    EXPECT_EQ(fe.vStatus, std::vector<int>{1});
    const unsigned frames = static_cast<unsigned>(std::max(c.nFramesPerBuffer, varnsim::ScopeStream::kRecordEvery));
    // A painter copying the display all the while, as the window does on
    // every redraw: it only ever sees whole frames.
    std::atomic<bool> painting{true};
    std::atomic<int> torn{0};
    std::thread painter([&] {
        auto copy = std::make_unique<ScopeSnapshot>();
        while (painting) {
            session->display.Snapshot(copy.get());
            if (copy->vDataBuffer[SCOPE_DISPLAY_SIZE - 1] != 0 && LastSimFrame(*copy, c.bBinary, 40) == 0)
                torn++;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    const bool arrived = WaitFrames(frames);
    painting = false;
    painter.join();
    ASSERT_TRUE(arrived) << (messages.Count() ? messages.Last() : "no frames");
    EXPECT_EQ(torn.load(), 0);
    EXPECT_EQ(session->recorder.nWavSampleRate, c.uRate);
    EXPECT_EQ(session->recorder.nWavSmpPerFile, 600 * c.uRate);

    const ScopeSnapshot s = Snapshot();
    const int last = LastSimFrame(s, c.bBinary);
    ASSERT_GE(last, c.nFramesPerBuffer);
    const std::vector<int32_t> expected = SimFrames(last, c.nFramesPerBuffer, c.bBinary);
    ASSERT_EQ(expected.size(), SCOPE_DISPLAY_SIZE);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), s.vDataBuffer));
    EXPECT_EQ(s.bWaiting, 0);
    // The flux record of every third second sets the first label; the wind
    // record puts the second one back to its base text.
    EXPECT_EQ(std::string(s.szFrsLabel).rfind("Filtered acoustic signal   :  0.", 0), 0u) << s.szFrsLabel;
    EXPECT_NE(std::string(s.szFrsLabel).find(" g/m2/s"), std::string::npos);
    EXPECT_STREQ(s.szWindLabel, "Raw acoustic signal");
    EXPECT_EQ(fe.nErases.load(), 1);
    EXPECT_GE(fe.nRedraws.load(), static_cast<int>(frames));
    EXPECT_EQ(messages.Count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Firmware, Modes,
                         testing::Values(ModeCase{"2.81", false, 1000, 10}, ModeCase{"2.82", true, 2000, 5}),
                         [](const testing::TestParamInfo<ModeCase>& info) {
                             return info.param.bBinary ? std::string("Binary282") : std::string("Ascii281");
                         });

TEST_F(ScopeOnSim, TypeDifferingOnlyInCaseIsRefusedAndTheWaitingLabelStays)
{
    StartSim("3.45");
    sim->SetParam("sens-type", "Korvalin");
    Connect();
    ASSERT_TRUE(WaitEnded());
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"E:Unsupported sensor 'Korvalin' !"});
    EXPECT_EQ(session->Result(), SCOPE_RECEIVE_STARTUP);
    EXPECT_EQ(fe.nEnded.load(), 1);
    const ScopeSnapshot s = Snapshot();
    EXPECT_EQ(s.bWaiting, 1);
    EXPECT_STREQ(s.szFrsLabel, "");
    // The window stays connected until Disconnect.
    EXPECT_TRUE(session->Connected());
    EXPECT_EQ(ScopeDisconnect(*session, fe), 1);
    EXPECT_EQ(fe.vStatus, (std::vector<int>{1, 0}));
}

TEST_F(ScopeOnSim, EveryAcceptedTypeStreams)
{
    for (const char* kind : {"ORBIK", "GRESTOLV"}) {
        StartSim("3.45", kind);
        Connect();
        EXPECT_TRUE(WaitFrames(1)) << kind;
        EXPECT_EQ(ScopeDisconnect(*session, fe), 1);
        sim->Stop();
    }
    EXPECT_TRUE(ScopeAcceptsSensorType("PALVETRA"));
    EXPECT_FALSE(ScopeAcceptsSensorType("PALVETRA "));
    EXPECT_EQ(messages.Count(), 0u);
}

struct IncompleteCase {
    varnsim::ScopeFault nFault;
    const char* szMessage;
    unsigned uTaken;
};

class Incomplete : public ScopeOnSim, public testing::WithParamInterface<IncompleteCase> {};

TEST_P(Incomplete, FrameEndsTheThreadWithItsValuesInTheBuffer)
{
    const IncompleteCase& c = GetParam();
    StartSim("2.81");
    sim->SetScopeFault(c.nFault, 3);
    Connect();
    ASSERT_TRUE(WaitEnded());
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{c.szMessage});
    EXPECT_EQ(session->Result(), SCOPE_RECEIVE_STREAM);
    EXPECT_EQ(fe.nEnded.load(), 1);
    const ScopeSnapshot s = Snapshot();
    const std::vector<int32_t> bad = SimFrameValues(3, false), before = SimFrameValues(2, false);
    EXPECT_TRUE(std::equal(bad.begin(), bad.begin() + c.uTaken, s.vDataBuffer + 9000));
    if (c.uTaken < 1000) {
        EXPECT_EQ(s.vDataBuffer[9999], before[999]);
    }
    // The frame that ended the thread is neither drawn nor recorded.
    EXPECT_EQ(session->uFrames.load(), 2u);
}

INSTANTIATE_TEST_SUITE_P(
    Values, Incomplete,
    testing::Values(IncompleteCase{varnsim::ScopeFault::ShortFrame, "E:Incomplet buffer received (Receive: 998, Wait: 1000)!", 999},
                    IncompleteCase{varnsim::ScopeFault::LongFrame, "E:Incomplet buffer received (Receive: 1000, Wait: 1000)!", 1000}),
    [](const testing::TestParamInfo<IncompleteCase>& info) {
        return info.param.uTaken == 999 ? std::string("Values999") : std::string("Values1001");
    });

struct BlockFaultCase {
    varnsim::ScopeFault nFault;
    const char* szName;
    bool bKept;   // the faulty block reaches the display
};

class BlockFaults : public ScopeOnSim, public testing::WithParamInterface<BlockFaultCase> {};

TEST_P(BlockFaults, StreamGoesOnWithoutAMessage)
{
    const BlockFaultCase& c = GetParam();
    StartSim("3.45");
    sim->SetScopeFault(c.nFault, 2);
    Connect();
    // The frame count follows the picture: wait for both.
    const unsigned frames = c.bKept ? 4u : 3u;
    ASSERT_TRUE(WaitUntil([&] {
        return (LastSimFrame(Snapshot(), true) >= 4 && session->uFrames.load() >= frames) || !session->Receiving();
    }, 15000));
    EXPECT_TRUE(session->Receiving());
    EXPECT_EQ(messages.Count(), 0u);
    const ScopeSnapshot s = Snapshot();
    const int last = LastSimFrame(s, true);
    // Frames before and after the faulty one are whole and in order.
    const int offset2 = (2 - last - 1) * 2000 + static_cast<int>(SCOPE_DISPLAY_SIZE);   // where frame 2 would start
    const std::vector<int32_t> f1 = SimFrameValues(1, true), f3 = SimFrameValues(3, true);
    if (c.bKept) {
        ASSERT_EQ(last, 4);
        EXPECT_TRUE(std::equal(f3.begin(), f3.end(), s.vDataBuffer + offset2 + 2000));
        EXPECT_EQ(s.vDataBuffer[offset2], 0x0A0A);
        EXPECT_EQ(s.vDataBuffer[offset2 + 1], 0x0A0A);
        EXPECT_EQ(session->uFrames.load(), 4u);
    } else {
        // The dropped block leaves frame 1 right before frame 3.
        EXPECT_TRUE(std::equal(f3.begin(), f3.end(), s.vDataBuffer + offset2 + 2000));
        EXPECT_TRUE(std::equal(f1.begin(), f1.end(), s.vDataBuffer + offset2));
        EXPECT_EQ(session->uFrames.load(), 3u);
    }
}

INSTANTIATE_TEST_SUITE_P(Binary, BlockFaults,
                         testing::Values(BlockFaultCase{varnsim::ScopeFault::NewlineInPayload, "LineFeeds", true},
                                         BlockFaultCase{varnsim::ScopeFault::OversizedPayload, "Oversized", false},
                                         BlockFaultCase{varnsim::ScopeFault::ShortFrame, "Short", false}),
                         [](const testing::TestParamInfo<BlockFaultCase>& info) { return std::string(info.param.szName); });

TEST_F(ScopeOnSim, GarbageLinesAreIgnoredInBothModes)
{
    for (const char* fw : {"2.81", "3.45"}) {
        StartSim(fw);
        sim->SetScopeFault(varnsim::ScopeFault::Garbage, 2);
        Connect();
        EXPECT_TRUE(WaitFrames(3)) << fw;
        const ScopeSnapshot s = Snapshot();
        EXPECT_EQ(LastSimFrame(s, fw[0] == '3'), 3) << fw;
        EXPECT_STREQ(s.szFrsLabel, "Filtered acoustic signal ");   // no record was taken from the noise
        EXPECT_EQ(ScopeDisconnect(*session, fe), 1);
        sim->Stop();
    }
    EXPECT_EQ(messages.Count(), 0u);
}

TEST_F(ScopeOnSim, HangUpMidStreamEndsTheThreadWithOneMessage)
{
    StartSim("3.45");
    sim->SetScopeFault(varnsim::ScopeFault::HangUp, 3);
    frame.settings.bSaveWav = 1;
    session->recorder.fnNow = [] { return 1709290800LL; };
    Connect();
    ASSERT_TRUE(WaitEnded());
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"E:Serial port connection lost !"});
    EXPECT_EQ(fe.nEnded.load(), 1);
    EXPECT_EQ(session->Result(), SCOPE_RECEIVE_STREAM);
    EXPECT_EQ(session->uFrames.load(), 3u);
    // The thread has ended by itself; Disconnect still finishes the recording.
    EXPECT_EQ(ScopeDisconnect(*session, fe), 1);
    EXPECT_FALSE(session->Connected());
    const std::vector<std::string> wavs = FilesWithExt(frame.settings.szWavDir, ".wav");
    ASSERT_EQ(wavs.size(), 1u);
    EXPECT_EQ(ReadFileText(std::string(frame.settings.szWavDir) + "/" + wavs[0]).size(), 44u + 3 * 4000);
}

TEST_F(ScopeOnSim, NoPortSelectedOpensNothing)
{
    StartSim("3.45");
    EXPECT_EQ(ScopeConnect(*session, SERIAL_SELECT_ENTRY, fe), 0);
    EXPECT_EQ(ScopeConnect(*session, "", fe), 0);
    EXPECT_EQ(messages.Texts(), (std::vector<std::string>{"E:No serial port selected !", "E:No serial port selected !"}));
    EXPECT_FALSE(session->Connected());
    EXPECT_TRUE(fe.vStatus.empty());
}

// --- Recording on the live stream ------------------------------------------

class Recording : public ScopeOnSim, public testing::WithParamInterface<ModeCase> {};

TEST_P(Recording, DisconnectStopsBetweenFramesFreesThePortAndWritesWhatWasSent)
{
    const ModeCase& c = GetParam();
    StartSim(c.szFirmware);
    frame.settings.bSaveWav = 1;
    // A recording that starts on a period boundary has no padding.
    const long long start = 1709290800;   // a multiple of 600
    session->recorder.fnNow = [start] { return start; };
    Connect();
    ASSERT_TRUE(WaitFrames(3));
    const std::string port = sim->PortPath();
    EXPECT_EQ(ScopeDisconnect(*session, fe), 1);
    EXPECT_EQ(session->Result(), SCOPE_RECEIVE_STOPPED);
    EXPECT_FALSE(session->Receiving());
    EXPECT_TRUE(SerialPortProbe(port));   // free for another program

    const unsigned frames = session->uFrames.load();
    const std::vector<std::string> wavs = FilesWithExt(frame.settings.szWavDir, ".wav");
    ASSERT_EQ(wavs.size(), 1u);
    EXPECT_EQ(wavs[0], WavLocalTime(start, "%Y%m%d_%H%M%S") + ".wav");
    EXPECT_EQ(FilesWithExt(frame.settings.szWavDir, ".bin"), std::vector<std::string>{});
    if (!PythonWaveAvailable())
        GTEST_SKIP() << "python3 with its wave module is needed to read the file back";
    const WavReadBack r = ReadWavWithPython(std::string(frame.settings.szWavDir) + "/" + wavs[0]);
    ASSERT_TRUE(r.bOk) << r.sError;
    EXPECT_EQ(r.nChannels, 2);
    EXPECT_EQ(r.nSampleWidth, 2);
    EXPECT_EQ(r.nFrameRate, static_cast<int>(c.uRate));
    ASSERT_EQ(r.nFrames, static_cast<long>(frames * c.uRate / 2));
    // The samples are the conversion of what the simulator sent, frame by frame.
    const int last = LastSimFrame(Snapshot(), c.bBinary);
    const std::vector<int32_t> sent = SimFrames(last, static_cast<int>(frames), c.bBinary);
    ASSERT_EQ(sent.size(), r.vSamples.size());
    for (size_t i = 0; i < sent.size(); i++)
        ASSERT_EQ(r.vSamples[i], ScopeWavValue(sent[i])) << "sample " << i;
}

INSTANTIATE_TEST_SUITE_P(Firmware, Recording,
                         testing::Values(ModeCase{"2.81", false, 1000, 10}, ModeCase{"3.45", true, 2000, 5}),
                         [](const testing::TestParamInfo<ModeCase>& info) {
                             return info.param.bBinary ? std::string("Binary") : std::string("Ascii");
                         });

TEST_F(ScopeOnSim, RecordingSwitchedOnLaterStartsOnceAndResumesWithoutNewPadding)
{
    StartSim("3.45");
    frame.settings.nWavDuration = 60;
    long long now = 1709290800 + 20;   // 20 s into a minute
    session->recorder.fnNow = [&now] { return now; };
    Connect();
    ASSERT_TRUE(WaitFrames(1));
    frame.settings.bSaveWav = 1;
    const unsigned on = session->uFrames.load();
    ASSERT_TRUE(WaitFrames(on + 2));
    frame.settings.bSaveWav = 0;
    const unsigned off = session->uFrames.load();
    ASSERT_TRUE(WaitFrames(off + 2));
    frame.settings.bSaveWav = 1;
    now += 2;   // a new WavInit would pad to here
    const unsigned again = session->uFrames.load();
    ASSERT_TRUE(WaitFrames(again + 2));
    EXPECT_EQ(ScopeDisconnect(*session, fe), 1);
    const unsigned recorded = (off - on + 1) + (session->uFrames.load() - again);
    const std::vector<std::string> wavs = FilesWithExt(frame.settings.szWavDir, ".wav");
    ASSERT_EQ(wavs.size(), 1u);
    const std::string bytes = ReadFileText(std::string(frame.settings.szWavDir) + "/" + wavs[0]);
    // 20 s of padding from the first start only, then the frames taken while on.
    EXPECT_NEAR(static_cast<double>(bytes.size()), 44.0 + 20 * 8000 + recorded * 4000.0, 2 * 4000.0);
}

}  // namespace
