// Starting programs detached, and finding and ending them by name.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

#include "process.h"
#include "standin.h"
#include "test_support.h"

TEST(Process, SplitArgsHonoursQuotes)
{
    EXPECT_TRUE(ProcessSplitArgs("").empty());
    EXPECT_TRUE(ProcessSplitArgs("   ").empty());
    EXPECT_EQ(ProcessSplitArgs("check"), std::vector<std::string>{"check"});
    EXPECT_EQ(ProcessSplitArgs(" install  \"/tmp/new files\" x"),
              (std::vector<std::string>{"install", "/tmp/new files", "x"}));
    EXPECT_EQ(ProcessSplitArgs("a \"\" b"), (std::vector<std::string>{"a", "", "b"}));
}

TEST(Process, StartDetachedRunsInTheWorkingDirectory)
{
    TempDir app, elsewhere;
    ASSERT_TRUE(InstallStandin(app.Path(), "VARN-Tool"));
    std::string error;
    ASSERT_TRUE(ProcessStartDetached(app.File("VARN-Tool"), {"one", "two words"}, elsewhere.Path(), &error))
        << error;
    EXPECT_EQ(WaitStandinRecord(elsewhere.Path()),
              "name=VARN-Tool\ncwd=" + elsewhere.Path() + "\narg=one\narg=two words\n\n");
}

TEST(Process, StartDetachedReportsWhatCannotRun)
{
    TempDir app;
    std::string error;
    EXPECT_FALSE(ProcessStartDetached(app.File("missing"), {}, app.Path(), &error));
    EXPECT_FALSE(error.empty());
    ASSERT_TRUE(FileWriteOk(app.File("text"), "not a program"));
    EXPECT_FALSE(ProcessStartDetached(app.File("text"), {}, app.Path(), &error));
    EXPECT_FALSE(ProcessStartDetached("/bin/true", {}, app.File("no-such-dir"), &error));
}

TEST(Process, FindsAndEndsProcessesByExactName)
{
    TempDir dir;
    // A uniquely named copy of sleep, so no other process can match.
    const std::string name = "varn-sleeper-" + std::to_string(getpid());
    std::filesystem::copy_file("/bin/sleep", dir.File(name));
    const std::string path = dir.File(name);
    std::vector<pid_t> children;
    for (int i = 0; i < 2; i++) {
        pid_t pid = fork();
        if (pid == 0) {
            execl(path.c_str(), name.c_str(), "30", static_cast<char*>(nullptr));
            _exit(127);
        }
        ASSERT_GT(pid, 0);
        children.push_back(pid);
    }
    // Both children must have replaced their image before the name is looked up.
    auto execed = [&](pid_t pid) {
        char target[4096];
        const std::string link = "/proc/" + std::to_string(pid) + "/exe";
        ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
        return n > 0 && std::string(target, static_cast<size_t>(n)) == path;
    };
    EXPECT_TRUE(WaitUntil([&] { return execed(children[0]) && execed(children[1]); }, 3000));
    EXPECT_EQ(IsProcessRunning(name.c_str()), 1);
    EXPECT_EQ(IsProcessRunning(name.substr(0, name.size() - 1).c_str()), 0);
    EXPECT_EQ(IsProcessRunning((name + "x").c_str()), 0);

    EXPECT_EQ(KillProces(name.c_str()), 1);
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFSIGNALED(status));   // both ended, not only the first
    }
    EXPECT_EQ(IsProcessRunning(name.c_str()), 0);
    EXPECT_EQ(KillProces(name.c_str()), 0);
}

TEST(Process, SnapshotShowsThisProgramAndNoNamelessEntries)
{
    std::vector<ProcessEntry> list;
    ASSERT_TRUE(ProcessSnapshot(&list));
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").filename().string();
    bool found = false;
    for (const ProcessEntry& p : list) {
        EXPECT_FALSE(p.sName.empty()) << p.nId;
        if (p.nId == ProcessCurrentId())
            found = p.sName == self;
    }
    EXPECT_TRUE(found);
    // Processes whose executable cannot be read (kernel threads) have no
    // name, and an empty name must not find them.
    EXPECT_EQ(IsProcessRunning(""), 0);
}

TEST(Process, TerminateOfAProcessThatIsGoneFails)
{
    pid_t pid = fork();
    if (pid == 0)
        _exit(0);
    ASSERT_GT(pid, 0);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_FALSE(ProcessTerminate(pid, 100));
}
