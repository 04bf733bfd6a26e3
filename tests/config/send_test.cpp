// Configuration send against the simulator: the "set" sequence from the
// pages, the averaging order, the factory keys, failures, and the reload.
#include <gtest/gtest.h>

#include <algorithm>

#include "codecs.h"
#include "config_fixture.h"
#include "config_task.h"
#include "sensor_kind.h"

namespace {

struct SendCase {
    const char* szKind;
    const char* szFirmware;
    bool bUnlocked;
};

void PrintTo(const SendCase& c, std::ostream* os)
{
    *os << c.szKind << " " << c.szFirmware << (c.bUnlocked ? " unlocked" : " locked");
}

std::string CaseName(const ::testing::TestParamInfo<SendCase>& info)
{
    std::string name = std::string(info.param.szKind) + "_" + info.param.szFirmware +
                       (info.param.bUnlocked ? "_unlocked" : "_locked");
    std::replace(name.begin(), name.end(), '.', '_');
    return name;
}

// The send's keys, written out from its description; the averaging keys
// stand for the five commands.
std::vector<std::string> ExpectedSendKeys(int nType, int nFirmware, bool bUnlocked)
{
    const unsigned kind = KindBit(nType);
    const bool primary = (kind & KINDS_PRIMARY) != 0;
    const bool wind = (kind & KINDS_WIND) != 0;
    const std::string suffix = tSensorKinds[nType].szSuffix;
    std::vector<std::string> k = {"out1-mode", "out2-mode"};
    if (primary)
        k.push_back("range-" + suffix);
    if (wind)
        k.push_back("range-wind");
    if (nType == SENSOR_TYPE_MESTRALO && nFirmware >= 318)
        k.push_back("range-hail");
    if (primary)
        k.insert(k.end(), {"pulse-thld", "pulse-to", "pulse-lvl", "pulse-ms"});
    k.insert(k.end(), {"sdi12-mode", "sdi12-addr", "serial-mode", "cons-idle"});
    if (nFirmware > 260)
        k.insert(k.end(), {"logger-mode", "logger-cfg"});
    k.push_back("AVERAGING");
    if (wind)
        k.insert(k.end(), {"lin-wc1", "lin-wc3", "lin-wc4", "lin-wc5", "lin-wc6", "lin-we1", "lin-we2"});
    if (primary)
        k.insert(k.end(), {"lin-xc1", "lin-xe1"});
    k.push_back("misc-pwrdly");
    if (primary)
        k.push_back("thld-" + suffix);
    k.insert(k.end(), {"sys-speed", "sys-clk"});
    if (nFirmware >= 343)
        k.push_back("sys-watchdog");
    if (bUnlocked) {
        k.insert(k.end(), {"sens-version", "sens-date", "sens-sn", "hw-version", "hw-date", "calib-date"});
        if (primary)
            k.push_back("calib-" + suffix);
        if (wind)
            k.push_back("calib-wind");
    }
    return k;
}

// The "set" commands a send makes from the simulator's own values.
std::vector<std::string> ExpectedSets(varnsim::Simulator& sim, int nType, int nFirmware, bool bUnlocked)
{
    std::vector<std::string> sets;
    for (const std::string& key : ExpectedSendKeys(nType, nFirmware, bUnlocked)) {
        if (key == "AVERAGING") {
            sets.insert(sets.end(), {"set avg-a 1", "set avg-c 1", "set avg-m " + sim.Param("avg-m"),
                                     "set avg-c " + sim.Param("avg-c"), "set avg-a " + sim.Param("avg-a")});
        } else {
            sets.push_back("set " + key + " " + sim.Param(key));
        }
    }
    return sets;
}

// The commands from the first "set" up to the reboot, and what follows.
std::vector<std::string> SetsOf(const std::vector<std::string>& vCommands)
{
    std::vector<std::string> v;
    for (const std::string& c : vCommands) {
        if (c == "reboot")
            break;
        if (c.rfind("set ", 0) == 0)
            v.push_back(c);
    }
    return v;
}

class SendKindTest : public ConfigTest, public ::testing::WithParamInterface<SendCase> {};

TEST_P(SendKindTest, SendsEveryParameterRebootsAndReloads)
{
    const SendCase& c = GetParam();
    StartSim(SimOptions(c.szKind, c.szFirmware));
    ASSERT_EQ(Load(1), 1);
    if (c.bUnlocked) {
        ASSERT_EQ(Unlock(), 1);
    }
    const int type = nSensorType.load();
    const int fw = nSensorFirmware.load();
    const std::vector<std::string> expected = ExpectedSets(*sim, type, fw, c.bUnlocked);
    ClearCommands();
    const size_t statesBefore = StateLog().size();
    const size_t reportsBefore = fe.Progresses().size();

    ASSERT_EQ(Send(), 1) << messages->Last();
    const std::vector<std::string> commands = Commands();
    EXPECT_EQ(SetsOf(commands), expected);
    auto reboot = std::find(commands.begin(), commands.end(), "reboot");
    ASSERT_NE(reboot, commands.end());
    EXPECT_EQ(reboot - commands.begin(), static_cast<long>(expected.size()));
    // The follow-up load after the reboot, without the Summary tab.
    EXPECT_NE(std::find(reboot, commands.end(), "get sens-type"), commands.end());
    EXPECT_EQ(commands.back(), "get misc-scopemode");
    EXPECT_EQ(bAdmin.load(), 0);
    EXPECT_FALSE(pages.Enabled(CTL_SENS_VERSION));
    EXPECT_EQ(pages.SelectedTab(), PAGE_SUMMARY) << "the tab does not change";

    const std::vector<std::string> states = StateLog();
    EXPECT_EQ(std::vector<std::string>(states.begin() + static_cast<long>(statesBefore), states.end()),
              (std::vector<std::string>{"busy:Sending...", "idle", "busy:Loading...", "idle"}));
    // The first step is 100/36 unlocked (2 %), 100/28 locked (3 %).
    const std::vector<std::pair<int, std::string>> r = fe.Progresses();
    auto sending = std::find_if(r.begin() + static_cast<long>(reportsBefore), r.end(), [](const std::pair<int, std::string>& x) {
        return x.second.rfind("Waking up... (", 0) == 0;
    });
    ASSERT_NE(sending, r.end());
    EXPECT_EQ(sending->first, c.bUnlocked ? 2 : 3);
}

INSTANTIATE_TEST_SUITE_P(Kinds, SendKindTest,
                         ::testing::Values(SendCase{"KORVALIN", "3.45", false}, SendCase{"KORVALIN", "3.45", true},
                                           SendCase{"DUVIKORN", "2.61", false}, SendCase{"DUVIKORN", "3.43", true},
                                           SendCase{"PALVETRA", "2.60", false}, SendCase{"PALVETRA", "3.45", true},
                                           SendCase{"MESTRALO", "3.17", false}, SendCase{"MESTRALO", "3.18", true},
                                           SendCase{"GRESTOLV", "3.42", false}, SendCase{"GRESTOLV", "3.45", true}),
                         CaseName);

TEST_F(ConfigTest, EditedValuesAreWhatGoesOut)
{
    StartSim(SimOptions("DUVIKORN"));
    ASSERT_EQ(Load(1), 1);
    ASSERT_EQ(Unlock(), 1);
    pages.SetText(CTL_PULSE_MS, "150");
    SetOut1Mode("flux");
    SetOut2Mode("pulse");
    pages.SetText(CTL_AVG_A, "10");
    pages.SetText(CTL_AVG_C, "120");
    pages.SetText(CTL_AVG_M, "1200");
    pages.SetText(CTL_SENS_SN, "   ");
    ClearCommands();
    ASSERT_EQ(Send(), 1) << messages->Last();
    const std::vector<std::string> sets = SetsOf(Commands());
    auto has = [&sets](const std::string& s) { return std::find(sets.begin(), sets.end(), s) != sets.end(); };
    EXPECT_TRUE(has("set pulse-ms 150"));
    EXPECT_TRUE(has("set out1-mode flux")) << "the primary button of a DUVIKORN goes out as flux";
    EXPECT_TRUE(has("set out2-mode pulse"));
    EXPECT_TRUE(has("set sens-sn unknown"));
    auto first = std::find(sets.begin(), sets.end(), "set avg-a 1");
    ASSERT_NE(first, sets.end());
    EXPECT_EQ(std::vector<std::string>(first, first + 5),
              (std::vector<std::string>{"set avg-a 1", "set avg-c 1", "set avg-m 1200", "set avg-c 120",
                                        "set avg-a 10"}));
    // The rebooted sensor kept them and the reload shows them.
    EXPECT_EQ(sim->Param("avg-m"), "1200");
    EXPECT_EQ(pages.Text(CTL_PULSE_MS), "150");
    EXPECT_EQ(pages.Text(CTL_SENS_SN), "unknown");
}

TEST_F(ConfigTest, MestraloHailButtonGoesOutAsHail)
{
    StartSim(SimOptions("MESTRALO", "3.24"));
    ASSERT_EQ(Load(1), 1);
    SetOut1Mode("hail");
    ClearCommands();
    ASSERT_EQ(Send(), 1) << messages->Last();
    const std::vector<std::string> sets = SetsOf(Commands());
    EXPECT_EQ(sets.front(), "set out1-mode hail");
    EXPECT_EQ(sim->Param("out1-mode"), "hail");
}

TEST_F(ConfigTest, RefusedMeasurementDurationPutsTheLoadedDurationsBack)
{
    StartSim(SimOptions("KORVALIN"));
    ASSERT_EQ(Load(0), 1);
    ASSERT_EQ(Unlock(), 1);
    const std::string a = sim->Param("avg-a"), c = sim->Param("avg-c");
    pages.SetText(CTL_PULSE_MS, "250");
    sim->RefuseSet("avg-m");
    ClearCommands();
    EXPECT_EQ(Send(), 0);
    EXPECT_EQ(pages.SelectedTab(), PAGE_AVERAGING);
    EXPECT_EQ(sim->Param("avg-a"), a) << "never left at 1 s";
    EXPECT_EQ(sim->Param("avg-c"), c);
    EXPECT_EQ(sim->Param("pulse-ms"), "250") << "nothing else is rolled back";
    const std::vector<std::string> cmds = Commands();
    ASSERT_GE(cmds.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(cmds.end() - 3, cmds.end()),
              (std::vector<std::string>{"set avg-m 600", "set avg-c " + c, "set avg-a " + a}));
    EXPECT_EQ(std::find(cmds.begin(), cmds.end(), "reboot"), cmds.end());
    EXPECT_EQ(bAdmin.load(), 1) << "no reboot, the unlock holds";
    const std::string m = messages->Last();
    EXPECT_EQ(m.rfind("E:The sensor refused a value !", 0), 0u) << m;
    EXPECT_NE(m.find("Could not set parameter 'Measurement duration' (avg-m=600)"), std::string::npos);
    EXPECT_NE(m.find("put back as loaded (avg-c=" + c + ", avg-a=" + a + ")"), std::string::npos) << m;
    EXPECT_EQ(m.find("check sensor connection"), std::string::npos) << "the sensor answered: no cable to blame";
    EXPECT_EQ(StateLog().back(), "idle");
    EXPECT_EQ(fe.LastPosition(), 100);
}

TEST_F(ConfigTest, RefusalOnAnotherPageSelectsThatPage)
{
    StartSim(SimOptions("GRESTOLV"));
    ASSERT_EQ(Load(0), 1);
    sim->RefuseSet("sys-clk");
    EXPECT_EQ(Send(), 0);
    EXPECT_EQ(pages.SelectedTab(), PAGE_EXPERT);
}

TEST_F(ConfigTest, BadValuesAreNamedOnTheirPageAndNothingIsSent)
{
    StartSim(SimOptions("KORVALIN"));
    ASSERT_EQ(Load(0), 1);
    struct Case {
        CtlId nId;
        std::string sValue;
        int nPage;
        const char* szMessage;
    };
    const std::string longValue(3000, '7');
    const Case cases[] = {
        {CTL_AVG_M, "600x", PAGE_AVERAGING,
         "Bad value in 'Measurement duration \"M\" (s)' on the page 'Averaging' : '600x' is not a whole number !\n"
         "Nothing has been sent to the sensor !"},
        {CTL_LIN_WC1, "1,5", PAGE_EXPERT, "'1,5' is not a number"},
        {CTL_CONS_IDLE, "", PAGE_SERIAL, "'Idle timeout(s)' on the page 'Serial' : it is empty"},
        {CTL_SDI12_ADDR, "0\rreset confirm", PAGE_SDI12, "it holds a line end or a zero byte"},
        {CTL_LIN_XE1, longValue, PAGE_EXPERT, "'7777777777777777777777777777777777777777...' is too long ("},
        {CTL_OUT2_DISABLED, "", PAGE_OUTPUTS, "'OUT2 (Analog)' on the page 'Outputs' : no choice is made"},
    };
    for (const Case& c : cases) {
        const std::string before = pages.Text(c.nId);
        if (c.nId == CTL_OUT2_DISABLED) {
            for (CtlId id : ParamControls(*SensorParamByKey("out2-mode")))
                pages.SetChecked(id, false);
        } else {
            pages.SetText(c.nId, c.sValue);
        }
        pages.SelectTab(PAGE_HOME);
        ClearCommands();
        EXPECT_EQ(Send(), 0) << c.szMessage;
        EXPECT_TRUE(sim->Commands().empty()) << c.szMessage << ": not even a wake-up";
        EXPECT_EQ(pages.SelectedTab(), c.nPage) << c.szMessage;
        EXPECT_EQ(pages.Focused(), c.nId) << c.szMessage;
        EXPECT_NE(messages->Last().find(c.szMessage), std::string::npos) << messages->Last();
        if (c.nId == CTL_OUT2_DISABLED)
            SetOut2Mode("off");
        else
            pages.SetText(c.nId, before);
    }
    ClearCommands();
    EXPECT_EQ(Send(), 1) << messages->Last();
}

}  // namespace

TEST_F(ConfigTest, AStopEndsTheSendBetweenParametersWithoutRebootOrMessage)
{
    StartSim(SimOptions("KORVALIN"));
    ASSERT_EQ(Load(1), 1);
    ClearCommands();
    sim->SetAnswerDelayMs(20);
    const size_t reported = messages->Count();
    ASSERT_EQ(SendSensorConfig(), 1);
    ASSERT_TRUE(WaitWithPump([this] { return !SetsOf(sim->Commands()).empty(); }, 60000));
    worker.RequestStop();
    ASSERT_TRUE(ops.WaitIdle(60000));
    EXPECT_EQ(ops.ChainResult(), 0);
    const std::vector<std::string> commands = Commands();
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "reboot"), 0) << "no reboot, no follow-up load";
    EXPECT_LT(SetsOf(commands).size(), 4u);
    EXPECT_EQ(messages->Count(), reported) << messages->Last();
    EXPECT_EQ(StateLog().back(), "idle") << "the progress window closed";
}
