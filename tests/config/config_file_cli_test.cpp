// varn config export, import and diff as a user runs them: the real program
// against the simulator, without a terminal. Every load takes the
// program's own time-outs, so one case walks the whole archive-and-restore
// story and the others need no sensor.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "config_fixture.h"
#include "simulator.h"
#include "test_support.h"

namespace {

class ConfigFileCliTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (sim)
            sim->Stop();
    }
    int Varn(const std::vector<std::string>& vArgs)
    {
        return WaitProgram(SpawnProgram(VARN_PROGRAM, vArgs, dir.File("stdout"), dir.File("stderr")));
    }
    std::string Out() const { return ReadFileText(dir.File("stdout")); }
    std::string Err() const { return ReadFileText(dir.File("stderr")); }
    std::vector<std::string> Entries() const
    {
        std::vector<std::string> v;
        for (const auto& e : std::filesystem::directory_iterator(dir.File("files")))
            v.push_back(e.path().filename().string());
        return v;
    }

    TempDir dir;
    std::unique_ptr<varnsim::Simulator> sim;
};

TEST_F(ConfigFileCliTest, ArchiveCompareAndRestoreASensor)
{
    sim = std::make_unique<varnsim::Simulator>(SimOptions("DUVIKORN", "3.45"));
    std::string error;
    ASSERT_TRUE(sim->Start(&error)) << error;
    std::filesystem::create_directory(dir.File("files"));
    const std::string file = dir.File("files/duv.varncfg");

    ASSERT_EQ(Varn({"config", "export", sim->PortPath(), file}), 0) << Err();
    const std::string text = ReadFileText(file);
    EXPECT_EQ(text.rfind("[VARN-CONFIG=" + sim->Param("hw-sn") + "]\nsens-type=DUVIKORN\n", 0), 0u) << text;
    EXPECT_NE(text.find("\nrange-flux=" + sim->Param("range-flux") + "\n"), std::string::npos);
    EXPECT_NE(Err().find("Configuration successfully exported !"), std::string::npos) << Err();
    EXPECT_EQ(Entries(), std::vector<std::string>{"duv.varncfg"});

    // The file is there: without a terminal to ask on, no overwrite.
    EXPECT_EQ(Varn({"config", "export", sim->PortPath(), file}), 1);
    EXPECT_EQ(ReadFileText(file), text);

    // Someone changes the sensor; the diff names what differs.
    const std::string avgM = sim->Param("avg-m");
    const std::string version = sim->Param("sens-version");
    sim->SetParam("avg-m", "1800");
    sim->SetParam("sens-version", "9.9");
    EXPECT_EQ(Varn({"config", "diff", file, sim->PortPath()}), 1) << Err();
    EXPECT_EQ(Out(), "avg-m: " + avgM + " -> 1800\nsens-version: " + version + " -> 9.9\n");

    // The restore with factory parameters puts both back.
    ASSERT_EQ(Varn({"config", "import", sim->PortPath(), file, "--factory", "--password", "varn"}), 0) << Err();
    EXPECT_EQ(sim->Param("avg-m"), avgM);
    EXPECT_EQ(sim->Param("sens-version"), version);
    EXPECT_NE(Out().find("avg-m=" + avgM + "\n"), std::string::npos) << "prints the reloaded configuration";
    EXPECT_NE(Err().find("Configuration successfully imported !"), std::string::npos);
}

TEST_F(ConfigFileCliTest, DiffOfTwoFilesAndUsageNeedNoSensor)
{
    const std::string a = dir.File("a.varncfg");
    const std::string b = dir.File("b.varncfg");
    std::ofstream(a) << "[VARN-CONFIG=0036003F3137510A33353438]\nsens-type=KORVALIN\navg-a=5\npulse-ms=100\n";
    std::ofstream(b) << "; another sensor\r\n[VARN-CONFIG=0036003F3137510A33353499]\r\navg-a=5\r\nsens-type=KORVALIN\r\n"
                        "pulse-ms=150\r\nlin-wc1=1\r\n";
    EXPECT_EQ(Varn({"config", "diff", a, a}), 0);
    EXPECT_EQ(Out(), "");
    EXPECT_EQ(Varn({"config", "diff", a, b}), 1);
    EXPECT_EQ(Out(), "pulse-ms: 100 -> 150\nlin-wc1: (none) -> 1\n");

    std::ofstream(b) << "[VARN-CONFIG]\n";
    EXPECT_EQ(Varn({"config", "diff", a, b}), 1);
    EXPECT_NE(Err().find("Bad file header identifier '[VARN-CONFIG]' !"), std::string::npos) << Err();

    EXPECT_EQ(Varn({"config", "import", "/dev/null", a, "--factory"}), 2);
    EXPECT_EQ(Varn({"config", "import", "/dev/null", a, "--password", "x"}), 2);
    EXPECT_EQ(Varn({"config", "import", "/dev/null", a, "--bogus"}), 2);
    EXPECT_EQ(Varn({"config", "import", "/dev/null", dir.File("none.varncfg")}), 1);
    EXPECT_NE(Err().find("Filename  '" + dir.File("none.varncfg") + "' not found !"), std::string::npos) << Err();

    // A pipe or a device is refused at once, before any port is opened.
    const std::string fifo = dir.File("pipe.varncfg");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_EQ(Varn({"config", "export", "/dev/null", fifo, "--yes"}), 1);
    EXPECT_EQ(Err(), "ERROR : Could not open file '" + fifo + "' for writing : it is a pipe, not a regular file !\n");
    EXPECT_EQ(Varn({"config", "import", "/dev/null", fifo}), 1);
    EXPECT_EQ(Err(), "ERROR : Could not open file '" + fifo + "' for reading : it is a pipe, not a regular file !\n");
    EXPECT_EQ(Varn({"config", "import", "/dev/null", "/dev/zero"}), 1);
    EXPECT_EQ(Err(), "ERROR : Could not open file '/dev/zero' for reading : it is a device, not a regular file !\n");
    EXPECT_EQ(Varn({"config", "diff", fifo, a}), 1);
    EXPECT_NE(Err().find("it is a pipe, not a regular file !"), std::string::npos) << Err();
}

}  // namespace
