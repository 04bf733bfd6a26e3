// Flash and info runs against the sensor simulator on a real
// pseudo-terminal: block layout, the image that arrives, status errors,
// noise at power-up and the compatibility question.
#include <gtest/gtest.h>

#include <cstring>
#include <future>
#include <sys/stat.h>

#include "appframe.h"
#include "bootloader.h"
#include "flash_fixture.h"
#include "simulator.h"
#include "test_support.h"

namespace {

constexpr char kListedDevice[] = "002E0040363230360C473431";

class FlashSimTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        AppStartupFrameIn(PROGRAM_FLASH, dir.Path().c_str());
        hCancelEvent.Reset();
    }

    // A sensor that powers up shortly after the run began waiting.
    void StartSim(const std::string& sUniqueId = "0036003F3137510A33353438", uint32_t uFlashSize = 262144)
    {
        varnsim::Options o;
        o.paced = false;
        o.powerUpAfterMs = 250;
        o.uniqueId = sUniqueId;
        o.flashSize = uFlashSize;
        sim = std::make_unique<varnsim::Simulator>(o);
        std::string why;
        ASSERT_TRUE(sim->Start(&why)) << why;
        run.sPort = sim->PortPath();
        run.pFrontEnd = &ui;
        run.uStartWindowMs = 3000;
    }

    int Flash(const std::vector<uint8_t>& vImage)
    {
        run.sFile = dir.File("fw.bin");
        EXPECT_TRUE(WriteFile(run.sFile, vImage));
        run.bInfoOnly = 0;
        return ProcessThread(run);
    }

    // The frames the host sent after the bootloader answered MAGIC.
    std::string FramesAfterMagic() const
    {
        const std::string all = sim->Received();
        const size_t magic = all.rfind('\xA1', all.find('\xC1'));
        return magic == std::string::npos ? all : all.substr(magic + 1);
    }

    static std::string Block(const std::vector<uint8_t>& vImage, size_t uOffset, size_t uSize)
    {
        std::string frame{'\xC7', static_cast<char>(uSize & 0xFF), static_cast<char>(uSize >> 8)};
        frame.append(reinterpret_cast<const char*>(vImage.data() + uOffset), uSize);
        const uint16_t crc = Crc16Ex(0xFFFF, vImage.data() + uOffset, uSize);
        frame += static_cast<char>(crc & 0xFF);
        frame += static_cast<char>(crc >> 8);
        return frame;
    }

    static std::string Begin(uint32_t uSize)
    {
        return std::string{'\xC5', static_cast<char>(uSize), static_cast<char>(uSize >> 8),
                           static_cast<char>(uSize >> 16), static_cast<char>(uSize >> 24)};
    }

    TempDir dir;
    MessageRecorder rec;
    RecordingFrontEnd ui;
    FlashRun run;
    std::unique_ptr<varnsim::Simulator> sim;
};

TEST_F(FlashSimTest, ImageOf257BytesGoesAsBlocksOf256And1)
{
    StartSim();
    const std::vector<uint8_t> image = MakeImage(257);
    ASSERT_EQ(Flash(image), 1);
    EXPECT_EQ(rec.Texts(), std::vector<std::string>{"I:Firmware successfully flashed !"});
    EXPECT_EQ(sim->FlashedImage(), image);
    EXPECT_FALSE(sim->InBootloader());

    const std::string frames = FramesAfterMagic();
    const std::string expected = std::string("\xC1\xC2\xC3\xC4", 4) + Begin(257) + Block(image, 0, 256) +
                                 Block(image, 256, 1) + "\xC8\xC9";
    EXPECT_EQ(frames, expected);

    EXPECT_TRUE(ui.SawText("Start uploading firmware (257 bytes)..."));
    EXPECT_TRUE(ui.SawText("Uploading firmware 99 % (256/257 bytes)..."));
    EXPECT_TRUE(ui.SawText("Uploading firmware 100 % (257/257 bytes)..."));
    const std::vector<std::string> texts = ui.Texts();
    ASSERT_GE(texts.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(texts.end() - 3, texts.end()),
              (std::vector<std::string>{"Check for upload size...", "Exiting bootloader...", szFlashIdleHint}));
    EXPECT_EQ(ui.States(), (std::vector<int>{1, 0}));
}

