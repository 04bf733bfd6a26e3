// The real program started twice: the second start hands over to the first;
// a socket or folder that is not the suite's own never keeps it from starting.
#include <gtest/gtest.h>

#include <QProcess>
#include <chrono>
#include <cstdio>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

#include "test_support.h"

namespace {

using Clock = std::chrono::steady_clock;

// A runtime folder of its own and the program started with it.
class TerminalInstance : public ::testing::Test {
protected:
    void SetUp() override
    {
        env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime.Path()));
    }
    void Start(QProcess& p)
    {
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(QString::fromStdString(app.Path()));
        p.start(VARN_TERMINAL_EXE, {});
        ASSERT_TRUE(p.waitForStarted(5000));
    }
    static void Stop(QProcess& p)
    {
        EXPECT_EQ(p.state(), QProcess::Running);
        p.terminate();
        EXPECT_TRUE(p.waitForFinished(5000));
    }
    std::string Folder() const { return runtime.Path() + "/varn-instance"; }
    std::string Socket() const { return Folder() + "/VARN-TERMINAL.instance"; }

    // Sends the greeting as a second start does; true when "ok" came back.
    // Never blocks: a listener that accepts nobody fills its backlog, after
    // which a blocking connect would wait for ever.
    bool Greeted() const
    {
        int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", Socket().c_str());
        std::string answer;
        if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 && write(fd, "raise\n", 6) == 6) {
            pollfd p{fd, POLLIN, 0};
            char buf[8];
            while (answer.size() < 3 && poll(&p, 1, 500) == 1) {
                ssize_t n = read(fd, buf, sizeof buf);
                if (n <= 0)
                    break;
                answer.append(buf, static_cast<size_t>(n));
            }
        }
        close(fd);
        return answer == "ok\n";
    }
    // Waits until the program answers the greeting on its socket.
    bool WaitGreeted(unsigned uMs = 10000) const
    {
        return WaitUntil([this] { return Greeted(); }, uMs);
    }

    TempDir app, runtime;
    QProcessEnvironment env;
};

}  // namespace

TEST_F(TerminalInstance, SecondStartRaisesTheFirstAndExitsWithZero)
{
    QProcess first;
    Start(first);
    ASSERT_TRUE(WaitGreeted());
    struct stat st {};
    ASSERT_EQ(stat(Folder().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    QProcess second;
    const auto start = Clock::now();
    Start(second);
    ASSERT_TRUE(second.waitForFinished(5000));
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(3));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    Stop(first);
}

TEST_F(TerminalInstance, SilentListenerOnTheSocketDoesNotStopTheStart)
{
    // Something listens where the first instance would, but never answers.
    ASSERT_EQ(mkdir(Folder().c_str(), 0700), 0);
    int squatter = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", Socket().c_str());
    ASSERT_EQ(bind(squatter, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(listen(squatter, 8), 0);

    QProcess first;
    Start(first);
    // The program takes the socket over and answers there itself.
    EXPECT_TRUE(WaitGreeted());
    EXPECT_FALSE(first.waitForFinished(200));
    close(squatter);

    QProcess second;
    Start(second);
    ASSERT_TRUE(second.waitForFinished(5000));
    EXPECT_EQ(second.exitCode(), 0);
    Stop(first);
}

TEST_F(TerminalInstance, FolderNotPrivateToTheUserIsRefusedAndTheProgramRuns)
{
    struct Case {
        const char* szWhat;
        mode_t nMode;
        bool bForeign;
        std::string sReason;
    };
    std::vector<Case> cases = {
        {"open", 0777, false, "Folder '" + Folder() + "' is open to other users (mode 777)"},
    };
    if (getuid() == 0)
        cases.push_back({"foreign", 0700, true, "Folder '" + Folder() + "' belongs to another user (uid 4711)"});
    ASSERT_EQ(mkdir(Folder().c_str(), 0700), 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.szWhat);
        ASSERT_EQ(chmod(Folder().c_str(), c.nMode), 0);
        if (c.bForeign) {
            ASSERT_EQ(chown(Folder().c_str(), 4711, 4711), 0);
        }
        QProcess first;
        first.setReadChannel(QProcess::StandardError);
        Start(first);
        const std::string expected = "ERROR : " + c.sReason + " !\nThe single instance check is off.\n";
        std::string said;
        const auto deadline = Clock::now() + std::chrono::seconds(5);
        while (said.find(expected) == std::string::npos && Clock::now() < deadline) {
            first.waitForReadyRead(100);
            said += first.readAllStandardError().toStdString();
        }
        EXPECT_NE(said.find(expected), std::string::npos) << said;
        // It runs on, without touching the folder or placing a socket in it.
        EXPECT_FALSE(first.waitForFinished(300));
        struct stat st {};
        ASSERT_EQ(stat(Folder().c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, static_cast<unsigned>(c.nMode));
        EXPECT_NE(stat(Socket().c_str(), &st), 0);
        Stop(first);
    }
}
