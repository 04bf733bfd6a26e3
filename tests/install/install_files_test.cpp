// Where script paths lead, which destinations are programs, and moves and
// copies that never leave a file missing.
#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "install_files.h"
#include "install_test_support.h"

TEST(InstallPath, StaysInsideItsFolder)
{
    TempDir root;
    ASSERT_TRUE(WriteFile(root.File("Docs/guide.pdf"), "x"));
    std::string joined;
    EXPECT_EQ(InstallCheckPath(root.Path().c_str(), "Docs\\guide.pdf", &joined), INSTALL_PATH_OK);
    EXPECT_EQ(joined, root.File("Docs/guide.pdf"));
    EXPECT_EQ(InstallCheckPath(root.Path().c_str(), "New\\Sub\\file", &joined), INSTALL_PATH_OK);
    EXPECT_EQ(InstallCheckPath(root.Path().c_str(), "a/./b..c/..d", &joined), INSTALL_PATH_OK);
    // The system would see only "Docs" of "Docs<zero>\x" (found by the path fuzzer).
    EXPECT_EQ(InstallCheckPath(root.Path().c_str(), std::string("Docs\0\\x", 7), &joined), INSTALL_PATH_ZERO_BYTE);

    for (const char* bad : {"/etc/passwd", "\\etc\\passwd", "..", "../x", "..\\x", "Docs\\..\\..\\x", "a/../b"}) {
        EXPECT_EQ(InstallCheckPath(root.Path().c_str(), bad, &joined), INSTALL_PATH_LEAVES) << bad;
    }
}

TEST(InstallPath, LinksMustPointInside)
{
    TempDir root, outside;
    ASSERT_TRUE(WriteFile(outside.File("secret"), "x"));
    ASSERT_TRUE(WriteFile(root.File("real/f"), "x"));
    ASSERT_EQ(symlink(outside.Path().c_str(), root.File("out").c_str()), 0);
    ASSERT_EQ(symlink(outside.File("secret").c_str(), root.File("secret-link").c_str()), 0);
    ASSERT_EQ(symlink("real", root.File("in").c_str()), 0);
    ASSERT_EQ(symlink("/nonexistent/x", root.File("dangling").c_str()), 0);
    std::string joined;
    EXPECT_EQ(InstallCheckPath(root.Path().c_str(), "out\\new-file", &joined), INSTALL_PATH_LEAVES);
    EXPECT_EQ(InstallCheckPath(root.Path().c_str(), "out", &joined), INSTALL_PATH_LEAVES);
    EXPECT_EQ(InstallCheckPath(root.Path().c_str(), "secret-link", &joined), INSTALL_PATH_LEAVES);
    EXPECT_EQ(InstallCheckPath(root.Path().c_str(), "dangling", &joined), INSTALL_PATH_LEAVES);
    EXPECT_EQ(InstallCheckPath(root.Path().c_str(), "in\\f", &joined), INSTALL_PATH_OK);
    EXPECT_EQ(InstallCheckPath(root.Path().c_str(), "in\\new\\deeper", &joined), INSTALL_PATH_OK);
    // The folder itself may be reached through a link.
    TempDir holder;
    ASSERT_EQ(symlink(root.Path().c_str(), holder.File("app").c_str()), 0);
    EXPECT_EQ(InstallCheckPath(holder.File("app").c_str(), "in\\f", &joined), INSTALL_PATH_OK);
}

TEST(InstallPath, JoinedPathMustFitThePathBuffers)
{
    TempDir root;
    std::string joined;
    const std::string fits(INSTALL_PATH_MAX - root.Path().size() - 1, 'f');
    EXPECT_EQ(InstallCheckPath(root.Path().c_str(), fits, &joined), INSTALL_PATH_OK);
    EXPECT_EQ(joined.size(), INSTALL_PATH_MAX);
    EXPECT_EQ(InstallCheckPath(root.Path().c_str(), fits + "f", &joined), INSTALL_PATH_TOO_LONG);
}

TEST(InstallProgram, ExeExtensionOrAnExecutableWithoutExtension)
{
    TempDir d;
    ASSERT_TRUE(WriteFile(d.File("VARN-Config"), "x", 0755));
    ASSERT_TRUE(WriteFile(d.File("notes"), "x", 0644));
    ASSERT_TRUE(WriteFile(d.File("VARN-Config.EXE"), "x", 0755));
    ASSERT_TRUE(WriteFile(d.File("tool.sh"), "x", 0755));
    EXPECT_EQ(InstallIsProgram(d.File("VARN-Config.exe"), d.File("missing")), 1);
    EXPECT_EQ(InstallIsProgram(d.File("VARN-Config"), d.File("missing")), 1);    // the file in place
    EXPECT_EQ(InstallIsProgram(d.File("VARN-New"), d.File("VARN-Config")), 1);   // the file to install
    EXPECT_EQ(InstallIsProgram(d.File("notes"), d.File("notes")), 0);
    EXPECT_EQ(InstallIsProgram(d.File("VARN-Config.EXE"), d.File("VARN-Config.EXE")), 0);
    EXPECT_EQ(InstallIsProgram(d.File("tool.sh"), d.File("tool.sh")), 0);
    // A dot in a folder name does not make an extension.
    ASSERT_TRUE(WriteFile(d.File("app.d/VARN-Scope"), "x", 0755));
    EXPECT_EQ(InstallIsProgram(d.File("app.d/VARN-Scope"), d.File("missing")), 1);
}

