// The scope's frame reader on a real pseudo-terminal, with the test playing
// the sensor: lines, blocks completed to their announced length, blocks too
// large for the line buffer, the stop flag and a lost line.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "appframe.h"
#include "pty_peer.h"
#include "scope_parse.h"
#include "scope_reader.h"
#include "serial.h"
#include "test_support.h"

namespace {

std::string U16(unsigned v)
{
    return std::string{static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
}

// A block with the given offset and payload (end bytes CR LF).
std::string Block(unsigned offset, const std::string& payload)
{
    return std::string(SCOPE_BLOCK_TAG) + U16(offset) + U16(static_cast<unsigned>(payload.size())) + payload + "\r\n";
}

class FrameReader : public testing::Test {
protected:
    void SetUp() override
    {
        AppStartupFrameIn(PROGRAM_SCOPE, dir.Path().c_str());
        ASSERT_TRUE(peer.Ok());
        ASSERT_EQ(SerialOpen(peer.SlavePath().c_str()), 1);
        SerialSetTimeout(300);
    }
    void TearDown() override { SerialClose(); }

    // Reads one unit into a buffer of nSize bytes followed by guard bytes.
    std::string Read(unsigned nSize, scope::FrameEnd* end = nullptr)
    {
        buffer.assign(nSize + kGuard, 0xEE);
        const unsigned n = scope::SerialReadFrame(buffer.data(), nSize, nullptr, end, 300);
        for (size_t i = nSize; i < buffer.size(); i++)
            EXPECT_EQ(buffer[i], 0xEE) << "byte " << i << " written beyond the buffer";
        return std::string(reinterpret_cast<const char*>(buffer.data()), n);
    }

    static constexpr size_t kGuard = 64;
    TempDir dir;
    PtyPeer peer;
    std::vector<unsigned char> buffer;
};

TEST_F(FrameReader, LinesKeepEveryByteUpToTheirLineFeed)
{
    peer.Send(std::string("FLUX;1;g/s;3;12;0\r\nA\0B\r\n", 24));
    EXPECT_EQ(Read(SCOPE_LINE_SIZE), "FLUX;1;g/s;3;12;0\r\n");
    EXPECT_EQ(Read(SCOPE_LINE_SIZE), std::string("A\0B\r\n", 5));
    // A line longer than the buffer comes in buffer-sized pieces.
    peer.Send(std::string(100, 'x') + "\n");
    EXPECT_EQ(Read(64), std::string(64, 'x'));
    EXPECT_EQ(Read(64), std::string(36, 'x') + "\n");
}

TEST_F(FrameReader, BlockIsReadWholeThoughItsPayloadAndHeaderHoldLineFeeds)
{
    std::string payload;
    for (int k = 0; k < 2000; k++)
        payload += U16(k % 3 == 0 ? 0x0A0A : 0x0800 + k % 256);
    const std::string block = Block(0x0A0A, payload);
    // Split as a line would deliver it, with a pause inside the payload:
    // the rest comes once the reader has taken the start and waits.
    peer.Send(block.substr(0, 100));
    const pid_t reader = CurrentThreadId();
    std::thread later([&] {
        WaitUntil([&] { return ThreadWaitsInPoll(reader); });
        peer.Send(block.substr(100) + "RAIN;1;mm/h;3;1;0\r\n");
    });
    EXPECT_EQ(Read(SCOPE_LINE_SIZE), block);
    later.join();
    EXPECT_EQ(Read(SCOPE_LINE_SIZE), "RAIN;1;mm/h;3;1;0\r\n");
}

TEST_F(FrameReader, OversizedBlockIsDroppedWithoutOverrunAndTheStreamStaysInStep)
{
    // 8178 bytes of payload still fit the 8192-byte line buffer; 8179 do not.
    const std::string fits = Block(1, std::string(8178, '\x01'));
    const std::string tooLarge = Block(2, std::string(8179, '\x0A'));
    // More than the line holds unread: sent while the reader takes it.
    std::thread first([&] { peer.Send(fits + tooLarge + "WIND;1;km/h;3;5;0\r\n"); });
    EXPECT_EQ(Read(SCOPE_LINE_SIZE), fits);
    scope::FrameEnd end = scope::FRAME_FAILED;
    EXPECT_EQ(Read(SCOPE_LINE_SIZE, &end), "");
    EXPECT_EQ(end, scope::FRAME_DONE);
    EXPECT_EQ(Read(SCOPE_LINE_SIZE), "WIND;1;km/h;3;5;0\r\n");
    first.join();

    // The largest size a header can announce.
    std::thread sender([&] { peer.Send(Block(3, std::string(65535, 'z')) + "FLUX;1;g/s;3;1;0\r\n"); });
    EXPECT_EQ(Read(SCOPE_LINE_SIZE), "");
    EXPECT_EQ(Read(SCOPE_LINE_SIZE), "FLUX;1;g/s;3;1;0\r\n");
    sender.join();
}

TEST_F(FrameReader, ShortOrForeignBlockIsDroppedAndTheNextHeaderFoundInIt)
{
    // Nothing more within the time-out: the part that came is no block.
    const std::string block = Block(1, std::string(4000, '\x02'));
    peer.Send(block.substr(0, 2000));
    EXPECT_EQ(Read(SCOPE_LINE_SIZE), "");

    // A block announcing 4000 bytes brings 1000: its rest would be taken
    // from the next block, whose header bytes are no 12-bit samples.
    std::string next;
    for (int k = 0; k < 2000; k++)
        next += U16(static_cast<unsigned>(k % 4096));
    const std::string whole = Block(3, next);
    const std::string cut = std::string(SCOPE_BLOCK_TAG) + U16(2) + U16(4000) + std::string(1000, '\x01') + "\r\n";
    std::thread sender([&] { peer.Send(cut + whole + "WIND;1;km/h;3;5;0\r\n"); });
    EXPECT_EQ(Read(SCOPE_LINE_SIZE), whole);
    EXPECT_EQ(Read(SCOPE_LINE_SIZE), "WIND;1;km/h;3;5;0\r\n");
    sender.join();

    // The announced length came, but without its line feed at the end, or
    // with a value no 12-bit reading has: dropped, the stream goes on.
    std::string badEnd = Block(4, std::string(4000, '\x01'));
    badEnd[badEnd.size() - 1] = 'x';
    const std::string badSample = Block(5, std::string(3998, '\x01') + U16(4096));
    std::thread third([&] { peer.Send(badEnd + "\n" + badSample + "RAIN;1;mm/h;3;1;0\r\n"); });
    EXPECT_EQ(Read(SCOPE_LINE_SIZE), "");
    EXPECT_EQ(Read(SCOPE_LINE_SIZE), "\n");
    EXPECT_EQ(Read(SCOPE_LINE_SIZE), "");
    EXPECT_EQ(Read(SCOPE_LINE_SIZE), "RAIN;1;mm/h;3;1;0\r\n");
    third.join();
}

TEST_F(FrameReader, StopFlagEndsTheWaitAndALostLineIsReported)
{
    std::atomic<bool> stop{false};
    scope::FrameEnd end = scope::FRAME_DONE;
    peer.Send("partial line without its end");
    const pid_t reader = CurrentThreadId();
    std::thread stopper([&] {
        WaitUntil([&] { return ThreadWaitsInPoll(reader); });
        stop = true;
    });
    buffer.assign(SCOPE_LINE_SIZE, 0);
    EXPECT_EQ(scope::SerialReadFrame(buffer.data(), SCOPE_LINE_SIZE, &stop, &end, 300), 0u);
    EXPECT_EQ(end, scope::FRAME_STOPPED);
    stopper.join();

    peer.HangUp();
    EXPECT_EQ(scope::SerialReadFrame(buffer.data(), SCOPE_LINE_SIZE, nullptr, &end, 300), 0u);
    EXPECT_EQ(end, scope::FRAME_HUNGUP);
}

TEST_F(FrameReader, FailsAtOnceOnAClosedPort)
{
    SerialClose();
    scope::FrameEnd end = scope::FRAME_DONE;
    buffer.assign(16, 0);
    EXPECT_EQ(scope::SerialReadFrame(buffer.data(), 16, nullptr, &end, 300), 0u);
    EXPECT_EQ(end, scope::FRAME_FAILED);
}

}  // namespace
