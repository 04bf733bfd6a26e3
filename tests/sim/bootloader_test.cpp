// The bootloader after power-up: its window, every frame with its fixed
// answer, the upload checks, power and the bootloader faults.
#include <gtest/gtest.h>

#include <thread>

#include "crc16.h"
#include "host_port.h"
#include "test_support.h"

using namespace std::chrono_literals;
using varnsim::Options;

namespace {

std::string Bytes(std::initializer_list<int> values)
{
    std::string s;
    for (int v : values)
        s += static_cast<char>(v);
    return s;
}

std::string Le(uint32_t value, int bytes)
{
    std::string s;
    for (int i = 0; i < bytes; ++i)
        s += static_cast<char>((value >> (8 * i)) & 0xFF);
    return s;
}

std::string BeginUpload(uint32_t size) { return Bytes({0xC5}) + Le(size, 4); }

std::string DataBlock(const std::string& payload)
{
    const uint16_t crc = varnsim::Crc16Modbus(reinterpret_cast<const uint8_t*>(payload.data()), payload.size());
    return Bytes({0xC7}) + Le(static_cast<uint32_t>(payload.size()), 2) + payload + Le(crc, 2);
}

// An image with the version stamp: "ELI" at -16, the version at -8,
// "Copyright" at 0.
std::string StampedImage(size_t size, const std::string& version)
{
    std::string image(size, '\0');
    for (size_t i = 0; i < size; ++i)
        image[i] = static_cast<char>((i * 7 + 3) & 0xFF);
    const size_t at = 500;
    image.replace(at - 16, 3, "ELI");
    image.replace(at - 8, version.size() + 1, version + '\0');
    image.replace(at, 9, "Copyright");
    return image;
}

class Boot : public testing::Test {
protected:
    void Open(Options options)
    {
        line_ = std::make_unique<SimLine>(std::move(options));
        ASSERT_TRUE(line_->started) << line_->error;
    }
    // Powered up with a long window, MAGIC answered.
    void OpenBootloader(Options options = FastOptions())
    {
        options.bootWindowMs = 60000;
        Open(std::move(options));
        EXPECT_EQ(Frame(Bytes({0xA1}), 1), "!");
        ASSERT_TRUE(sim().InBootloader());
    }
    HostPort& host() { return *line_->host; }
    varnsim::Simulator& sim() { return line_->sim; }

    // Sends a frame and reads its fixed-length answer.
    std::string Frame(const std::string& frame, size_t answer, int ms = 1000)
    {
        host().Write(frame);
        return host().Read(answer, ms);
    }
    // Sends MAGIC every 20 ms until '!' comes; false after ms.
    bool CatchBootloader(int ms)
    {
        const auto start = std::chrono::steady_clock::now();
        while (MsSince(start) < ms) {
            host().Write(Bytes({0xA1}));
            if (host().Read(1, 20) == "!")
                return true;
        }
        return false;
    }

