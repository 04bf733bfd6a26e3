// Firmware image files: what may be uploaded (checked without blocking and
// without reading), and the version stamp read in blocks from a file.
#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "appframe.h"
#include "bootloader.h"
#include "flash_fixture.h"
#include "test_support.h"

namespace {

class FlashImageTest : public ::testing::Test {
protected:
    void SetUp() override { AppStartupFrameIn(PROGRAM_FLASH, dir.Path().c_str()); }

    // A sparse file of uSize bytes; false when the file system refuses it.
    bool MakeSparse(const std::string& sPath, off_t uSize)
    {
        const int fd = open(sPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0)
            return false;
        const bool ok = ftruncate(fd, uSize) == 0;
        close(fd);
        return ok;
    }

    TempDir dir;
    MessageRecorder rec;
};

TEST_F(FlashImageTest, OnlyARegularNonEmptyFileUnder4GiBPasses)
{
    ASSERT_TRUE(WriteFile(dir.File("fw.bin"), MakeImage(1000)));
    uint32_t size = 0;
    EXPECT_EQ(FlashCheckImage(dir.File("fw.bin").c_str(), &size), 1);
    EXPECT_EQ(size, 1000u);

    // A FIFO without a writer would block an ordinary open for ever.
    ASSERT_EQ(mkfifo(dir.File("fifo").c_str(), 0644), 0);
    ASSERT_TRUE(WriteFile(dir.File("empty.bin"), {}));
    struct Case {
        std::string sPath;
        std::string sMessage;
    };
    const Case cases[] = {
        {dir.File("fifo"), "E:Could not open file '" + dir.File("fifo") + "' : it is a pipe, not a firmware file !"},
        {dir.Path(), "E:Could not open file '" + dir.Path() + "' : it is a folder, not a firmware file !"},
        {"/dev/zero", "E:Could not open file '/dev/zero' : it is a device, not a firmware file !"},
        {dir.File("empty.bin"), "E:Nothing to upload !"},
        {dir.File("missing.bin"), "E:Could not open file '" + dir.File("missing.bin") + "' !"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sPath);
        EXPECT_EQ(FlashCheckImage(c.sPath.c_str(), &size), 0);
        EXPECT_EQ(rec.Last(), c.sMessage);
        uint32_t major = 1, minor = 1;
        EXPECT_EQ(GetFwVersion(c.sPath.c_str(), &major, &minor), 0);
    }

    // 4 GiB - 1 is the most BEGIN_UPLOAD can announce.
    if (!MakeSparse(dir.File("huge.bin"), 5LL << 30) || !MakeSparse(dir.File("max.bin"), 0xFFFFFFFFLL))
        GTEST_SKIP() << "no sparse files of 5 GiB here";
    EXPECT_EQ(FlashCheckImage(dir.File("huge.bin").c_str(), &size), 0);
    EXPECT_EQ(rec.Last(), "E:Firmware file too large (5368709120 bytes, at most 4294967295) !");
    uint32_t major = 1, minor = 1;
    EXPECT_EQ(GetFwVersion(dir.File("huge.bin").c_str(), &major, &minor), 0);
    EXPECT_EQ(FlashCheckImage(dir.File("max.bin").c_str(), &size), 1);
    EXPECT_EQ(size, 0xFFFFFFFFu);
}

TEST_F(FlashImageTest, StampIsFoundWhereverTheReadBlocksCutIt)
{
    // The stamp's 25 bytes ("ELI" ... "Copyright") around the edge of the
    // first read block, and far into a second one.
    const size_t edge = FLASH_STAMP_WINDOW;
    for (size_t at : {size_t{16}, edge - 16, edge - 9, edge - 5, edge, edge + 3, edge + 8, edge + 16, 3 * edge + 7}) {
        SCOPED_TRACE(at);
        const std::vector<uint8_t> image = MakeImage(4 * edge, "2.37", at);
        ASSERT_TRUE(WriteFile(dir.File("fw.bin"), image));
        uint32_t major = 0, minor = 0;
        EXPECT_EQ(GetFwVersion(dir.File("fw.bin").c_str(), &major, &minor), 1);
        EXPECT_EQ(major, 2u);
        EXPECT_EQ(minor, 37u);
    }

    // Only the first "Copyright" counts, also when "ELI" is missing before it
    // and a whole stamp follows in a later block.
    std::vector<uint8_t> image = MakeImage(3 * edge, "3.10", 2 * edge + 100);
    std::memcpy(&image[edge - 4], "Copyright", 9);
    ASSERT_TRUE(WriteFile(dir.File("fw.bin"), image));
    uint32_t major = 9, minor = 9;
    EXPECT_EQ(GetFwVersion(dir.File("fw.bin").c_str(), &major, &minor), 0);
    EXPECT_EQ(major, 0u);

    // The file is read from its start and left there for the upload.
    image = MakeImage(2 * edge, "2.36", edge + 1);
    ASSERT_TRUE(WriteFile(dir.File("fw.bin"), image));
    FlashImageInfo info;
    FILE* f = FlashOpenImage(dir.File("fw.bin").c_str(), &info);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(info.uSize, image.size());
    ASSERT_EQ(std::fseek(f, 1234, SEEK_SET), 0);
    EXPECT_EQ(GetFwVersionFromFile(f, &major, &minor), 1);
    EXPECT_EQ(minor, 36u);
    EXPECT_EQ(std::ftell(f), 0);
    std::fclose(f);
}

}  // namespace
