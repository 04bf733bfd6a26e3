// varn logger commands as a user runs them: the real program against the
// simulator, without a terminal.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

#include "event.h"
#include "logger_sim.h"
#include "simulator.h"
#include "test_support.h"

namespace {

class LoggerCliTest : public ::testing::Test {
protected:
    void StartSim(int nRecords)
    {
        std::string error;
        sim = StartLoggerSim(nRecords, nRecords > 1000 ? nRecords : 1000, &error);
        ASSERT_TRUE(sim) << error;
    }
    void TearDown() override
    {
        if (sim)
            sim->Stop();
    }

    // Starts varn with standard input from /dev/null and both outputs into
    // files of the test folder.
    pid_t Spawn(const std::vector<std::string>& vArgs)
    {
        return SpawnProgram(VARN_PROGRAM, vArgs, dir.File("stdout"), dir.File("stderr"));
    }
    int Wait(pid_t pid) { return WaitProgram(pid); }
    int Varn(const std::vector<std::string>& vArgs) { return Wait(Spawn(vArgs)); }
    std::string Out() const { return ReadFileText(dir.File("stdout")); }
    std::string Err() const { return ReadFileText(dir.File("stderr")); }

    // Files of the download folder other than the test's own outputs.
    std::vector<std::string> CsvFolder() const
    {
        std::vector<std::string> names;
        if (DIR* d = opendir(csv.Path().c_str())) {
            while (dirent* e = readdir(d))
                if (e->d_name[0] != '.')
                    names.push_back(e->d_name);
            closedir(d);
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    TempDir dir;
    TempDir csv;
    std::unique_ptr<varnsim::Simulator> sim;
};

TEST_F(LoggerCliTest, InfoAndCompleteDownload)
{
    StartSim(50);
    EXPECT_EQ(Varn({"logger", "info", sim->PortPath()}), 0) << Err();
    EXPECT_EQ(Out(), "Mode: on\nMeasure: 50 / 1000 (5%)\n");

    const std::string target = csv.File("data.csv");
    EXPECT_EQ(Varn({"logger", "download", sim->PortPath(), target}), 0) << Err();
    const std::string text = ReadFileText(target);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 51);
    const size_t lastLine = text.rfind('\n', text.size() - 2) + 1;
    EXPECT_EQ(text.compare(lastLine, 3, "50;"), 0);
    EXPECT_NE(Err().find("INFO : Data successfully downloaded !"), std::string::npos);
    EXPECT_EQ(CsvFolder(), (std::vector<std::string>{"data.csv"}));
}

TEST_F(LoggerCliTest, FailedDownloadLeavesNeitherTargetNorTemporary)
{
    StartSim(50);
    sim->SetLoggerFault(varnsim::LoggerFault::SkipRecord, 20);
    const std::string target = csv.File("data.csv");
    EXPECT_EQ(Varn({"logger", "download", sim->PortPath(), target}), 1);
    EXPECT_NE(Err().find("Data missed (wait: 21, found: 21)"), std::string::npos) << Err();
    EXPECT_TRUE(CsvFolder().empty());

    // An existing file is kept: without a terminal the overwrite needs --yes.
    sim->ClearFaults();
    std::ofstream(target) << "old\n";
    EXPECT_EQ(Varn({"logger", "download", sim->PortPath(), target}), 1);
    EXPECT_NE(Err().find("--yes"), std::string::npos);
    EXPECT_EQ(ReadFileText(target), "old\n");
    EXPECT_EQ(Varn({"logger", "download", "--yes", sim->PortPath(), target}), 0) << Err();
    EXPECT_NE(ReadFileText(target), "old\n");
    EXPECT_EQ(CsvFolder(), (std::vector<std::string>{"data.csv"}));
}

TEST_F(LoggerCliTest, InterruptStopsAfterTheCurrentRecord)
{
    StartSim(10000);
    const std::string target = csv.File("data.csv");
    const pid_t pid = Spawn({"logger", "download", sim->PortPath(), target});
    // Interrupt once the records flow.
    const auto deadline = TickCountMs() + 20000;
    int status = 0;
    while (Err().find("Downloading") == std::string::npos && TickCountMs() < deadline &&
           waitpid(pid, &status, WNOHANG) == 0)
        usleep(5000);
    kill(pid, SIGINT);
    EXPECT_EQ(Wait(pid), 1);
    EXPECT_NE(Err().find("Not all data are downloaded ("), std::string::npos) << Err();
    EXPECT_TRUE(CsvFolder().empty());
}

TEST_F(LoggerCliTest, EraseNeedsYesWithoutATerminal)
{
    StartSim(30);
    EXPECT_EQ(Varn({"logger", "erase", sim->PortPath()}), 1);
    EXPECT_NE(Err().find("Do you want to erase all data from sensor storage ?"), std::string::npos);
    EXPECT_EQ(sim->Param("logger-usage"), "30");
    EXPECT_EQ(Varn({"logger", "erase", sim->PortPath(), "--force"}), 2);
}

}  // namespace
