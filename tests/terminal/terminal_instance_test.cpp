// The real program started twice: the second start hands over to the first.
#include <gtest/gtest.h>

#include <QProcess>
#include <chrono>
#include <thread>

#include "test_support.h"

TEST(TerminalProgram, SecondStartRaisesTheFirstAndExitsWithZero)
{
    TempDir app, runtime;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime.Path()));

    QProcess first;
    first.setProcessEnvironment(env);
    first.setWorkingDirectory(QString::fromStdString(app.Path()));
    first.start(VARN_TERMINAL_EXE, {});
    ASSERT_TRUE(first.waitForStarted(5000));
    // The first instance is ready once its socket exists.
    const std::string socket = runtime.Path() + "/VARN-TERMINAL.instance";
    for (int i = 0; i < 500 && !FileExistsOnDisk(socket); i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(FileExistsOnDisk(socket));

    QProcess second;
    second.setProcessEnvironment(env);
    second.setWorkingDirectory(QString::fromStdString(app.Path()));
    const auto start = std::chrono::steady_clock::now();
    second.start(VARN_TERMINAL_EXE, {});
    ASSERT_TRUE(second.waitForFinished(5000));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);

    EXPECT_EQ(first.state(), QProcess::Running);
    first.terminate();
    EXPECT_TRUE(first.waitForFinished(5000));
}
