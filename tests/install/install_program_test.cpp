// VARN-Install run as the updater runs it: real processes, offscreen, in
// temporary folders.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "install_test_support.h"

namespace {

// Starts the program in sDir (its application folder), output discarded.
pid_t SpawnIn(const std::string& sDir, const std::string& sExe, const std::vector<std::string>& vArgs)
{
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(sExe.c_str()));
    for (const std::string& a : vArgs)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(null, 1);
        if (chdir(sDir.c_str()) != 0)
            _exit(126);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

// The exit status, or -1 (and the program ended) when it did not end in time.
int WaitExit(pid_t pid, unsigned uMs)
{
    int status = 0;
    if (WaitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, uMs))
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1;
}

bool WaitGone(const std::string& sPath, unsigned uMs)
{
    return WaitUntil([&] { return !FileExistsOnDisk(sPath); }, uMs);
}

bool Copy(const char* szFrom, const std::string& sTo, const std::string& sExtra = std::string())
{
    return WriteFile(sTo, ReadFileText(szFrom) + sExtra, 0755);
}

class InstallProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(mkdir(Tmp("").c_str(), 0755), 0);
        ASSERT_TRUE(Copy(INSTALL_EXE, App("VARN-Install")));
    }
    std::string App(const std::string& s) const { return app.File(s); }
    // The update's folder has a blank in its name: it must reach every
    // installer of the cycle as one argument.
    std::string Tmp(const std::string& s) const { return tmp.File("update 1.61") + (s.empty() ? "" : "/" + s); }
    int Run(const std::vector<std::string>& vArgs, unsigned uMs = 10000)
    {
        return WaitExit(SpawnIn(app.Path(), App("VARN-Install"), vArgs), uMs);
    }

    TempDir app, tmp;
};

}  // namespace

TEST_F(InstallProgram, WithoutARecognisedCommandItOnlyStartsTheUpdater)
{
    ASSERT_TRUE(WriteFile(Tmp("f"), "f"));
    ASSERT_TRUE(WriteFile(Tmp("VARN-Update.install"), "[VARN-UPDATE-INSTALL]\nINSTALL=f|f\n"));
    // No updater: nothing happens, silently.
    EXPECT_EQ(Run({}), 0);

    ASSERT_TRUE(CopyStandin(App("VARN-Update")));
    const std::vector<std::vector<std::string>> handOver = {
        {}, {"install"}, {"install", Tmp(""), "extra"}, {"self", Tmp(""), Tmp("f")}, {"check"}};
    for (const auto& args : handOver) {
        unlink(App("standin.log").c_str());
        EXPECT_EQ(Run(args), 0) << args.size();
        EXPECT_EQ(WaitStandinRecord(app.Path()), "name=VARN-Update\ncwd=" + app.Path() + "\n\n") << args.size();
    }
    EXPECT_TRUE(FileExistsOnDisk(Tmp("VARN-Update.install")));
    EXPECT_FALSE(FileExistsOnDisk(App("f")));
}

TEST_F(InstallProgram, InstallModeCompletesTheScriptAndEnds)
{
    ASSERT_TRUE(CopyStandin(App("VARN-Update")));
    ASSERT_TRUE(WriteFile(Tmp("Docs/VARN-UserGuide.pdf"), "guide"));
    ASSERT_TRUE(WriteFile(App("old.txt"), "old"));
    ASSERT_TRUE(WriteFile(Tmp("VARN-Update.install"),
                          "[VARN-UPDATE-INSTALL]\r\nINSTALL=Docs\\VARN-UserGuide.pdf|Docs\\VARN-UserGuide.pdf\r\n"
                          "DELETE=old.txt\r\n"));
    EXPECT_EQ(Run({"install", Tmp("")}), 0);
    EXPECT_EQ(ReadFileText(App("Docs/VARN-UserGuide.pdf")), "guide");
    EXPECT_FALSE(FileExistsOnDisk(App("old.txt")));
    EXPECT_FALSE(FileExistsOnDisk(Tmp("VARN-Update.install")));
    EXPECT_EQ(WaitStandinRecord(app.Path()), "name=VARN-Update\ncwd=" + app.Path() + "\narg=check\n\n");
}

TEST_F(InstallProgram, SelfModeReplacesTheInstallerWithoutAWindow)
{
    // The "new installer" is the stand-in: the start it gets is recorded.
    ASSERT_TRUE(CopyStandin(Tmp("VARN-Install")));
    ASSERT_TRUE(Copy(INSTALL_EXE, App("VARN-TempInstall")));
    EXPECT_EQ(WaitExit(SpawnIn(app.Path(), App("VARN-TempInstall"),
                               {"self", Tmp(""), Tmp("VARN-Install"), App("VARN-Install")}),
                       10000),
              0);
    EXPECT_EQ(ReadFileText(App("VARN-Install")), ReadFileText(VARN_STANDIN_EXE));
    EXPECT_EQ(WaitStandinRecord(app.Path()), "name=VARN-Install\ncwd=" + app.Path() + "\narg=install\narg=" + Tmp("") +
                                          "\n\n");
}

TEST_F(InstallProgram, SelfReplacementCycleEndToEnd)
{
    // The new installer is the same program with bytes of its own at the
    // end, so its file can be told from the old one's.
    const std::string marker = "\nnew installer 1.30\n";
    ASSERT_TRUE(Copy(INSTALL_EXE, Tmp("VARN-Install"), marker));
    ASSERT_TRUE(CopyStandin(App("VARN-Update")));
    ASSERT_TRUE(WriteFile(Tmp("VARN-Config"), "new config", 0755));
    ASSERT_TRUE(WriteFile(Tmp("VARN-Update.install"), "; update 1.61\n[VARN-UPDATE-INSTALL]\n"
                                                      "INSTALL=VARN-Install|VARN-Install\n"
                                                      "INSTALL=VARN-Config|VARN-Config\n"));
    // The old installer copies itself, starts the copy and ends.
    EXPECT_EQ(Run({"install", Tmp("")}), 0);
    // The copy puts the new installer in place and starts it; the new one
    // completes the script and starts the updater.
    EXPECT_TRUE(WaitGone(Tmp("VARN-Update.install"), 20000));
    EXPECT_EQ(WaitStandinRecord(app.Path(), 10000), "name=VARN-Update\ncwd=" + app.Path() + "\narg=check\n\n");
    EXPECT_EQ(ReadFileText(App("VARN-Install")), ReadFileText(INSTALL_EXE) + marker);
    EXPECT_EQ(ReadFileText(App("VARN-Config")), "new config");
    EXPECT_FALSE(FileExistsOnDisk(Tmp("VARN-Install")));
    // The new installer removed the temporary copy at the start of its passes.
    EXPECT_FALSE(FileExistsOnDisk(App("VARN-TempInstall")));
}