TEST_F(FlashSimTest, ExactMultipleOfTheBlockSizeSendsNoEmptyBlock)
{
    StartSim();
    const std::vector<uint8_t> image = MakeImage(512);
    ASSERT_EQ(Flash(image), 1);
    EXPECT_EQ(sim->FlashedImage(), image);
    EXPECT_EQ(FramesAfterMagic(), std::string("\xC1\xC2\xC3\xC4", 4) + Begin(512) + Block(image, 0, 256) +
                                      Block(image, 256, 256) + "\xC8\xC9");
}

TEST_F(FlashSimTest, ErrorStatusOnADataBlockStopsTheUpload)
{
    StartSim();
    sim->FailBootFrame(BLDR_DATA_BLOCK, 2, 0x35);
    const std::vector<uint8_t> image = MakeImage(1000);
    EXPECT_EQ(Flash(image), 0);
    // The run-level error says where the sensor was left.
    EXPECT_EQ(rec.Texts(), (std::vector<std::string>{"E:Could not write data block (0x35 : Invalid state) !",
                                                     "E:Error during firmware flash, please retry !\n\n" +
                                                         std::string(szStaysInBootloader)}));
    EXPECT_TRUE(sim->FlashedImage().empty());
    // No retry, no END_OF_DATA, no EXIT.
    const std::string frames = FramesAfterMagic();
    EXPECT_EQ(frames.substr(frames.size() - Block(image, 256, 256).size()), Block(image, 256, 256));
    EXPECT_TRUE(sim->InBootloader());
    // The status line ends on the failure, the bar where the upload stopped.
    EXPECT_EQ(ui.Texts().back(), "Error during firmware flash, please retry !");
    EXPECT_EQ(ui.LastPosition(), TASK_POSITION_KEEP);
}

TEST_F(FlashSimTest, ImagesThatCannotGoAreRefusedBeforeBeginUpload)
{
    // The run checks the image again once the bootloader answered (it may
    // have changed during the wait, or the caller did not check): nothing is
    // uploaded, and a FIFO does not block the run.
    StartSim();
    ASSERT_EQ(mkfifo(dir.File("fifo").c_str(), 0644), 0);
    struct Case {
        std::string sFile;
        std::string sMessage;
    };
    ASSERT_TRUE(WriteFile(dir.File("empty.bin"), {}));
    const Case cases[] = {
        {dir.File("empty.bin"), "E:Nothing to upload !"},
        {dir.File("none.bin"), "E:Could not open file '" + dir.File("none.bin") + "' !"},
        {dir.File("fifo"), "E:Could not open file '" + dir.File("fifo") + "' : it is a pipe, not a firmware file !"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sFile);
        MessageRecorder local;
        sim->PowerCycle(100);
        sim->ClearReceived();
        run.sFile = c.sFile;
        EXPECT_EQ(ProcessThread(run), 0);
        EXPECT_EQ(local.Texts(), (std::vector<std::string>{c.sMessage, "E:Error during firmware flash, please retry !\n\n" +
                                                                           std::string(szStaysInBootloader)}));
        EXPECT_EQ(FramesAfterMagic(), std::string("\xC1\xC2\xC3\xC4", 4));
    }
}

TEST_F(FlashSimTest, ImageLargerThanTheFreeFlashIsRefusedBeforeBeginUpload)
{
    // 20000 bytes of flash, 16384 of them the bootloader's: 3616 free.
    StartSim("0036003F3137510A33353438", 20000);
    EXPECT_EQ(Flash(MakeImage(3617)), 0);
    EXPECT_EQ(rec.Texts(), (std::vector<std::string>{
                               "E:Firmware file too large for the sensor (3617 bytes, 3616 bytes of flash free) !",
                               "E:Error during firmware flash, please retry !\n\n" + std::string(szStaysInBootloader)}));
    EXPECT_EQ(FramesAfterMagic(), std::string("\xC1\xC2\xC3\xC4", 4));
    EXPECT_TRUE(sim->InBootloader());

    // Exactly the free flash fits.
    sim->PowerCycle(100);
    const std::vector<uint8_t> image = MakeImage(3616);
    EXPECT_EQ(Flash(image), 1);
    EXPECT_EQ(sim->FlashedImage(), image);
}

TEST_F(FlashSimTest, NoiseBeforePowerUpIsDrainedAndMagicStillCatchesTheBootloader)
{
    StartSim();
    sim->SendNoise(600);
    sim->SetBootNoiseMs(200);
    run.bInfoOnly = 1;
    ASSERT_EQ(ProcessThread(run), 1);
    EXPECT_EQ(rec.Count(), 0u);
    EXPECT_EQ(ui.Information(), "Bootloader : VARN-BL 1.12\nSignature : 0036003F3137510A33353438\n"
                                "Flash size : 262144 bytes\nBootloader : 16384 bytes\nApplication : 245760 bytes\n\n" +
                                    std::string(szStaysInBootloader) + "\n");
    EXPECT_TRUE(sim->InBootloader());
}

