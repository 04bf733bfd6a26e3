// The varn tool as a script sees it: exit status, standard output and
// standard error, against the simulated sensor on a real pseudo-terminal.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "simulator.h"
#include "test_support.h"

namespace {

struct Result {
    int nStatus = -1;
    std::string sOut;
    std::string sErr;
};

Result RunVarn(const std::vector<std::string>& vArgs)
{
    TempDir dir;
    Result r;
    r.nStatus = WaitProgram(SpawnProgram(VARN_PROGRAM, vArgs, dir.File("out"), dir.File("err")));
    r.sOut = ReadFileText(dir.File("out"));
    r.sErr = ReadFileText(dir.File("err"));
    return r;
}

TEST(VarnUsage, BadCommandLinesExitWithTwoAndSayWhy)
{
    EXPECT_EQ(RunVarn({}).nStatus, 2);
    Result r = RunVarn({"frobnicate"});
    EXPECT_EQ(r.nStatus, 2);
    EXPECT_NE(r.sErr.find("unknown command 'frobnicate'"), std::string::npos);
    // A one-word command without its arguments is a usage error, not a crash.
    r = RunVarn({"get"});
    EXPECT_EQ(r.nStatus, 2);
    EXPECT_EQ(r.sErr, "Usage: varn get PORT KEY...\n");
    EXPECT_EQ(RunVarn({"set", "p", "k"}).nStatus, 2);
    EXPECT_EQ(RunVarn({"--log"}).nStatus, 2);
    EXPECT_EQ(RunVarn({"get", "p", std::string(4000, 'k')}).nStatus, 2);
}

TEST(VarnUsage, HelpForTheToolACommandAndAFamily)
{
    Result r = RunVarn({"--help"});
    EXPECT_EQ(r.nStatus, 0);
    for (const char* cmd : {"ports", "get", "set", "config"})
        EXPECT_NE(r.sOut.find(cmd), std::string::npos) << cmd;
    r = RunVarn({"config", "--help"});
    EXPECT_EQ(r.nStatus, 0);
    EXPECT_EQ(r.sOut.rfind("Usage: varn config PORT\n", 0), 0u);
}

TEST(VarnUsage, VersionShortHelpAndTheManualPageFromTheSameTexts)
{
    Result r = RunVarn({"--version"});
    EXPECT_EQ(r.nStatus, 0);
    EXPECT_EQ(r.sOut.rfind("varn ", 0), 0u);
    const Result help = RunVarn({"-h"});
    EXPECT_EQ(help.nStatus, 0);
    EXPECT_EQ(help.sOut, RunVarn({"--help"}).sOut);
    EXPECT_EQ(RunVarn({"get", "-h"}).sOut, "Usage: varn get PORT KEY...\nRead parameters; one key prints its value, "
                                           "several print KEY=VALUE lines.\n");
    // Every command of the help has its entry in the manual page.
    r = RunVarn({"--man-page"});
    EXPECT_EQ(r.sOut.rfind(".TH VARN 1", 0), 0u);
    for (const char* name : {"logger download", "config export", "ports", "bootloader\\-info"})
        EXPECT_NE(r.sOut.find(std::string(".TP\n\\fB") + name + "\\fR"), std::string::npos) << name;
}

// An option a command does not take never reaches the port (the port here
// does not exist: opening it would fail with 1); a negative number is a
// value, and "-" is a file.
TEST(VarnUsage, UnknownOptionsAreRefusedBeforeThePortIsOpened)
{
    for (const std::vector<std::string>& line :
         std::vector<std::vector<std::string>>{{"get", "/dev/varn-no-such-port", "--bogus"},
                                               {"set", "/dev/varn-no-such-port", "-x", "1"},
                                               {"config", "send", "/dev/varn-no-such-port", "--unlok", "pw"},
                                               {"logger", "download", "/dev/varn-no-such-port", "-", "--force"},
                                               {"--bogus", "ports"}}) {
        const Result r = RunVarn(line);
        EXPECT_EQ(r.nStatus, 2) << line[0] << " " << line[1];
        EXPECT_NE(r.sErr.find("unknown option"), std::string::npos) << r.sErr;
    }
    EXPECT_EQ(RunVarn({"get", "/dev/varn-no-such-port", "--bogus"}).sErr,
              "varn get: unknown option '--bogus'\nTry 'varn get --help'.\n");
    EXPECT_EQ(RunVarn({"set", "/dev/varn-no-such-port", "offset", "-5"}).nStatus, 1);
    EXPECT_EQ(RunVarn({"config", "send", "/dev/varn-no-such-port", "--unlock", "-pw-", "-y"}).nStatus, 1);
    EXPECT_EQ(RunVarn({"ports", "--json"}).nStatus, 0);
    // Completion words come from the same tables.
    EXPECT_EQ(RunVarn({"--complete", "options", "config", "send"}).sOut, "--unlock\n--yes\n-y\n--help\n");
    EXPECT_NE(RunVarn({"--complete", "keys"}).sOut.find("\npulse-ms\n"), std::string::npos);
}

TEST(VarnUsage, MissingPortFailsWithTheOpenMessage)
{
    Result r = RunVarn({"get", "/dev/varn-no-such-port", "sens-type"});
    EXPECT_EQ(r.nStatus, 1);
    EXPECT_EQ(r.sOut, "");
    EXPECT_EQ(r.sErr, "ERROR : Could not open serial port '/dev/varn-no-such-port' ! (No such file or directory)\n");
}

class VarnConsoleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        varnsim::Options o;
        o.paced = false;
        o.bootWindowMs = 0;
        o.kind = "MESTRALO";
        sim = std::make_unique<varnsim::Simulator>(o);
        std::string error;
        ASSERT_TRUE(sim->Start(&error)) << error;
    }
    std::unique_ptr<varnsim::Simulator> sim;
};