    std::unique_ptr<SimLine> line_;
};

TEST_F(Boot, ListensForMagicOnlyDuringItsWindow)
{
    Options options = FastOptions();
    options.bootWindowMs = 300;
    Open(options);
    host().Write("wakeup!\r");  // the console is not running yet
    EXPECT_EQ(host().Drain(50), "");
    EXPECT_EQ(Frame(Bytes({0xA1}), 1), "!");
    EXPECT_TRUE(sim().InBootloader());
    line_.reset();

    Open(options);
    ASSERT_TRUE(WaitUntil([&] { return sim().ConsoleListening(); }));   // the window has passed
    EXPECT_EQ(Frame(Bytes({0xA1}), 1, 100), "");
    EXPECT_FALSE(sim().InBootloader());
    host().Wakeup();
    EXPECT_TRUE(sim().ConsoleAwake());
}

TEST_F(Boot, InformationFramesHaveFixedLittleEndianAnswers)
{
    Options options = FastOptions();
    options.uniqueId = "0C0B0A090807060504030201";
    options.bootloaderVersion = "BL 2.5";
    options.flashSize = 0x40000;
    options.bootloaderSize = 0x4000;
    OpenBootloader(options);
    EXPECT_EQ(Frame(Bytes({0xC1}), 3 + 6), "!" + Le(6, 2) + "BL 2.5");
    // W1 W2 W3 on the wire; the host shows W3 W2 W1.
    EXPECT_EQ(Frame(Bytes({0xC2}), 13), "!" + Bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    EXPECT_EQ(Frame(Bytes({0xC3}), 5), "!" + Le(0x40000, 4));
    EXPECT_EQ(Frame(Bytes({0xC4}), 5), "!" + Le(0x3C000, 4));
    EXPECT_EQ(Frame(Bytes({0x55}), 1), "1");  // bad command
    EXPECT_EQ(Frame(Bytes({0xA1}), 1), "!");  // MAGIC again is harmless
    EXPECT_EQ(host().Drain(50), "");
}

TEST_F(Boot, UploadKeepsTheImageAndExitStartsTheConsole)
{
    OpenBootloader();
    const std::string image = StampedImage(3 * 256 + 1, "3.50");
    EXPECT_EQ(Frame(BeginUpload(static_cast<uint32_t>(image.size())), 1), "!");
    for (size_t at = 0; at < image.size(); at += 256)
        ASSERT_EQ(Frame(DataBlock(image.substr(at, 256)), 1), "!") << at;
    EXPECT_EQ(Frame(Bytes({0xC8}), 1), "!");
    const std::vector<uint8_t> flashed = sim().FlashedImage();
    EXPECT_EQ(std::string(flashed.begin(), flashed.end()), image);

    EXPECT_EQ(Frame(Bytes({0xC9}), 1), "!");
    EXPECT_FALSE(sim().InBootloader());
    host().Write("get fw-version\r");
    EXPECT_EQ(host().Drain(50), "");  // the console starts asleep
    host().Wakeup();
    EXPECT_EQ(host().Command("get fw-version"), "get fw-version\r\nOK fw-version=3.50\r\n");
}

TEST_F(Boot, UploadChecksStateCrcLengthAndSize)
{
    OpenBootloader();
    const std::string block(100, 'x');
    EXPECT_EQ(Frame(DataBlock(block), 1), "5");  // no upload begun
    EXPECT_EQ(Frame(Bytes({0xC8}), 1), "5");
    EXPECT_EQ(Frame(BeginUpload(0), 1), "7");
    EXPECT_EQ(Frame(BeginUpload(0x40000), 1), "7");  // more than the free flash
    EXPECT_EQ(Frame(BeginUpload(250), 1), "!");

    std::string damaged = DataBlock(block);
    damaged[10] ^= 0x01;
    EXPECT_EQ(Frame(damaged, 1), "3");
    EXPECT_EQ(Frame(DataBlock(block), 1), "!");  // a bad block changes nothing

    // Impossible lengths: refused, the rest of the frame skipped.
    EXPECT_EQ(Frame(Bytes({0xC7}) + Le(0, 2) + Le(0, 2), 1), "2");
    std::this_thread::sleep_for(80ms);
    EXPECT_EQ(Frame(Bytes({0xC7}) + Le(257, 2) + std::string(257, 'y') + Le(0, 2), 1), "2");
    EXPECT_EQ(host().Drain(80), "");

    EXPECT_EQ(Frame(DataBlock(std::string(151, 'z')), 1), "7");  // past the announced 250
    EXPECT_EQ(Frame(Bytes({0xC8}), 1), "7");  // 100 of 250 bytes
    EXPECT_TRUE(sim().FlashedImage().empty());
    EXPECT_EQ(Frame(Bytes({0xC8}), 1), "5");  // the failed upload is over
}

TEST_F(Boot, AFrameThatStopsHalfwayTimesOut)
{
    OpenBootloader();
    host().Write(Bytes({0xC5, 0x10, 0x00}));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(host().Read(1, 2000), "6");
    EXPECT_GE(MsSince(start), 900);
    EXPECT_EQ(Frame(Bytes({0xC3}), 5).substr(0, 1), "!");
}

TEST_F(Boot, ChosenFrameAnswersWithChosenStatus)
{
    OpenBootloader();
    sim().FailBootFrame(0xC7, 2, 0x35);
    EXPECT_EQ(Frame(BeginUpload(300), 1), "!");
    EXPECT_EQ(Frame(DataBlock(std::string(100, 'a')), 1), "!");
    EXPECT_EQ(Frame(DataBlock(std::string(100, 'b')), 1), "5");
    EXPECT_EQ(Frame(DataBlock(std::string(100, 'c')), 1), "!");
    // Error answers keep the frame's answer length.
    sim().FailBootFrame(0xC2, 1, 0x34);
    EXPECT_EQ(Frame(Bytes({0xC2}), 13), "4" + std::string(12, '\0'));
}

TEST_F(Boot, FallsSilentDuringAnUploadUntilPowerCycled)
{
    OpenBootloader();
    sim().SilenceUploadAfterBlocks(2);
    EXPECT_EQ(Frame(BeginUpload(1000), 1), "!");
    EXPECT_EQ(Frame(DataBlock(std::string(256, 'a')), 1), "!");
    EXPECT_EQ(Frame(DataBlock(std::string(256, 'b')), 1), "!");
    EXPECT_EQ(Frame(DataBlock(std::string(256, 'c')), 1, 300), "");
    EXPECT_EQ(Frame(Bytes({0xC3}), 5, 100), "");
    sim().PowerCycle(10);
    EXPECT_TRUE(CatchBootloader(1000));
    EXPECT_EQ(Frame(BeginUpload(10), 1), "!");
}

TEST_F(Boot, AnswersMagicWithAnotherByte)
{
    Options options = FastOptions();
    options.bootWindowMs = 300;
    Open(options);
    sim().SetMagicReply('?');
    EXPECT_EQ(Frame(Bytes({0xA1}), 1), "?");
    EXPECT_FALSE(sim().InBootloader());
}

TEST_F(Boot, PowerOffIsSilentAndPowerOnOpensTheWindow)
{
    Options options = FastOptions();
    options.poweredOn = false;
    options.bootWindowMs = 500;
    Open(options);
    EXPECT_FALSE(sim().PoweredOn());
    host().Write(Bytes({0xA1}) + "wakeup!\r");
    EXPECT_EQ(host().Drain(100), "");
    sim().PowerOn();
    EXPECT_TRUE(CatchBootloader(500));
    sim().PowerOff();
    EXPECT_EQ(Frame(Bytes({0xC3}), 5, 100), "");
    line_.reset();

    // Powered up later by itself, as when a user switches the sensor on
    // while the host keeps sending MAGIC.
    options.powerUpAfterMs = 200;
    Open(options);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(CatchBootloader(1000));
    EXPECT_GE(MsSince(start), 190);
}

TEST_F(Boot, NoiseAtPowerUpThenTheWindowStillListens)
{
    Options options = FastOptions();
    options.poweredOn = false;
    options.bootWindowMs = 800;
    Open(options);
    sim().SetBootNoiseMs(150);
    sim().PowerOn();
    // A host drains until the line is quiet for 100 ms, then sends MAGIC.
    std::string noise;
    for (std::string more; !(more = host().Drain(100)).empty();)
        noise += more;
    EXPECT_GT(noise.size(), 1000u);  // about 150 ms of line time
    EXPECT_LT(noise.size(), 3000u);
    EXPECT_TRUE(CatchBootloader(300));
}

} // namespace
