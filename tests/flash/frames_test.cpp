// Bootloader vocabulary and image stamps: no line needed.
#include <gtest/gtest.h>

#include <cstring>

#include "bootloader.h"
#include "flash_fixture.h"
#include "test_support.h"

namespace {

TEST(BootloaderFrames, Crc16IsModbusAndCanBeContinued)
{
    const char* check = "123456789";
    EXPECT_EQ(Crc16Ex(0xFFFF, check, 9), 0x4B37);
    EXPECT_EQ(Crc16Ex(Crc16Ex(0xFFFF, check, 4), check + 4, 5), 0x4B37);
    EXPECT_EQ(Crc16Ex(0xFFFF, check, 0), 0xFFFF);
}

TEST(BootloaderFrames, StatusTextsLookAtTheLowByteOnly)
{
    EXPECT_STREQ(BldrErrToStr(0x31), "Bad command");
    EXPECT_STREQ(BldrErrToStr(0x33), "Bad CRC");
    EXPECT_STREQ(BldrErrToStr(0x35), "Invalid state");
    EXPECT_STREQ(BldrErrToStr(0x37), "Invalid transfert size");
    EXPECT_STREQ(BldrErrToStr(0x135), "Invalid state");
    EXPECT_STREQ(BldrErrToStr(0x21), "???");
    EXPECT_STREQ(BldrErrToStr(0x38), "???");
    EXPECT_STREQ(BldrErrToStr(0x30), "???");
}

TEST(BootloaderFrames, UniqueIdShowsTheLastWordFirst)
{
    char id[BLDR_UNIQUE_ID_SIZE];
    BldrFormatUniqueId(id, 0x04030201, 0x08070605, 0x0C0B0A09);
    EXPECT_STREQ(id, "0C0B0A090807060504030201");
    BldrFormatUniqueId(id, 0, 0xFFFFFFFF, 0xabcdef);
    EXPECT_STREQ(id, "00ABCDEFFFFFFFFF00000000");
}

TEST(BootloaderFrames, Device14TableMatchesExactly)
{
    EXPECT_EQ(BldrIsDevice14("002E0040363230360C473431"), 1);
    EXPECT_EQ(BldrIsDevice14("00430043363230360C473431"), 1);
    EXPECT_EQ(BldrIsDevice14("002D003A3232363702473434"), 1);
    EXPECT_EQ(BldrIsDevice14("002e0040363230360c473431"), 0);
    EXPECT_EQ(BldrIsDevice14("002E0040363230360C47343"), 0);
    EXPECT_EQ(BldrIsDevice14("0036003F3137510A33353438"), 0);
}

TEST(FirmwareImage, MemmemFindsTheFirstWholeMatchOnly)
{
    const char hay[] = "abcabcabd";
    const size_t n = sizeof hay - 1;
    EXPECT_EQ(FlashMemmem(hay, n, "abd", 3), hay + 6);
    EXPECT_EQ(FlashMemmem(hay, n, "abc", 3), hay);
    EXPECT_EQ(FlashMemmem(hay, n, "", 0), nullptr);
    EXPECT_EQ(FlashMemmem(hay, n, "abdx", 4), nullptr);   // would run past the end
    EXPECT_EQ(FlashMemmem(hay, 2, "abc", 3), nullptr);
    EXPECT_EQ(FlashMemmem(hay, n, "d", 1), hay + 8);
}

TEST(FirmwareImage, VersionStampIsReadOnlyWithItsFullLayout)
{
    uint32_t major = 9, minor = 9;
    std::vector<uint8_t> img = MakeImage(300, "2.37");
    EXPECT_EQ(GetFwVersionFromImage(img.data(), img.size(), &major, &minor), 1);
    EXPECT_EQ(major, 2u);
    EXPECT_EQ(minor, 37u);

    img = MakeImage(300, " 3.0");
    EXPECT_EQ(GetFwVersionFromImage(img.data(), img.size(), &major, &minor), 1);
    EXPECT_EQ(major, 3u);
    EXPECT_EQ(minor, 0u);

    // No stamp at all, then "Copyright" without "ELI".
    img = MakeImage(300);
    EXPECT_EQ(GetFwVersionFromImage(img.data(), img.size(), &major, &minor), 0);
    EXPECT_EQ(major, 0u);
    EXPECT_EQ(minor, 0u);
    img = MakeImage(300, "2.37");
    img[64 - 16] = 'X';
    EXPECT_EQ(GetFwVersionFromImage(img.data(), img.size(), &major, &minor), 0);

    // "Copyright" too close to the start for "ELI" to fit before it.
    img = MakeImage(40);
    std::memcpy(&img[10], "Copyright", 9);
    EXPECT_EQ(GetFwVersionFromImage(img.data(), img.size(), &major, &minor), 0);

    // Only the first "Copyright" counts.
    img = MakeImage(400, "2.37", 200);
    std::memcpy(&img[100], "Copyright", 9);
    EXPECT_EQ(GetFwVersionFromImage(img.data(), img.size(), &major, &minor), 0);
}

TEST(FirmwareImage, VersionWithoutDotBeforeTheEndIsUnknown)
{
    // The version text is the last bytes of the image, with no '.' at all.
    std::vector<uint8_t> img(16 + 9, 0);
    std::memcpy(&img[0], "ELI", 3);
    std::memcpy(&img[8], "237", 3);
    std::memcpy(&img[16], "Copyright", 9);
    uint32_t major = 1, minor = 1;
    EXPECT_EQ(GetFwVersionFromImage(img.data(), img.size(), &major, &minor), 0);
    EXPECT_EQ(major, 0u);
    // A dot at the very end: no minor digits read as 0.
    img.push_back('.');
    EXPECT_EQ(GetFwVersionFromImage(img.data(), img.size(), &major, &minor), 1);
    EXPECT_EQ(major, 237u);
    EXPECT_EQ(minor, 0u);
}

TEST(FirmwareImage, VersionNumbersSaturateInsteadOfWrapping)
{
    // No dot within the stamp: the numbers run on past "Copyright".
    std::string text = std::string("ELI") + std::string(5, ' ') + "12345678" + "Copyright" + ".99999999999999x";
    std::vector<uint8_t> img(text.begin(), text.end());
    uint32_t major = 0, minor = 0;
    EXPECT_EQ(GetFwVersionFromImage(img.data(), img.size(), &major, &minor), 1);
    EXPECT_EQ(major, 12345678u);
    EXPECT_EQ(minor, 2147483647u);   // wrapped, it read as 276447231
    text = std::string("ELI") + std::string(5, ' ') + "-0000001" + "Copyright" + ".-99999999999x";
    img.assign(text.begin(), text.end());
    EXPECT_EQ(GetFwVersionFromImage(img.data(), img.size(), &major, &minor), 1);
    EXPECT_EQ(static_cast<int32_t>(major), -1);
    EXPECT_EQ(static_cast<int32_t>(minor), INT32_MIN);
}

TEST(FirmwareImage, VersionOfFilesOnDisk)
{
    TempDir dir;
    uint32_t major = 5, minor = 5;
    EXPECT_EQ(GetFwVersion(dir.File("missing.bin").c_str(), &major, &minor), 0);
    EXPECT_EQ(major, 0u);
    ASSERT_TRUE(WriteFile(dir.File("fw.bin"), MakeImage(4096, "2.36", 1000)));
    EXPECT_EQ(GetFwVersion(dir.File("fw.bin").c_str(), &major, &minor), 1);
    EXPECT_EQ(major, 2u);
    EXPECT_EQ(minor, 36u);
    ASSERT_TRUE(WriteFile(dir.File("empty.bin"), {}));
    EXPECT_EQ(GetFwVersion(dir.File("empty.bin").c_str(), &major, &minor), 0);
    EXPECT_EQ(GetFwVersion(dir.Path().c_str(), &major, &minor), 0);
}

}  // namespace