TEST_F(VarnConsoleTest, GetPrintsValuesAndSetStoresThem)
{
    Result r = RunVarn({"get", sim->PortPath(), "sens-type", "fw-version"});
    EXPECT_EQ(r.nStatus, 0) << r.sErr;
    EXPECT_EQ(r.sOut, "sens-type=MESTRALO\nfw-version=" + sim->Param("fw-version") + "\n");

    r = RunVarn({"set", sim->PortPath(), "pulse-ms", "150"});
    EXPECT_EQ(r.nStatus, 0) << r.sErr;
    EXPECT_EQ(sim->Param("pulse-ms"), "150");
}

TEST_F(VarnConsoleTest, RefusalIsReportedWithTheConfigurationPrefix)
{
    sim->RefuseSet("pulse-ms");
    Result r = RunVarn({"set", sim->PortPath(), "pulse-ms", "150"});
    EXPECT_EQ(r.nStatus, 1);
    EXPECT_EQ(r.sErr.rfind("ERROR : Error during sensor communication !\n(Please check sensor connection, power, "
                           "serial port configuration and firmware version)\n\nCould not set parameter "
                           "'pulse-ms' (pulse-ms=150)\n",
                           0),
              0u)
        << r.sErr;
}

TEST_F(VarnConsoleTest, LineBreakInAKeyOrValueIsRefusedWithNothingWritten)
{
    Result r = RunVarn({"get", sim->PortPath(), "sens-type\rlogger clear confirm"});
    EXPECT_EQ(r.nStatus, 2);
    EXPECT_EQ(r.sErr, "varn: get: KEY 'sens-type<0x0D>logger clear confirm' holds a carriage return, line feed "
                      "or zero byte, refused\n");
    r = RunVarn({"set", sim->PortPath(), "logger-mode", "on\rreset confirm"});
    EXPECT_EQ(r.nStatus, 2);
    EXPECT_EQ(r.sErr, "varn: set: VALUE 'on<0x0D>reset confirm' holds a carriage return, line feed or zero byte, "
                      "refused\n");
    EXPECT_EQ(RunVarn({"set", sim->PortPath(), "a\nb", "1"}).nStatus, 2);
    EXPECT_EQ(sim->Received(), "");
}

TEST_F(VarnConsoleTest, WakeupEndsAtTheAnswerUnlessTheFullSequenceIsAsked)
{
    auto wakeups = [this] {
        const std::string wire = sim->Received();
        size_t n = 0;
        for (size_t at = wire.find("wakeup!\r"); at != std::string::npos; at = wire.find("wakeup!\r", at + 1))
            n++;
        return n;
    };
    Result r = RunVarn({"get", sim->PortPath(), "sens-type"});
    EXPECT_EQ(r.nStatus, 0) << r.sErr;
    EXPECT_EQ(r.sOut, "MESTRALO\n");
    EXPECT_EQ(wakeups(), 1u);
    sim->ClearReceived();
    r = RunVarn({"--full-wakeup", "get", sim->PortPath(), "sens-type"});
    EXPECT_EQ(r.sOut, "MESTRALO\n");
    EXPECT_EQ(wakeups(), 5u);
    sim->ClearReceived();
    r = RunVarn({"get", sim->PortPath(), "sens-type", "--full-wakeup"});
    EXPECT_EQ(r.sOut, "MESTRALO\n");
    EXPECT_EQ(wakeups(), 5u);
    EXPECT_NE(RunVarn({"--help"}).sOut.find("--full-wakeup"), std::string::npos);
}

TEST_F(VarnConsoleTest, DashIsStandardOutputForAnExport)
{
    Result r = RunVarn({"config", "export", sim->PortPath(), "-"});
    EXPECT_EQ(r.nStatus, 0) << r.sErr;
    EXPECT_NE(r.sOut.find("\npulse-ms="), std::string::npos) << r.sOut;
    // --log - traces to standard error.
    r = RunVarn({"--log", "-", "get", sim->PortPath(), "sens-type"});
    EXPECT_EQ(r.sOut, "MESTRALO\n");
    EXPECT_NE(r.sErr.find("Opening serial port"), std::string::npos) << r.sErr;
}

TEST_F(VarnConsoleTest, ConfigPrintsTheListingAsPlainLines)
{
    Result r = RunVarn({"config", sim->PortPath()});
    EXPECT_EQ(r.nStatus, 0) << r.sErr;
    EXPECT_EQ(r.sOut.find('\r'), std::string::npos);
    EXPECT_NE(r.sOut.find("pulse-ms="), std::string::npos) << r.sOut;
}

}  // namespace
