// varn logger commands as a user runs them: the real program against the
// simulator, without a terminal.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include "event.h"
#include "logger_sim.h"
#include "port_access.h"
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

    // Waits until the download's records flow (or varn ended).
    void WaitForRecords(pid_t pid)
    {
        int status = 0;
        WaitUntil(
            [&] { return Err().find("Downloading") != std::string::npos || waitpid(pid, &status, WNOHANG) != 0; },
            20000);
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
    // Enough records that the download (about 200 000 a second unpaced)
    // is still running when the interrupt comes.
    StartSim(1000000);
    const std::string target = csv.File("data.csv");
    const pid_t pid = Spawn({"logger", "download", sim->PortPath(), target});
    // Interrupt once the records flow.
    WaitForRecords(pid);
    kill(pid, SIGINT);
    EXPECT_EQ(Wait(pid), 1);
    EXPECT_NE(Err().find("Download cancelled after "), std::string::npos) << Err();
    EXPECT_EQ(Err().find("Please check sensor connection"), std::string::npos) << Err();
    EXPECT_TRUE(CsvFolder().empty());
}

TEST_F(LoggerCliTest, OnlyAnAbsentTargetOrARegularFileIsReplaced)
{
    StartSim(5);
    // A FIFO with a reader, a folder, a link and (as root) a device node:
    // each is refused before the sensor is woken, and stays what it was.
    const std::string fifo = csv.File("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    ASSERT_EQ(mkdir(csv.File("folder").c_str(), 0755), 0);
    std::ofstream(csv.File("real.csv")) << "kept\n";
    ASSERT_EQ(symlink(csv.File("real.csv").c_str(), csv.File("link.csv").c_str()), 0);
    struct Case {
        std::string sName;
        const char* szKind;
        mode_t nType;
    };
    std::vector<Case> cases = {
        {"fifo", "pipe", S_IFIFO}, {"folder", "folder", S_IFDIR}, {"link.csv", "symbolic link", S_IFLNK}};
    if (geteuid() == 0 && mknod(csv.File("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0)
        cases.push_back({"null", "device", S_IFCHR});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sName);
        const std::string target = csv.File(c.sName);
        EXPECT_EQ(Varn({"logger", "download", "--yes", sim->PortPath(), target}), 1);
        EXPECT_EQ(Err(), "ERROR : Could not open file '" + target + "' for writing : it is a " + c.szKind +
                             ", not a regular file (give '-' to write to standard output) !\n");
        struct stat st{};
        ASSERT_EQ(lstat(target.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & S_IFMT, c.nType);
    }
    char byte;
    EXPECT_LE(read(reader, &byte, 1), 0);
    close(reader);
    EXPECT_EQ(ReadFileText(csv.File("real.csv")), "kept\n");
    EXPECT_EQ(sim->Received(), "");
}

TEST_F(LoggerCliTest, DashWritesTheRecordsToStandardOutput)
{
    StartSim(20);
    // Run in the download folder, where a file named "-" must not appear.
    const pid_t pid = SpawnProgram("/bin/sh", {"-c", "cd \"$0\" && exec \"$1\" logger download \"$2\" -", csv.Path(),
                                               VARN_PROGRAM, sim->PortPath()},
                                   dir.File("stdout"), dir.File("stderr"));
    EXPECT_EQ(Wait(pid), 0) << Err();
    const std::string text = Out();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 21);
    EXPECT_EQ(text[0], '#');
    EXPECT_EQ(text.compare(text.rfind('\n', text.size() - 2) + 1, 3, "20;"), 0);
    EXPECT_NE(Err().find("INFO : Data successfully downloaded !"), std::string::npos);
    EXPECT_TRUE(CsvFolder().empty());
}

TEST_F(LoggerCliTest, ALegalLongNameStaysLegalForTheTemporaryFile)
{
    StartSim(5);
    const std::string name = std::string(246, 'd') + ".csv";
    ASSERT_EQ(name.size(), 250u);
    EXPECT_EQ(Varn({"logger", "download", sim->PortPath(), csv.File(name)}), 0) << Err();
    EXPECT_EQ(CsvFolder(), std::vector<std::string>{name});
    const std::string text = ReadFileText(csv.File(name));
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 6);
}

TEST_F(LoggerCliTest, KilledDownloadLetsGoOfThePortAndItsTemporaryFileGoesNextTime)
{
    StartSim(10000);
    const std::string target = csv.File("out.csv");
    // Another file of a similar name is no temporary file of ours.
    std::ofstream(csv.File("out.csv.notes")) << "mine";
    pid_t pid = Spawn({"logger", "download", sim->PortPath(), target});
    WaitForRecords(pid);
    kill(pid, SIGKILL);
    EXPECT_EQ(Wait(pid), 128 + SIGKILL);
    ASSERT_EQ(CsvFolder().size(), 2u);   // the kill left its temporary file
    // No handler ran, yet the exclusive flag went with the process.
    EXPECT_TRUE(WaitUntil([&] { return OrdinaryUserCanOpen(sim->PortPath()); }, 5000));

    // The next download into the folder (from a sensor that is not in the
    // middle of a stream) removes it.
    sim->Stop();
    StartSim(3);
    EXPECT_EQ(Varn({"logger", "download", sim->PortPath(), target, "--yes"}), 0) << Err();
    EXPECT_EQ(CsvFolder(), (std::vector<std::string>{"out.csv", "out.csv.notes"}));
}

TEST_F(LoggerCliTest, HangUpOrASecondSignalLeaveNoTemporaryFileAndAPortOthersCanOpen)
{
    StartSim(10000);
    ASSERT_TRUE(OrdinaryUserCanOpen(sim->PortPath()));
    const std::string target = csv.File("out.csv");
    pid_t pid = Spawn({"logger", "download", sim->PortPath(), target});
    WaitForRecords(pid);
    kill(pid, SIGHUP);
    EXPECT_EQ(Wait(pid), 1);
    EXPECT_NE(Err().find("Download cancelled after "), std::string::npos) << Err();
    EXPECT_TRUE(CsvFolder().empty());
    EXPECT_TRUE(OrdinaryUserCanOpen(sim->PortPath()));

    // A second signal while varn waits for a silent sensor ends it at once;
    // the temporary file goes and the port is let go all the same.
    sim->SetSilent(true);
    pid = Spawn({"logger", "download", sim->PortPath(), target});
    WaitUntil([&] { return !CsvFolder().empty(); }, 10000);
    ASSERT_EQ(CsvFolder().size(), 1u);
    kill(pid, SIGTERM);
    // The second signal comes once the first was taken.
    EXPECT_TRUE(WaitUntil([&] { return Err().find("once more to quit at once") != std::string::npos; })) << Err();
    const auto t = TickCountMs();
    kill(pid, SIGTERM);
    EXPECT_EQ(Wait(pid), 128 + SIGTERM);
    EXPECT_LT(TickCountMs() - t, 2000u);
    EXPECT_TRUE(CsvFolder().empty());
    EXPECT_TRUE(OrdinaryUserCanOpen(sim->PortPath()));
}

TEST_F(LoggerCliTest, EraseNeedsYesWithoutATerminal)
{
    StartSim(30);
    EXPECT_EQ(Varn({"logger", "erase", sim->PortPath()}), 1);
    EXPECT_NE(Err().find("Erase all 30 records from the sensor on " + sim->PortPath() + " ?"), std::string::npos)
        << Err();
    EXPECT_EQ(sim->Param("logger-usage"), "30");
    EXPECT_EQ(Varn({"logger", "erase", sim->PortPath(), "--force"}), 2);
}

}  // namespace
