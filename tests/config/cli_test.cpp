// varn config load, send and reset as a user runs them: the real program
// against the simulator, without a terminal. Each run takes the program's
// own time-outs (about six seconds a load), so the cases are few and each
// checks much.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "config_fixture.h"
#include "simulator.h"
#include "test_support.h"

namespace {

class ConfigCliTest : public ::testing::Test {
protected:
    void StartSim(varnsim::Options tOptions)
    {
        sim = std::make_unique<varnsim::Simulator>(std::move(tOptions));
        std::string error;
        ASSERT_TRUE(sim->Start(&error)) << error;
    }
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
    bool OutHas(const std::string& sLine) const { return Out().find(sLine + "\n") != std::string::npos; }
    std::vector<std::string> Sets() const
    {
        std::vector<std::string> v;
        for (const std::string& c : sim->Commands())
            if (c.rfind("set ", 0) == 0)
                v.push_back(c);
        return v;
    }

    TempDir dir;
    std::unique_ptr<varnsim::Simulator> sim;
};

TEST_F(ConfigCliTest, LoadPrintsIdentityThenEveryParameterInTableOrder)
{
    StartSim(SimOptions("PALVETRA", "3.45"));
    ASSERT_EQ(Varn({"config", "load", sim->PortPath()}), 0) << Err();
    const std::string out = Out();
    EXPECT_EQ(out.rfind("Sensor: PALVETRA\n", 0), 0u) << out;
    EXPECT_TRUE(OutHas("Visa: " + sim->Param("hw-sn")));
    EXPECT_TRUE(OutHas("Duty cycle \"D\" (%): 8.3"));
    EXPECT_TRUE(OutHas("range-wind=" + sim->Param("range-wind")));
    EXPECT_TRUE(OutHas("calib-wind=" + sim->Param("calib-wind")));
    EXPECT_EQ(out.find("pulse-"), std::string::npos) << "a PALVETRA has no pulse keys";
    EXPECT_LT(out.find("out1-mode="), out.find("sdi12-mode="));
    EXPECT_LT(out.find("avg-m="), out.find("lin-wc1="));
    EXPECT_EQ(Err().find("ERROR"), std::string::npos) << Err();
    const std::vector<std::string> commands = sim->Commands();
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "config"), 1);
}

TEST_F(ConfigCliTest, SendChangesTheNamedValuesAndRunsTheApplySequence)
{
    StartSim(SimOptions("KORVALIN", "3.45"));
    ASSERT_EQ(Varn({"config", "send", sim->PortPath(), "avg-m=1200", "out2-mode=raw", "sens-version=1.4",
                    "--unlock", "varn"}),
              0)
        << Err();
    EXPECT_EQ(sim->Param("avg-m"), "1200");
    EXPECT_EQ(sim->Param("out2-mode"), "raw");
    EXPECT_EQ(sim->Param("sens-version"), "1.4");
    const std::vector<std::string> sets = Sets();
    auto first = std::find(sets.begin(), sets.end(), "set avg-a 1");
    ASSERT_NE(first, sets.end());
    EXPECT_EQ(*(first + 2), "set avg-m 1200");
    EXPECT_NE(std::find(sets.begin(), sets.end(), "set calib-wind 1.000"), sets.end());
    const std::vector<std::string> all = sim->Commands();
    auto reboot = std::find(all.begin(), all.end(), "reboot");
    ASSERT_NE(reboot, all.end());
    EXPECT_NE(std::find(reboot, all.end(), "config"), all.end()) << "the follow-up load";
    EXPECT_TRUE(OutHas("avg-m=1200")) << "the reloaded configuration is printed";
    EXPECT_TRUE(OutHas("out2-mode=raw"));
    EXPECT_NE(Err().find("INFO : Factory parameters are unlocked !"), std::string::npos);
}

