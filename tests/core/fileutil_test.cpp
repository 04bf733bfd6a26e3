// Text, file and path utilities.
#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <sys/stat.h>

#include "appframe.h"
#include "fileutil.h"
#include "test_support.h"
#include "textutil.h"

namespace {

std::string Trim(std::string s)
{
    return TrimRight(s.data());
}

std::string Duration(unsigned s)
{
    char text[64];
    int n = HumanDuration(s, text, sizeof text);
    EXPECT_EQ(n, static_cast<int>(std::string(text).size()));
    return text;
}

void WriteRaw(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace

TEST(TextUtil, TrimRightCutsAtTheFirstBlank)
{
    EXPECT_EQ(Trim("A B"), "A");
    EXPECT_EQ(Trim("AB CD "), "AB");
    EXPECT_EQ(Trim("   "), "");
    EXPECT_EQ(Trim(""), "");
    EXPECT_EQ(Trim("ABC"), "ABC");
    EXPECT_EQ(Trim("A\tB "), "A\tB");
}

TEST(TextUtil, IsBlankCountsOnlySpaces)
{
    EXPECT_EQ(IsBlank(""), 1);
    EXPECT_EQ(IsBlank("    "), 1);
    EXPECT_EQ(IsBlank("\t"), 0);
    EXPECT_EQ(IsBlank("  x "), 0);
}

TEST(TextUtil, HumanDurationUnitsPluralsAndMinorPart)
{
    EXPECT_EQ(Duration(0), "0 sec");
    EXPECT_EQ(Duration(1), "1 sec");
    EXPECT_EQ(Duration(59), "59 secs");
    EXPECT_EQ(Duration(60), "1 min");
    EXPECT_EQ(Duration(61), "1 min");
    EXPECT_EQ(Duration(125), "2 mins 5 secs");
    EXPECT_EQ(Duration(3599), "59 mins 59 secs");
    EXPECT_EQ(Duration(3600), "1 hour");
    EXPECT_EQ(Duration(3660), "1 hour");
    EXPECT_EQ(Duration(2 * 3600 + 2 * 60 + 2), "2 hours 2 mins");
    EXPECT_EQ(Duration(86399), "23 hours 59 mins");
    EXPECT_EQ(Duration(86400 + 3600), "1 day");
    EXPECT_EQ(Duration(2 * 86400 + 2 * 3600), "2 days 2 hours");
    EXPECT_EQ(Duration(31535999), "364 days 23 hours");
    EXPECT_EQ(Duration(31536000), "1 year");
    EXPECT_EQ(Duration(UINT_MAX), "136 years 70 days");
}

TEST(TextUtil, HumanDurationCutsToTheBuffer)
{
    char text[6];
    EXPECT_EQ(HumanDuration(125, text, sizeof text), 13);
    EXPECT_STREQ(text, "2 min");
}

TEST(FileUtil, ExistsTellsFilesFromDirectories)
{
    TempDir dir;
    WriteRaw(dir.File("f"), "x");
    EXPECT_EQ(FileExists(dir.File("f").c_str()), 1);
    EXPECT_EQ(FileExists(dir.Path().c_str()), 0);
    EXPECT_EQ(DirExists(dir.Path().c_str()), 1);
    EXPECT_EQ(DirExists(dir.File("f").c_str()), 0);
    EXPECT_EQ(FileExists(dir.File("missing").c_str()), 0);
    EXPECT_EQ(DirExists(dir.File("missing").c_str()), 0);
    EXPECT_EQ(FileSize(dir.File("f").c_str()), 1u);
    EXPECT_EQ(FileSize(dir.File("missing").c_str()), 0u);
}

TEST(FileUtil, ReadTakesTheFirstLineWithItsLineEnd)
{
    TempDir dir;
    char buf[16];
    WriteRaw(dir.File("a"), "1|20260101\nsecond\n");
    ASSERT_EQ(FileRead(dir.File("a").c_str(), buf, sizeof buf), 1);
    EXPECT_STREQ(buf, "1|20260101\n");

    WriteRaw(dir.File("empty"), "");
    ASSERT_EQ(FileRead(dir.File("empty").c_str(), buf, sizeof buf), 1);
    EXPECT_STREQ(buf, "");

    WriteRaw(dir.File("long"), std::string(40, 'z'));
    ASSERT_EQ(FileRead(dir.File("long").c_str(), buf, sizeof buf), 1);
    EXPECT_EQ(std::string(buf), std::string(15, 'z'));

    EXPECT_EQ(FileRead(dir.File("missing").c_str(), buf, sizeof buf), 0);
}

TEST(FileUtil, WriteReplacesTheContentWithoutLineEnd)
{
    TempDir dir;
    WriteRaw(dir.File("m"), "a much longer old content\n");
    ASSERT_EQ(FileWrite(dir.File("m").c_str(), "0|19700101"), 1);
    EXPECT_EQ(ReadFileText(dir.File("m")), "0|19700101");
    EXPECT_EQ(FileWrite(dir.File("no/such/dir").c_str(), "x"), 0);
}

TEST(FileUtil, PathPartsAndExecutables)
{
    char out[APP_PATH_SIZE];
    PathBasename("/opt/varn/VARN-Config", out, sizeof out);
    EXPECT_STREQ(out, "VARN-Config");
    PathBasename("plain", out, sizeof out);
    EXPECT_STREQ(out, "plain");
    PathExt("/a.dir/file.tar.gz", out, sizeof out);
    EXPECT_STREQ(out, "gz");
    PathExt("/a.dir/file", out, sizeof out);   // the search crosses separators
    EXPECT_STREQ(out, "dir/file");
    PathExt("exe", out, sizeof out);
    EXPECT_STREQ(out, "exe");

    TempDir dir;
    WriteRaw(dir.File("exe"), "");
    WriteRaw(dir.File("notes.txt"), "");
    WriteRaw(dir.File("VARN-Scope"), "");
    chmod(dir.File("VARN-Scope").c_str(), 0755);
    EXPECT_EQ(FileIsExecutable("exe"), 1);
    EXPECT_EQ(FileIsExecutable("setup.exe"), 1);
    EXPECT_EQ(FileIsExecutable("setup.EXE"), 0);
    EXPECT_EQ(FileIsExecutable(dir.File("notes.txt").c_str()), 0);
    EXPECT_EQ(FileIsExecutable(dir.File("VARN-Scope").c_str()), 1);

    char path[] = "a\\b/c\\d";
    EXPECT_EQ(PathAdjustSeparator(path), 1);
    EXPECT_STREQ(path, "a/b/c/d");
}

TEST(FileUtil, PathCreateMakesDirectoriesOnly)
{
    TempDir dir;
    MessageRecorder messages;
    const std::string file = dir.Path() + "/x/y/z/file.txt";
    ASSERT_EQ(PathCreate(1, file.c_str()), 1);
    EXPECT_EQ(DirExists((dir.Path() + "/x/y/z").c_str()), 1);
    EXPECT_EQ(FileExists(file.c_str()), 0);
    EXPECT_EQ(DirExists(file.c_str()), 0);

    const std::string whole = dir.Path() + "/p/q";
    ASSERT_EQ(PathCreate(0, whole.c_str()), 1);
    EXPECT_EQ(DirExists(whole.c_str()), 1);
    ASSERT_EQ(PathCreate(0, whole.c_str()), 1);   // existing: nothing to do
    EXPECT_EQ(messages.Count(), 0u);
}

TEST(FileUtil, PathCreateReportsTheFirstPrefixItCannotCreate)
{
    TempDir dir;
    MessageRecorder messages;
    WriteRaw(dir.File("plain"), "a file, not a folder");
    const std::string blocked = dir.Path() + "/plain/sub/leaf";
    EXPECT_EQ(PathCreate(0, blocked.c_str()), 0);
    ASSERT_EQ(messages.Count(), 1u);
    EXPECT_EQ(messages.Last(), "E:Could not create '" + dir.File("plain") + "' directory !");

    // The whole path as a directory fails on its last part.
    EXPECT_EQ(PathCreate(0, dir.File("plain").c_str()), 0);
    EXPECT_EQ(messages.Last(), "E:Could not create '" + dir.File("plain") + "' directory !");
}

TEST(FileUtil, PathExistsSeesEveryKindFileExistsNoFolders)
{
    TempDir dir;
    WriteRaw(dir.File("f"), "");
    ASSERT_EQ(mkfifo(dir.File("fifo").c_str(), 0600), 0);
    ASSERT_EQ(symlink(dir.File("f").c_str(), dir.File("link").c_str()), 0);
    ASSERT_EQ(symlink(dir.File("gone").c_str(), dir.File("dangling").c_str()), 0);
    for (const char* name : {"f", "fifo", "link"}) {
        EXPECT_EQ(PathExists(dir.File(name).c_str()), 1) << name;
        EXPECT_EQ(FileExists(dir.File(name).c_str()), 1) << name;
    }
    EXPECT_EQ(PathExists(dir.Path().c_str()), 1);
    EXPECT_EQ(FileExists(dir.Path().c_str()), 0);
    EXPECT_EQ(PathExists("/dev/null"), 1);
    for (const char* name : {"dangling", "missing"}) {
        EXPECT_EQ(PathExists(dir.File(name).c_str()), 0) << name;
        EXPECT_EQ(FileExists(dir.File(name).c_str()), 0) << name;
    }
    EXPECT_EQ(PathExists(""), 0);
    EXPECT_EQ(FileSize(dir.Path().c_str()), 0u);   // a folder has no file size
}
