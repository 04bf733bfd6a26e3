// varn's bootloader commands as a script runs them: a process against the
// simulated sensor, which powers up while varn waits for it.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "event.h"
#include "flash_fixture.h"
#include "port_access.h"
#include "simulator.h"
#include "test_support.h"

namespace {

constexpr char kListedDevice[] = "002E0040363230360C473431";

class FlashCliTest : public ::testing::Test {
protected:
    // A sensor that powers up shortly after varn began waiting.
    void StartSim(const std::string& sUniqueId = "0036003F3137510A33353438", bool bPaced = false,
                  int nPowerUpMs = 400)
    {
        varnsim::Options o;
        o.paced = bPaced;
        o.powerUpAfterMs = nPowerUpMs;
        o.uniqueId = sUniqueId;
        sim = std::make_unique<varnsim::Simulator>(o);
        std::string why;
        ASSERT_TRUE(sim->Start(&why)) << why;
    }
    int Varn(const std::vector<std::string>& vArgs)
    {
        return WaitProgram(SpawnProgram(VARN_PROGRAM, vArgs, dir.File("out"), dir.File("err")));
    }
    std::string Out() const { return ReadFileText(dir.File("out")); }
    std::string Err() const { return ReadFileText(dir.File("err")); }
    std::string Image(const std::vector<uint8_t>& vBytes)
    {
        const std::string path = dir.File("fw.bin");
        EXPECT_TRUE(WriteFile(path, vBytes));
        return path;
    }

    pid_t Spawn(const std::vector<std::string>& vArgs)
    {
        return SpawnProgram(VARN_PROGRAM, vArgs, dir.File("out"), dir.File("err"));
    }
    // Waits until standard error holds sText (or varn ended).
    void WaitForText(pid_t pid, const std::string& sText)
    {
        int status = 0;
        WaitUntil([&] { return Err().find(sText) != std::string::npos || waitpid(pid, &status, WNOHANG) != 0; },
                  20000);
    }

    TempDir dir;
    std::unique_ptr<varnsim::Simulator> sim;
};

TEST_F(FlashCliTest, FlashUploadsTheImageAndPrintsOneLinePerStepAndTenth)
{
    StartSim();
    const std::vector<uint8_t> image = MakeImage(20000);
    ASSERT_EQ(Varn({"flash", sim->PortPath(), Image(image)}), 0) << Err();
    EXPECT_EQ(sim->FlashedImage(), image);
    const std::string err = Err();
    EXPECT_EQ(err.rfind("Power the sensor down, then up within 10 s...\n", 0), 0u) << err;
    EXPECT_NE(err.find("[100%] Uploading firmware 100 % (20000/20000 bytes)...\n"), std::string::npos) << err;
    EXPECT_NE(err.find("INFO : Firmware successfully flashed !\n"), std::string::npos) << err;
    // 79 blocks, but without a terminal only a line per tenth of the upload.
    const size_t lines = static_cast<size_t>(std::count(err.begin(), err.end(), '\n'));
    size_t uploads = 0;
    for (size_t at = err.find("] Uploading firmware"); at != std::string::npos;
         at = err.find("] Uploading firmware", at + 1))
        uploads++;
    EXPECT_LE(uploads, 11u) << err;
    EXPECT_LT(lines, 40u) << err;
    // The window's idle hint names its buttons: never printed.
    EXPECT_EQ(err.find("Flash Fimware"), std::string::npos) << err;
    EXPECT_EQ(Out(), "");
}

TEST_F(FlashCliTest, BootloaderInfoPrintsTheInformationOnStandardOutput)
{
    StartSim();
    ASSERT_EQ(Varn({"bootloader-info", sim->PortPath()}), 0) << Err();
    EXPECT_EQ(Out(), "Bootloader : VARN-BL 1.12\nSignature : 0036003F3137510A33353438\n"
                     "Flash size : 262144 bytes\nBootloader : 16384 bytes\nApplication : 245760 bytes\n\n" +
                         std::string(szStaysInBootloader) + "\n");
    EXPECT_TRUE(sim->InBootloader());
}

TEST_F(FlashCliTest, TheCompatibilityQuestionIsNoWithoutATerminalAndYesWithTheOption)
{
    StartSim(kListedDevice);
    const std::string image = Image(MakeImage(600, "2.37"));
    EXPECT_EQ(Varn({"flash", sim->PortPath(), image}), 1);
    EXPECT_NE(Err().find("does not support firmware greater than 2.36"), std::string::npos) << Err();
    EXPECT_NE(Err().find("Answered No"), std::string::npos) << Err();
    EXPECT_TRUE(sim->FlashedImage().empty());

    sim->PowerCycle(300);
    EXPECT_EQ(Varn({"flash", "-y", sim->PortPath(), image}), 0) << Err();
    EXPECT_NE(Err().find("Answered Yes"), std::string::npos) << Err();
    EXPECT_EQ(sim->FlashedImage().size(), 600u);
}

TEST_F(FlashCliTest, BadCommandLinesAndImagesThatCannotGoFailBeforeTheWait)
{
    StartSim();
    EXPECT_EQ(Varn({"flash", sim->PortPath()}), 2);
    EXPECT_EQ(Varn({"flash", sim->PortPath(), Image(MakeImage(10)), "--force"}), 2);
    EXPECT_NE(Err().find("unknown option '--force'"), std::string::npos) << Err();
    EXPECT_EQ(Varn({"bootloader-info"}), 2);

    ASSERT_EQ(mkfifo(dir.File("fifo").c_str(), 0644), 0);
    ASSERT_TRUE(WriteFile(dir.File("empty.bin"), {}));
    struct Case {
        std::string sImage;
        std::string sError;
    };
    std::vector<Case> cases = {
        {dir.File("missing.bin"), "Could not open file '" + dir.File("missing.bin") + "' !"},
        {dir.File("fifo"), "Could not open file '" + dir.File("fifo") + "' : it is a pipe, not a firmware file !"},
        {dir.Path(), "Could not open file '" + dir.Path() + "' : it is a folder, not a firmware file !"},
        {"/dev/zero", "Could not open file '/dev/zero' : it is a device, not a firmware file !"},
        {dir.File("empty.bin"), "Nothing to upload !"},
    };
    const int fd = open(dir.File("huge.bin").c_str(), O_WRONLY | O_CREAT, 0644);
    const bool sparse = fd >= 0 && ftruncate(fd, 5LL << 30) == 0;
    if (fd >= 0)
        close(fd);
    if (sparse)
        cases.push_back({dir.File("huge.bin"), "Firmware file too large (5368709120 bytes, at most 4294967295) !"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sImage);
        // Refused at once: a FIFO that blocked varn would be killed here.
        const pid_t pid = SpawnProgram(VARN_PROGRAM, {"flash", sim->PortPath(), c.sImage}, dir.File("out"),
                                       dir.File("err"));
        int status = 0;
        if (!WaitUntil([&] { return waitpid(pid, &status, WNOHANG) != 0; }, 5000)) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            ADD_FAILURE() << "varn flash still runs after 5 s";
            continue;
        }
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
        EXPECT_EQ(Err(), "ERROR : " + c.sError + "\n");
    }
    // Nobody was asked to power-cycle the sensor, and nothing was sent.
    EXPECT_EQ(sim->Received(), "");
}