TEST(InstallMove, ReplacesTheFileInPlaceAndKeepsTheSourceOnFailure)
{
    TempDir d;
    ASSERT_TRUE(WriteFile(d.File("new"), "new bytes", 0755));
    ASSERT_TRUE(WriteFile(d.File("old"), "old bytes"));
    struct stat before;
    ASSERT_EQ(stat(d.File("old").c_str(), &before), 0);
    EXPECT_EQ(InstallMoveFile(d.File("new"), d.File("old")), 1);
    EXPECT_EQ(ReadFileText(d.File("old")), "new bytes");
    EXPECT_FALSE(FileExistsOnDisk(d.File("new")));

    ASSERT_TRUE(WriteFile(d.File("src"), "kept"));
    EXPECT_EQ(InstallMoveFile(d.File("src"), d.File("no-such-dir/x")), 0);
    EXPECT_EQ(ReadFileText(d.File("src")), "kept");
}

TEST(InstallMove, CopiesAcrossFileSystems)
{
    OtherFsDir other;
    if (other.Path().empty())
        GTEST_SKIP() << "no second file system (/dev/shm) on this machine";
    TempDir app;
    const std::string src = other.Path() + "/VARN-Config";
    ASSERT_TRUE(WriteFile(src, std::string(200000, 'p'), 0751));
    ASSERT_TRUE(WriteFile(app.File("VARN-Config"), "old"));
    // A plain rename fails here; the move must not.
    ASSERT_NE(rename(src.c_str(), app.File("probe").c_str()), 0);
    ASSERT_EQ(errno, EXDEV);
    EXPECT_EQ(InstallMoveFile(src, app.File("VARN-Config")), 1);
    EXPECT_EQ(ReadFileText(app.File("VARN-Config")), std::string(200000, 'p'));
    EXPECT_EQ(FileMode(app.File("VARN-Config")), 0751u);
    EXPECT_FALSE(FileExistsOnDisk(src));
    EXPECT_FALSE(FileExistsOnDisk(InstallPartFile(app.File("VARN-Config"))));
}

TEST(InstallCopy, ReplacesARunningProgram)
{
    TempDir d;
    const pid_t pid = StartRunningProgram(d.File("VARN-Tool"));
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(WriteFile(d.File("new"), "#!/bin/sh\n", 0755));
    // Writing into a running program's file is refused by the system; the
    // copy goes beside it and is renamed over it.
    EXPECT_EQ(InstallCopyFile(d.File("new"), d.File("VARN-Tool")), 1);
    EXPECT_EQ(ReadFileText(d.File("VARN-Tool")), "#!/bin/sh\n");
    EXPECT_EQ(ReadFileText(d.File("new")), "#!/bin/sh\n");
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);

    EXPECT_EQ(InstallCopyFile(d.File("missing"), d.File("VARN-Tool")), 0);
    EXPECT_EQ(InstallCopyFile(d.Path(), d.File("VARN-Tool")), 0);   // a folder is no file
    EXPECT_EQ(ReadFileText(d.File("VARN-Tool")), "#!/bin/sh\n");
    EXPECT_FALSE(FileExistsOnDisk(InstallPartFile(d.File("VARN-Tool"))));
}

TEST(InstallMove, ProgramKeepsItsExecuteBits)
{
    TempDir d;
    ASSERT_TRUE(WriteFile(d.File("new-prog"), "x", 0644));
    ASSERT_TRUE(WriteFile(d.File("prog"), "x", 0750));
    ASSERT_TRUE(WriteFile(d.File("new-data"), "x", 0600));
    ASSERT_TRUE(WriteFile(d.File("data"), "x", 0644));
    InstallKeepExecBits(d.File("new-prog"), d.File("prog"));
    InstallKeepExecBits(d.File("new-data"), d.File("data"));
    InstallKeepExecBits(d.File("new-data"), d.File("missing"));
    EXPECT_EQ(FileMode(d.File("new-prog")), 0754u);
    EXPECT_EQ(FileMode(d.File("new-data")), 0600u);
}
