// varn's scope commands as processes against the simulator: a timed
// recording, Ctrl-C finishing the current file, the frames printed for
// scripts, and bad command lines.
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "host_port.h"
#include "scope_test_support.h"

namespace {

class ScopeCli : public testing::Test {
protected:
    void StartSim(const std::string& fw)
    {
        varnsim::Options options = FastOptions();
        options.fwVersion = fw;
        sim = std::make_unique<varnsim::Simulator>(options);
        std::string error;
        ASSERT_TRUE(sim->Start(&error)) << error;
    }
    int Run(const std::vector<std::string>& args)
    {
        return WaitProgram(SpawnProgram(VARN_PROGRAM, args, out, err));
    }
    std::vector<std::string> OutLines() const
    {
        std::vector<std::string> lines;
        std::istringstream in(ReadFileText(out));
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

    TempDir dir;
    std::string out = dir.File("out.txt"), err = dir.File("err.txt");
    std::unique_ptr<varnsim::Simulator> sim;
};

TEST_F(ScopeCli, RecordWritesWholePeriodsAndPrintsTheFiles)
{
    StartSim("3.45");
    const std::string wav = dir.File("wav");
    ASSERT_EQ(Run({"scope", "record", sim->PortPath(), wav, "--seconds", "3", "--period", "1"}), 0)
        << ReadFileText(err);
    const std::vector<std::string> files = OutLines();
    ASSERT_GE(files.size(), 2u) << ReadFileText(err);
    EXPECT_EQ(FilesWithExt(wav, ".wav").size(), files.size());
    EXPECT_FALSE(FileExistsOnDisk(wav + "/tmp.bin"));
    EXPECT_FALSE(FileExistsOnDisk(wav + "/tmp.bin.period"));
    EXPECT_NE(ReadFileText(err).find("files written"), std::string::npos);
    if (!PythonWaveAvailable())
        GTEST_SKIP() << "python3 with its wave module is needed to read the files back";
    // Every file but the last covers one whole second of the wall clock.
    for (size_t i = 0; i < files.size(); i++) {
        const WavReadBack r = ReadWavWithPython(files[i], false);
        ASSERT_TRUE(r.bOk) << files[i] << ": " << r.sError;
        EXPECT_EQ(r.nChannels, 2);
        EXPECT_EQ(r.nFrameRate, 2000);
        if (i + 1 < files.size())
            EXPECT_EQ(r.nFrames, 2000) << files[i];
        else
            EXPECT_LE(r.nFrames, 2000);
    }
}

TEST_F(ScopeCli, RecordingThatCannotBeWrittenFailsAtOnce)
{
    StartSim("3.45");
    // The folder is a file; the raw file leads to /dev/full.
    const std::string file = dir.File("plain");
    std::ofstream(file) << "x";
    const std::string full = dir.File("full");
    ASSERT_EQ(mkdir(full.c_str(), 0700), 0);
    ASSERT_EQ(symlink("/dev/full", (full + "/tmp.bin").c_str()), 0);
    for (const std::string& wav : {file, full}) {
        EXPECT_EQ(Run({"scope", "record", sim->PortPath(), wav, "--seconds", "60"}), 1) << ReadFileText(err);
        EXPECT_NE(ReadFileText(err).find("Recording stopped: "), std::string::npos) << ReadFileText(err);
        EXPECT_NE(ReadFileText(err).find("0 files written"), std::string::npos);
    }
}

TEST_F(ScopeCli, InterruptFinishesTheCurrentFile)
{
    StartSim("2.81");
    const std::string wav = dir.File("wav");
    const pid_t pid = SpawnProgram(VARN_PROGRAM, {"scope", "record", sim->PortPath(), wav}, out, err);
    // Wait until samples reach the raw file.
    ASSERT_TRUE(WaitUntil(
        [&] {
            struct stat st;
            return stat((wav + "/tmp.bin").c_str(), &st) == 0 && st.st_size > 0;
        },
        20000));
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    kill(pid, SIGINT);
    EXPECT_EQ(WaitProgram(pid), 0) << ReadFileText(err);
    const std::vector<std::string> files = OutLines();
    ASSERT_EQ(files.size(), 1u) << ReadFileText(err);
    EXPECT_FALSE(FileExistsOnDisk(wav + "/tmp.bin"));
    EXPECT_NE(ReadFileText(err).find("Interrupted: finishing the current file"), std::string::npos);
    if (PythonWaveAvailable()) {
        const WavReadBack r = ReadWavWithPython(files[0], false);
        ASSERT_TRUE(r.bOk) << r.sError;
        EXPECT_EQ(r.nFrameRate, 1000);
        EXPECT_GT(r.nFrames, 0);
    }
}

TEST_F(ScopeCli, FramesPrintsOneLinePerFrameAndEachRecord)
{
    StartSim("3.45");
    ASSERT_EQ(Run({"scope", "frames", sim->PortPath(), "--seconds", "4"}), 0) << ReadFileText(err);
    int frames = 0, records = 0;
    for (const std::string& line : OutLines()) {
        unsigned n = 0, pairs = 0;
        int lo0, hi0, lo1, hi1;
        if (std::sscanf(line.c_str(), "frame %u %u %d %d %d %d", &n, &pairs, &lo0, &hi0, &lo1, &hi1) == 6) {
            EXPECT_EQ(n, static_cast<unsigned>(++frames));
            EXPECT_EQ(pairs, 1000u);
            EXPECT_TRUE(lo0 >= 248 && hi0 <= 3848 && lo0 < hi0) << line;
            EXPECT_TRUE(lo1 >= 0 && hi1 <= 4095 && lo1 < hi1) << line;
        } else if (line.rfind("record FLUX;", 0) == 0 || line.rfind("record WIND;", 0) == 0) {
            records++;
        } else {
            ADD_FAILURE() << "unexpected line: " << line;
        }
    }
    EXPECT_GE(frames, 7);
    EXPECT_GE(records, 2);
}

TEST_F(ScopeCli, BadCommandLinesAreUsageErrors)
{
    EXPECT_EQ(Run({"scope", "record", "/dev/null"}), 2);
    EXPECT_EQ(Run({"scope", "record", "/dev/null", "dir", "--period", "0"}), 2);
    EXPECT_NE(ReadFileText(err).find("--period needs a whole number of seconds from 1 to 536870"), std::string::npos);
    EXPECT_EQ(Run({"scope", "record", "/dev/null", "dir", "--seconds", "2x"}), 2);
    EXPECT_EQ(Run({"scope", "record", "/dev/null", "dir", "--fast"}), 2);
    EXPECT_EQ(Run({"scope", "frames"}), 2);
    EXPECT_EQ(Run({"scope", "frames", "Select..."}), 1);
    EXPECT_NE(ReadFileText(err).find("No serial port selected !"), std::string::npos);
    EXPECT_EQ(WaitProgram(SpawnProgram(VARN_SIM_PROGRAM, {"--scope-fault", "often:1"}, out, err)), 2);
}

}  // namespace