// Power-up noise of a few dozen bytes, and of a hundred and more, with
// stray '!' in it (a pair among them, which a start loop that takes a
// queued '!' for the answer reads as a text length of 8481).
std::string PowerUpNoise(size_t uSize)
{
    std::string noise(uSize, '\0');
    uint32_t x = 0xC0FFEE;
    for (char& c : noise) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 16);
    }
    noise[3] = '!';
    noise[uSize / 2] = '!';
    noise[uSize / 2 + 1] = '!';
    noise[uSize - 1] = '!';
    return noise;
}

TEST_F(FlashSimTest, FlashIsCaughtThroughPowerUpNoise)
{
    for (size_t bytes : {34u, 150u}) {
        SCOPED_TRACE(std::to_string(bytes) + " bytes of noise");
        MessageRecorder local;
        StartSim();
        sim->SetBootNoiseBytes(PowerUpNoise(bytes));
        const std::vector<uint8_t> image = MakeImage(600);
        EXPECT_EQ(Flash(image), 1);
        EXPECT_EQ(local.Texts(), std::vector<std::string>{"I:Firmware successfully flashed !"});
        EXPECT_EQ(sim->FlashedImage(), image);
        // The first command went out once the line had fallen silent, and
        // its answer was the first byte read for it.
        EXPECT_TRUE(ui.SawText("Connected to bootloader 'VARN-BL 1.12' !"));
    }
}

TEST_F(FlashSimTest, FlashIsCaughtWhenTheBootloaderAnswersLate)
{
    StartSim();
    sim->SetAnswerDelayMs(250);
    const std::vector<uint8_t> image = MakeImage(300);
    EXPECT_EQ(Flash(image), 1);
    EXPECT_EQ(rec.Texts(), std::vector<std::string>{"I:Firmware successfully flashed !"});
    EXPECT_EQ(sim->FlashedImage(), image);
    // Every frame after the catch went out once, in order: no answer of
    // one frame was taken for the next.
    const std::string frames = FramesAfterMagic();
    EXPECT_EQ(frames, std::string("\xC1\xC2\xC3\xC4", 4) + Begin(300) + Block(image, 0, 256) +
                          Block(image, 256, 44) + "\xC8\xC9");
}

struct CompatCase {
    const char* szVersion;   // stamp; empty: none
    const char* szDevice;
    bool bAsked;
};

TEST_F(FlashSimTest, CompatibilityQuestionOnlyForNewFirmwareOnListedDevices)
{
    const CompatCase cases[] = {
        {"2.37", kListedDevice, true},
        {"3.0", kListedDevice, true},
        {"2.36", kListedDevice, false},
        {"", kListedDevice, false},
        {"3.0", "0036003F3137510A33353438", false},
    };
    for (const CompatCase& c : cases) {
        SCOPED_TRACE(std::string(c.szVersion) + " on " + c.szDevice);
        RecordingFrontEnd local;
        run.pFrontEnd = &local;
        StartSim(c.szDevice);
        run.pFrontEnd = &local;
        local.nAnswer = 1;
        const std::vector<uint8_t> image = MakeImage(300, c.szVersion, 100);
        EXPECT_EQ(Flash(image), 1);
        EXPECT_EQ(sim->FlashedImage(), image);
        EXPECT_EQ(local.Questions().size(), c.bAsked ? 1u : 0u);
    }
}

TEST_F(FlashSimTest, DeclinedQuestionEndsTheRunWithoutExit)
{
    StartSim(kListedDevice);
    ui.nAnswer = 0;
    EXPECT_EQ(Flash(MakeImage(300, "2.37", 100)), 0);
    EXPECT_EQ(ui.Questions(), std::vector<std::string>{
                                  "Your are trying to flash firmware version 2.37 but this device "
                                  "002E0040363230360C473431 does not support firmware greater than 2.36 !\n\n"
                                  "Do you really want to continue (NOT RECOMMANDED) ?"});
    EXPECT_EQ(rec.Texts(), std::vector<std::string>{"E:Error during firmware flash, please retry !\n\n" +
                                                    std::string(szStaysInBootloader)});
    EXPECT_EQ(FramesAfterMagic(), std::string("\xC1\xC2\xC3\xC4", 4));
    EXPECT_TRUE(sim->InBootloader());
}

}  // namespace
