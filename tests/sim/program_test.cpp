// varn-sim as a process: its command line, its output and its clean exit.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

#include "host_port.h"

namespace {

struct Child {
    pid_t pid = -1;
    int out = -1;  // the child's stdout and stderr
};

Child Spawn(std::vector<std::string> args, const std::string& runtimeDir = "")
{
    int fds[2];
    if (pipe(fds) != 0)
        return {};
    Child child;
    child.pid = fork();
    if (child.pid == 0) {
        dup2(fds[1], 1);
        dup2(fds[1], 2);
        close(fds[0]);
        close(fds[1]);
        if (!runtimeDir.empty())
            setenv("XDG_RUNTIME_DIR", runtimeDir.c_str(), 1);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(VARN_SIM_PROGRAM));
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(VARN_SIM_PROGRAM, argv.data());
        _exit(127);
    }
    close(fds[1]);
    child.out = fds[0];
    return child;
}

// Reads the child's output until n lines came or it closed its end.
std::string ReadOutput(int fd, int lines)
{
    std::string text;
    char c;
    while (lines > 0 && read(fd, &c, 1) == 1) {
        text += c;
        if (c == '\n')
            --lines;
    }
    return text;
}

int Wait(pid_t pid)
{
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Program, HelpAndBadArguments)
{
    Child help = Spawn({"--help"});
    EXPECT_NE(ReadOutput(help.out, 1000).find("--link NAME"), std::string::npos);
    EXPECT_EQ(Wait(help.pid), 0);
    close(help.out);
    Child shortHelp = Spawn({"-h"});
    EXPECT_NE(ReadOutput(shortHelp.out, 1000).find("--link NAME"), std::string::npos);
    EXPECT_EQ(Wait(shortHelp.pid), 0);
    close(shortHelp.out);
    Child version = Spawn({"--version"});
    EXPECT_EQ(ReadOutput(version.out, 1000).rfind("varn-sim ", 0), 0u);
    EXPECT_EQ(Wait(version.pid), 0);
    close(version.out);

    for (std::vector<std::string> bad : std::vector<std::vector<std::string>>{
             {"--kind", "TOASTER"}, {"--logger-records", "12x"}, {"--boot-window", "-5"}, {"--frobnicate"},
             {"--fail-frame", "0xC7:0"}, {"stray"}, {"--link"}}) {
        Child child = Spawn(bad);
        const std::string output = ReadOutput(child.out, 1000);
        // Refused options and values are usage errors (2); a sensor kind
        // the simulator does not know fails its start (1).
        EXPECT_EQ(Wait(child.pid), bad.size() > 1 && bad[1] == "TOASTER" ? 1 : 2) << bad[0];
        EXPECT_NE(output.find("varn-sim: "), std::string::npos) << output;
        close(child.out);
    }
}

TEST(Program, PrintsItsPortsAndRemovesItsLinkOnTerm)
{
    char pattern[] = "/tmp/varn-sim-prog-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string runtime = pattern;
    Child child = Spawn({"--link", "demo", "--kind", "MESTRALO", "--no-pace", "--boot-window", "0", "--param", "sens-sn=M-77"}, runtime);
    const std::string output = ReadOutput(child.out, 2);
    const size_t newline = output.find('\n');
    ASSERT_NE(newline, std::string::npos) << output;
    const std::string port = output.substr(0, newline);
    const std::string link = output.substr(newline + 1, output.size() - newline - 2);
    EXPECT_EQ(link, runtime + "/varn-ports/demo");
    EXPECT_EQ(std::filesystem::read_symlink(link), port);
    {
        HostPort host(link);
        host.Wakeup();
        EXPECT_EQ(host.Command("get sens-sn"), "get sens-sn\r\nOK sens-sn=M-77\r\n");
    }
    kill(child.pid, SIGTERM);
    EXPECT_EQ(Wait(child.pid), 0);
    EXPECT_FALSE(std::filesystem::is_symlink(link));
    close(child.out);
    std::filesystem::remove_all(runtime);
}

} // namespace