TEST_F(ConfigCliTest, SendRefusesWhatThePagesCannotTakeBeforeAnySet)
{
    StartSim(SimOptions("MESTRALO", "3.17"));
    // Usage errors found before the port is opened.
    EXPECT_EQ(Varn({"config", "send", sim->PortPath(), "no-such-key=1"}), 2);
    EXPECT_NE(Err().find("unknown parameter 'no-such-key'"), std::string::npos);
    EXPECT_EQ(Varn({"config", "send", sim->PortPath(), "fscale-rain=1"}), 2);
    EXPECT_NE(Err().find("'fscale-rain' is read only"), std::string::npos);
    EXPECT_EQ(Varn({"config", "send", sim->PortPath(), "avg-a"}), 2);
    EXPECT_TRUE(sim->Commands().empty());

    // Found after the load: a key of another kind, a disabled choice, a
    // locked factory key, a value no control shows.
    for (const auto& [edit, message] :
         std::vector<std::pair<std::string, std::string>>{{"range-flux=5V", "has no parameter 'range-flux'"},
                                                          {"out1-mode=hail", "is disabled"},
                                                          {"sens-sn=X1", "factory parameter"},
                                                          {"sys-speed=64MHz", "not a value of sys-speed"}}) {
        EXPECT_EQ(Varn({"config", "send", sim->PortPath(), edit}), 2) << edit;
        EXPECT_NE(Err().find(message), std::string::npos) << Err();
    }
    // A value the sensor cannot take: named with its page before the wake-up.
    EXPECT_EQ(Varn({"config", "send", sim->PortPath(), "avg-m=600x"}), 1);
    EXPECT_NE(Err().find("Bad value in 'Measurement duration \"M\" (s)' on the page 'Averaging' : '600x' is not a "
                         "whole number !\nNothing has been sent to the sensor !"),
              std::string::npos)
        << Err();
    // A value too long for a command is no argument varn takes.
    EXPECT_EQ(Varn({"config", "send", sim->PortPath(), "lin-xc1=" + std::string(2040, '1')}), 2);
    EXPECT_NE(Err().find("argument too long"), std::string::npos) << Err();
    EXPECT_TRUE(Sets().empty());
}

TEST_F(ConfigCliTest, FailuresExitWithOne)
{
    EXPECT_EQ(Varn({"config", "load", "/dev/varn-no-such-port"}), 1);
    EXPECT_EQ(Err(), "ERROR : Could not open serial port '/dev/varn-no-such-port' !\n");
    EXPECT_EQ(Out(), "");

    StartSim(SimOptions("GRESTOLV", "3.45"));
    sim->RefuseSet("thld-hail");
    EXPECT_EQ(Varn({"config", "send", sim->PortPath()}), 1);
    EXPECT_NE(Err().find("Could not set parameter 'Hail noise threshold' (thld-hail=60)"), std::string::npos);
    const std::vector<std::string> commands = sim->Commands();
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "reboot"), 0);
    EXPECT_EQ(Out(), "");

    EXPECT_EQ(Varn({"config", "send", sim->PortPath(), "--unlock", "wrong"}), 1);
    EXPECT_NE(Err().find("Could not unlock factory parameters"), std::string::npos);
}

TEST_F(ConfigCliTest, ResetAsksAndWithYesRestoresTheDefaults)
{
    StartSim(SimOptions("DUVIKORN", "3.45"));
    sim->SetParam("avg-m", "1800");
    // No terminal to ask on: the answer is No and nothing is sent.
    EXPECT_EQ(Varn({"config", "reset", sim->PortPath()}), 1);
    EXPECT_NE(Err().find("Do you really want to reset all sensor parameters ?"), std::string::npos);
    EXPECT_TRUE(sim->Commands().empty());

    ASSERT_EQ(Varn({"config", "reset", sim->PortPath(), "--yes"}), 0) << Err();
    const std::vector<std::string> commands = sim->Commands();
    auto first = std::find_if(commands.begin(), commands.end(), [](const std::string& c) { return c != "wakeup!"; });
    ASSERT_NE(first, commands.end());
    EXPECT_EQ(*first, "reset confirm");
    EXPECT_EQ(sim->Param("avg-m"), "600");
    EXPECT_TRUE(OutHas("avg-m=600"));
}

TEST_F(ConfigCliTest, UsageAndTheOneWordListingStay)
{
    EXPECT_EQ(Varn({"config", "load"}), 2);
    EXPECT_EQ(Varn({"config", "load", "a", "b"}), 2);
    EXPECT_EQ(Varn({"config", "reset", "p", "--force"}), 2);
    EXPECT_NE(Err().find("unknown option '--force'"), std::string::npos);
    EXPECT_EQ(Varn({"config", "send", "p", "--unlock"}), 2);
    EXPECT_EQ(Varn({"config", "load", "--help"}), 0);
    EXPECT_EQ(Out().rfind("Usage: varn config load PORT", 0), 0u) << Out();

    StartSim(SimOptions("KORVALIN"));
    ASSERT_EQ(Varn({"config", sim->PortPath()}), 0) << Err();
    EXPECT_NE(Out().find("out1-mode="), std::string::npos);
}

}  // namespace
