// The platform seams' contracts, written once for every platform: this file
// runs in core_test on Linux and in windows_test under wine, so the POSIX
// and the Windows file of each seam answer to the same cases.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "fileio.h"
#include "fileutil.h"
#include "install_files.h"
#include "portdir.h"
#include "process.h"
#include "suite.h"
#include "timeutil.h"

namespace fs = std::filesystem;

namespace {

// A fresh folder of the test's own, removed afterwards.
class SeamTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = fs::temp_directory_path() / ("varn-seam-" + std::to_string(ProcessCurrentId()) + "-" + info->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    std::string Path(const char* szName) const { return (dir / szName).string(); }
    static void Write(const std::string& sPath, const std::string& sText)
    {
        std::ofstream(sPath, std::ios::binary) << sText;
    }
    static std::string Read(const std::string& sPath)
    {
        std::ifstream f(sPath, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), {});
    }

    fs::path dir;
};

TEST_F(SeamTest, FileStatusTellsKindsSizesAndAbsence)
{
    const std::string file = Path("a.bin");
    Write(file, "12345");
    FileStatus st;
    int err = 0;
    ASSERT_TRUE(FileStatusOf(file.c_str(), false, &st, &err));
    EXPECT_EQ(st.nType, FILE_KIND_REGULAR);
    EXPECT_EQ(st.uSize, 5u);
    EXPECT_GT(st.tmModified, 1500000000);
    EXPECT_EQ(FileKindName(st.nType), nullptr);

    ASSERT_TRUE(FileStatusOf(dir.string().c_str(), true, &st, &err));
    EXPECT_STREQ(FileKindName(st.nType), "folder");

    EXPECT_FALSE(FileStatusOf(Path("missing").c_str(), true, &st, &err));
    EXPECT_EQ(err, ENOENT);

    FILE* f = std::fopen(file.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(FileStatusOfStream(f, &st));
    EXPECT_EQ(st.uSize, 5u);
    std::fclose(f);
}

TEST_F(SeamTest, OpenRegularRefusesAFolderAndReadsAFileInBinary)
{
    FileStatus st;
    int err = -1;
    EXPECT_EQ(FileOpenRegular(dir.string().c_str(), &st, &err), nullptr);
    EXPECT_EQ(err, 0);
    EXPECT_EQ(st.nType, FILE_KIND_FOLDER);

    EXPECT_EQ(FileOpenRegular(Path("missing").c_str(), &st, &err), nullptr);
    EXPECT_EQ(err, ENOENT);

    const std::string file = Path("image.bin");
    Write(file, std::string("a\r\nb\x1A\n", 6));
    FILE* f = FileOpenRegular(file.c_str(), &st, &err);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(st.uSize, 6u);
    char buf[16];
    EXPECT_EQ(std::fread(buf, 1, sizeof buf, f), 6u);   // no line end or end-of-file byte translated
    std::fclose(f);
}

TEST_F(SeamTest, AppendAddsBytesAndRefusesAFolder)
{
    const std::string log = Path("x.log");
    EXPECT_EQ(FileAppendBytes(log.c_str(), "one\n", 4), 0);
    EXPECT_EQ(FileAppendBytes(log.c_str(), "two\n", 4), 0);
    EXPECT_EQ(Read(log), "one\ntwo\n");
    EXPECT_NE(FileAppendBytes(dir.string().c_str(), "x", 1), 0);
}

TEST_F(SeamTest, TemporaryFilesAreNewAndRenamesReplaceOnlyWhenAsked)
{
    std::string first = Path("data.csv.XXXXXX");
    std::string second = first;
    FILE* a = FileCreateTemporary(&first);
    FILE* b = FileCreateTemporary(&second);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(first, second);
    EXPECT_EQ(first.find("XXXXXX"), std::string::npos);
    EXPECT_GE(std::fputs("a\n", a), 0);
    EXPECT_TRUE(FileFlushToDisk(a));
    std::fclose(a);
    std::fputs("b\n", b);
    std::fclose(b);
    EXPECT_EQ(Read(first), "a\n");   // binary: the line end stays one byte

    const std::string target = Path("data.csv");
    EXPECT_TRUE(FileRenameNoReplace(first.c_str(), target.c_str()));
    EXPECT_FALSE(FileRenameNoReplace(second.c_str(), target.c_str()));
    EXPECT_EQ(Read(target), "a\n");
    EXPECT_TRUE(FileRenameReplacing(second.c_str(), target.c_str()));
    EXPECT_EQ(Read(target), "b\n");
    EXPECT_FALSE(PathExists(second.c_str()));
    EXPECT_GE(FileNameMax(dir.string().c_str()), 255);
}

TEST_F(SeamTest, AFileBesideTakesTheNameOnlyWholeAndIsKeptOrRemovedOtherwise)
{
    const std::string target = Path("data.csv"), partial = Path("data.csv.partial");
    Write(target, "old");
    FileBeside keep(FileBeside::UNFINISHED_KEEP);
    ASSERT_NE(keep.Open(partial), nullptr);
    std::fputs("new\n", keep.Stream());
    EXPECT_EQ(Read(target), "old");
    EXPECT_EQ(keep.Commit(target), FileBeside::FILE_BESIDE_DONE);
    EXPECT_EQ(Read(target), "new\n");
    EXPECT_FALSE(PathExists(partial.c_str()));

    // Not whole, or whole but the name is taken: the side file stays.
    ASSERT_NE(keep.Open(partial), nullptr);
    std::fputs("half", keep.Stream());
    EXPECT_TRUE(keep.Abandon());
    EXPECT_EQ(Read(partial), "half");
    ASSERT_NE(keep.Open(partial), nullptr);
    EXPECT_EQ(keep.Commit(target, false), FileBeside::FILE_BESIDE_NOT_RENAMED);
    EXPECT_EQ(errno, EEXIST);
    EXPECT_TRUE(PathExists(partial.c_str()));
    EXPECT_EQ(Read(target), "new\n");

    // A temporary side file is removed however it ends unfinished.
    FileBeside remove(FileBeside::UNFINISHED_REMOVE);
    ASSERT_NE(remove.OpenTemporary(target + ".XXXXXX"), nullptr);
    const std::string temp = remove.SidePath();
    EXPECT_EQ(remove.Commit(target, false), FileBeside::FILE_BESIDE_NOT_RENAMED);
    EXPECT_FALSE(PathExists(temp.c_str()));
    ASSERT_NE(remove.OpenTemporary(target + ".XXXXXX"), nullptr);
    const std::string dropped = remove.SidePath();
    remove.Abandon();
    EXPECT_FALSE(PathExists(dropped.c_str()));

    // No side file where a folder stands; the keeping one is removed on demand.
    fs::create_directory(Path("folder.partial"));
    EXPECT_EQ(keep.Open(Path("folder.partial")), nullptr);
    ASSERT_NE(keep.Open(partial), nullptr);
    keep.Discard();
    EXPECT_FALSE(PathExists(partial.c_str()));
    EXPECT_EQ(Read(target), "new\n");
}

TEST(SeamTime, LocalTimeFormatsAndRefusesWhatDoesNotFit)
{
    const std::string year = LocalTimeText(1700000000, "%Y");
    EXPECT_TRUE(year == "2023") << year;
    EXPECT_EQ(LocalTimeText(1700000000, "%Y%Y%Y%Y%Y%Y%Y%Y%Y%Y%Y%Y%Y%Y%Y%Y"), "");
    const std::string today = SuiteLocalDate();
    ASSERT_EQ(today.size(), 8u);
    EXPECT_EQ(today.find_first_not_of("0123456789"), std::string::npos);
    EXPECT_GE(today, "20240101");
}

TEST(SeamProcess, TheProgramFindsItselfAndStartsOthersDetached)
{
    std::vector<ProcessEntry> list;
    ASSERT_TRUE(ProcessSnapshot(&list));
    std::string self;
    for (const ProcessEntry& e : list)
        if (e.nId == ProcessCurrentId())
            self = e.sName;
    ASSERT_FALSE(self.empty());
    EXPECT_EQ(self.find_first_of("/\\"), std::string::npos);   // the file name, without folder
    EXPECT_EQ(IsProcessRunning(self.c_str()), 1);
    EXPECT_EQ(IsProcessRunning("varn-no-such-program"), 0);

    std::string error;
    EXPECT_FALSE(ProcessStartDetached(fs::current_path().string() + "/varn-no-such-program", {}, "", &error));
    EXPECT_FALSE(error.empty());
}

TEST_F(SeamTest, RuntimeFolderIsMadeAndAFileInItsPlaceRefused)
{
    std::string error;
    const std::string folder = Path("varn-ports");
    ASSERT_TRUE(RuntimeDirPrepare(folder, RUNTIME_DIR_TIGHTEN, &error)) << error;
    EXPECT_TRUE(DirExists(folder.c_str()));
    EXPECT_TRUE(RuntimeDirPrepare(folder, RUNTIME_DIR_REFUSE, &error)) << error;

    const std::string file = Path("plain");
    Write(file, "x");
    EXPECT_FALSE(RuntimeDirPrepare(file, RUNTIME_DIR_REFUSE, &error));
    EXPECT_EQ(error, "'" + file + "' is not a folder");
    EXPECT_NE(RuntimeDir("varn-ports").find("varn-ports"), std::string::npos);
}

TEST_F(SeamTest, InstallerReplacesFilesWholeAndKeepsPathsInside)
{
    const std::string from = Path("new.bin");
    const std::string to = Path("VARN-Config.exe");
    Write(from, "new");
    Write(to, "old");
    ASSERT_EQ(InstallCopyFile(from, to), 1);
    EXPECT_EQ(Read(to), "new");
    EXPECT_FALSE(InstallEntryExists(InstallPartFile(to)));
    EXPECT_EQ(InstallIsProgram(to, from), 1);

    ASSERT_TRUE(InstallWriteFileAtOnce(to, "whole"));
    EXPECT_EQ(Read(to), "whole");
    ASSERT_EQ(InstallMoveFile(from, to), 1);
    EXPECT_EQ(Read(to), "new");
    EXPECT_FALSE(InstallEntryExists(from));

    fs::create_directory(dir / "Docs");
    std::string joined;
    EXPECT_EQ(InstallCheckPath(dir.string().c_str(), "Docs\\guide.pdf", &joined), INSTALL_PATH_OK);
    EXPECT_EQ(InstallCheckPath(dir.string().c_str(), "Docs\\..\\..\\x", &joined), INSTALL_PATH_LEAVES);
    std::string real;
    ASSERT_TRUE(InstallResolve(dir.string(), &real));
    EXPECT_TRUE(fs::path(real).is_absolute()) << real;
}

}  // namespace