TEST_F(FlashCliTest, InterruptedUploadEndsAfterTheCurrentBlockAndSaysToFlashAgain)
{
    // At the line rate 64 KiB take about six seconds.
    StartSim("0036003F3137510A33353438", true);
    ASSERT_TRUE(OrdinaryUserCanOpen(sim->PortPath()));
    const std::vector<uint8_t> image = MakeImage(64 * 1024);
    const pid_t pid = Spawn({"flash", sim->PortPath(), Image(image)});
    WaitForText(pid, "] Uploading firmware");
    kill(pid, SIGINT);
    EXPECT_EQ(WaitProgram(pid), 1);
    const std::string err = Err();
    EXPECT_NE(err.find("Interrupted: "), std::string::npos) << err;
    const size_t stopped = err.find("ERROR : Upload stopped after ");
    ASSERT_NE(stopped, std::string::npos) << err;
    EXPECT_NE(err.find(" of 65536 bytes: the sensor holds an incomplete image and must be flashed again !\n", stopped),
              std::string::npos)
        << err;
    EXPECT_NE(err.find("ERROR : Error during firmware flash, please retry !"), std::string::npos) << err;
    // Whole blocks only, then nothing: no END_OF_DATA, no EXIT.
    const std::string received = sim->Received();
    const size_t begin = received.find('\xC5');
    ASSERT_NE(begin, std::string::npos);
    const size_t blocks = received.size() - begin - 5;
    EXPECT_GT(blocks, 0u);
    EXPECT_LT(blocks, 256u * 261u);
    EXPECT_EQ(blocks % 261, 0u);
    EXPECT_TRUE(sim->InBootloader());
    EXPECT_TRUE(sim->FlashedImage().empty());
    EXPECT_TRUE(OrdinaryUserCanOpen(sim->PortPath()));
}

TEST_F(FlashCliTest, SignalsDuringTheWaitLetGoOfThePort)
{
    // A sensor that never powers up.
    StartSim("0036003F3137510A33353438", false, -1);
    sim->PowerOff();
    ASSERT_TRUE(OrdinaryUserCanOpen(sim->PortPath()));
    // One SIGHUP ends the wait at once, as Cancel does.
    pid_t pid = Spawn({"bootloader-info", sim->PortPath()});
    WaitForText(pid, "Trying to start bootloader");
    kill(pid, SIGHUP);
    const auto t = TickCountMs();
    EXPECT_EQ(WaitProgram(pid), 1);
    EXPECT_LT(TickCountMs() - t, 1000u);
    EXPECT_NE(Err().find("INFO : Bootloader Info cancelled before the bootloader answered"), std::string::npos)
        << Err();
    EXPECT_EQ(Err().find("ERROR : "), std::string::npos) << Err();
    EXPECT_TRUE(OrdinaryUserCanOpen(sim->PortPath()));

    // A signal varn does not stop for ends it by that signal, and the port is
    // let go all the same.
    pid = Spawn({"bootloader-info", sim->PortPath()});
    WaitForText(pid, "Trying to start bootloader");
    kill(pid, SIGPIPE);
    EXPECT_EQ(WaitProgram(pid), 128 + SIGPIPE);
    EXPECT_TRUE(OrdinaryUserCanOpen(sim->PortPath()));
}

}  // namespace
