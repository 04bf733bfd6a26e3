// Configuration load against the simulator: the requests in their order,
// the values on the pages, the kind adaptation, and the ways out.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <thread>
#include <utility>

#include "codecs.h"
#include "config_fixture.h"
#include "config_task.h"
#include "param_table.h"
#include "progress.h"
#include "sensor_kind.h"
#include "serial.h"

namespace {

struct Edge {
    const char* szKind;
    const char* szFirmware;
    bool bFlash;
};

void PrintTo(const Edge& e, std::ostream* os)
{
    *os << e.szKind << " " << e.szFirmware << (e.bFlash ? "" : " without flash");
}

std::string EdgeName(const ::testing::TestParamInfo<Edge>& info)
{
    std::string name = std::string(info.param.szKind) + "_" + info.param.szFirmware + (info.param.bFlash ? "" : "_noflash");
    for (char& c : name)
        if (c == '.')
            c = '_';
    return name;
}

// The controls a kind has disabled after a load on a sensor with logger
// hardware, written out from the adaptation description.
std::set<CtlId> ExpectedDisabled(int nType, int nFirmware, bool bLoggerHardware)
{
    std::set<CtlId> d;
    auto range = [&d](CtlId a, CtlId b) {
        for (int i = a; i <= b; i++)
            d.insert(static_cast<CtlId>(i));
    };
    switch (nType) {
    case SENSOR_TYPE_KORVALIN:
    case SENSOR_TYPE_DUVIKORN:
        d.insert({CTL_OUT1_HAIL, CTL_OUT2_HAIL, CTL_HAIL_RANGE});
        range(CTL_FIELD_8, CTL_FIELD_12);
        break;
    case SENSOR_TYPE_MESTRALO:
        d.insert({CTL_OUT1_WIND, CTL_OUT2_WIND, CTL_WIND_RANGE});
        if (nFirmware < 318)
            d.insert({CTL_OUT1_HAIL, CTL_OUT2_HAIL, CTL_HAIL_RANGE});
        d.insert({CTL_SDI12_WIND, CTL_SDI12_BOTH, CTL_SERIAL_WIND, CTL_SERIAL_BOTH});
        range(CTL_FIELD_5, CTL_FIELD_7);
        if (nFirmware < 324)
            range(CTL_FIELD_8, CTL_FIELD_12);
        range(CTL_LIN_WC1, CTL_LIN_WE2);
        break;
    case SENSOR_TYPE_GRESTOLV:
        d.insert({CTL_OUT1_WIND, CTL_OUT2_WIND, CTL_OUT1_HAIL, CTL_OUT2_HAIL, CTL_WIND_RANGE, CTL_HAIL_RANGE});
        d.insert({CTL_SDI12_WIND, CTL_SDI12_BOTH, CTL_SERIAL_WIND, CTL_SERIAL_BOTH});
        range(CTL_FIELD_5, CTL_FIELD_10);
        range(CTL_LIN_WC1, CTL_LIN_WE2);
        break;
    case SENSOR_TYPE_PALVETRA:
        d.insert({CTL_OUT1_PRIMARY, CTL_OUT2_PRIMARY, CTL_OUT1_PULSE, CTL_OUT2_PULSE, CTL_OUT1_HAIL, CTL_OUT2_HAIL,
                  CTL_PRIMARY_RANGE, CTL_HAIL_RANGE, CTL_PULSE_THLD, CTL_PULSE_LVL, CTL_PULSE_TO, CTL_PULSE_MS});
        d.insert({CTL_SDI12_PRIMARY, CTL_SDI12_BOTH, CTL_SERIAL_PRIMARY, CTL_SERIAL_BOTH});
        range(CTL_FIELD_0, CTL_FIELD_4);
        range(CTL_FIELD_8, CTL_FIELD_12);
        d.insert({CTL_EXPERT_THLD, CTL_LIN_XC1, CTL_LIN_XE1});
        break;
    }
    if (!bLoggerHardware)
        range(CTL_LOGGER_DISABLED, CTL_FIELD_7);
    return d;
}

// Captions that name the primary quantity, by kind.
struct KindCaptions {
    int nType;
    const char* szOut1Primary;
    const char* szUnit;
    const char* szThreshold;
    const char* szSdi12Primary;
    const char* szSerialBoth;
    const char* szField0;
    const char* szField4;
    const char* szField12;
    const char* szLinGroup;
    const char* szNoise;
    const char* szCalib;
};

const KindCaptions tCaptions[] = {
    {SENSOR_TYPE_KORVALIN, "Particles flux (Persistent, 0V to full-scale)", "g/m²/s", "Threshold (g/m²)",
     "Particles flux only", "Wind speed and particles flux", "Particles flux minimum (g/m²/s)",
     "Particles flux cumul (g/m²)", "Drop-size classes distribution (%)", "PARTICLES FLUX LINEARIZATION",
     "Flux noise threshold (mV)", "Particles flux calibration factor"},
    {SENSOR_TYPE_MESTRALO, "Rain intensity (Persistent, 0V to full-scale)", "mm/h", "Threshold (mm)",
     "Rain intensity, rain disdrometry and hailstones counting", "Wind speed and rain intensity",
     "Rain intensity minimum (mm/h)", "Rain intensity cumul (mm)", "Drop-size classes distribution (%)",
     "RAIN INTENSITY LINEARIZATION", "Rain noise threshold (mV)", "Rain intensity calibration factor"},
    {SENSOR_TYPE_GRESTOLV, "Hailstone count (Persistent, 0V to full-scale)", "hit/s", "Threshold (hit)",
     "Hailstone count and hailstone disdrometry", "Wind speed and hailstone count",
     "Hailstone count minimum (hit/s)", "Hailstone count cumul (hit)", "Hailstone size classes distribution (%)",
     "HAIL LINEARIZATION", "Hail noise threshold (mV)", "Hail calibration factor"},
};

const KindCaptions& CaptionsFor(int nType)
{
    // The flux kinds and PALVETRA share the particles flux captions.
    for (const KindCaptions& c : tCaptions)
        if (c.nType == nType)
            return c;
    return tCaptions[0];
}

void ExpectCaptions(MemoryPages& pages, int nType)
{
    const KindCaptions& c = CaptionsFor(nType);
    EXPECT_EQ(pages.Caption(CTL_OUT1_PRIMARY), c.szOut1Primary);
    EXPECT_EQ(pages.Caption(CTL_OUT2_PRIMARY), c.szOut1Primary);
    EXPECT_EQ(pages.Caption(CTL_PRIMARY_FS_UNIT), c.szUnit);
    EXPECT_EQ(pages.Caption(CTL_PULSE_THLD), c.szThreshold);
    EXPECT_EQ(pages.Caption(CTL_SDI12_PRIMARY), c.szSdi12Primary);
    EXPECT_EQ(pages.Caption(CTL_SERIAL_PRIMARY), c.szSdi12Primary);
    EXPECT_EQ(pages.Caption(CTL_SERIAL_BOTH), c.szSerialBoth);
    EXPECT_EQ(pages.Caption(CTL_FIELD_0), c.szField0);
    EXPECT_EQ(pages.Caption(CTL_FIELD_4), c.szField4);
    EXPECT_EQ(pages.Caption(CTL_FIELD_12), c.szField12);
    EXPECT_EQ(pages.Caption(CTL_PRIMARY_LIN_GROUP), c.szLinGroup);
    EXPECT_EQ(pages.Caption(CTL_EXPERT_THLD), c.szNoise);
    EXPECT_EQ(pages.Caption(CTL_CALIB_PRIMARY), c.szCalib);
}

class LoadEdgeTest : public ConfigTest, public ::testing::WithParamInterface<Edge> {};

TEST_P(LoadEdgeTest, RequestsValuesAndAdaptation)
{
    const Edge& e = GetParam();
    StartSim(SimOptions(e.szKind, e.szFirmware, e.bFlash));
    ASSERT_EQ(Load(1), 1) << messages->Last();
    const int type = SensorTypeFromName(e.szKind);
    const int fw = FirmwareHundredths(e.szFirmware);
    EXPECT_EQ(nSensorType.load(), type);
    EXPECT_EQ(nSensorFirmware.load(), fw);

    // The requests in their order: identification, the listing, every
    // parameter, the identity header.
    std::vector<std::string> expected = {"get sens-type", "get fw-version"};
    if (fw > 260)
        expected.push_back("get hw-extflash");
    expected.push_back("config");
    for (const std::string& key : ExpectedLoadKeys(type, fw))
        expected.push_back("get " + key);
    for (const std::string& get : IdentityGets())
        expected.push_back(get);
    EXPECT_EQ(Commands(), expected);
    EXPECT_EQ(messages->Count(), 0u) << messages->Last();

    // Every control shows the simulator's value.
    for (size_t i = 0; i < uSensorParamCount; i++) {
        const SensorParam& p = tSensorParams[i];
        if ((p.uOps & OP_LOAD) && p.nPage != PAGE_MAIN && SensorParamAppliesNow(p)) {
            EXPECT_EQ(ParamGetValue(p, USE_FILE), sim->Param(p.szKey)) << p.szKey;
        }
    }
    EXPECT_EQ(pages.Text(CTL_MAIN_VISA), sim->Param("hw-sn"));
    EXPECT_EQ(pages.Text(CTL_MAIN_SENSOR), e.szKind);
    EXPECT_EQ(pages.Text(CTL_SUMMARY_TEXT).find("sensor configuration"), std::string::npos)
        << "the heading before the blank line is not part of the listing";
    EXPECT_NE(pages.Text(CTL_SUMMARY_TEXT).find("out1-mode="), std::string::npos);
    EXPECT_EQ(pages.SelectedTab(), PAGE_SUMMARY);

    // Disabled and hidden controls of the adaptation; the rest as created.
    const bool hardware = fw > 260 && e.bFlash;
    EXPECT_EQ(bExtFlashPresent.load(), fw > 260 && e.bFlash ? 1 : 0);
    const std::set<CtlId> disabled = ExpectedDisabled(type, fw, hardware);
    for (const ConfigControlInfo& c : tConfigControls) {
        if (c.nPage < PAGE_OUTPUTS || c.nPage > PAGE_EXPERT || c.nId == CTL_SDI12_ADDR)
            continue;
        EXPECT_EQ(pages.Enabled(c.nId), c.bEnabled && disabled.count(c.nId) == 0) << c.szCaption;
        const bool hidden = type == SENSOR_TYPE_GRESTOLV &&
                            ((c.nId >= CTL_HAIL_FS_LABEL && c.nId <= CTL_HAIL_FS_UNIT) || c.nId == CTL_OUT1_HAIL ||
                             c.nId == CTL_OUT2_HAIL);
        EXPECT_EQ(pages.Visible(c.nId), !hidden) << c.szCaption;
    }
    EXPECT_EQ(pages.Enabled(CTL_SDI12_ADDR), sim->Param("sdi12-mode") != "off");
    ExpectCaptions(pages, type);
}

INSTANTIATE_TEST_SUITE_P(Kinds, LoadEdgeTest,
                         ::testing::Values(Edge{"KORVALIN", "2.60", true}, Edge{"KORVALIN", "2.61", true},
                                           Edge{"KORVALIN", "2.61", false}, Edge{"KORVALIN", "3.43", true},
                                           Edge{"DUVIKORN", "2.60", true}, Edge{"DUVIKORN", "2.61", true},
                                           Edge{"DUVIKORN", "2.61", false}, Edge{"DUVIKORN", "3.43", true},
                                           Edge{"PALVETRA", "2.60", true}, Edge{"PALVETRA", "2.61", true},
                                           Edge{"PALVETRA", "2.61", false}, Edge{"PALVETRA", "3.43", true},
                                           Edge{"GRESTOLV", "2.60", true}, Edge{"GRESTOLV", "2.61", true},
                                           Edge{"GRESTOLV", "2.61", false}, Edge{"GRESTOLV", "3.43", true},
                                           Edge{"MESTRALO", "2.60", true}, Edge{"MESTRALO", "2.61", true},
                                           Edge{"MESTRALO", "2.61", false}, Edge{"MESTRALO", "3.17", true},
                                           Edge{"MESTRALO", "3.18", true}, Edge{"MESTRALO", "3.20", true},
                                           Edge{"MESTRALO", "3.24", true}, Edge{"MESTRALO", "3.43", true}),
                         EdgeName);

TEST_F(ConfigTest, AnotherKindLaterInTheRunStartsClean)
{
    // A sensor of one kind, then one of another in the same pages: they
    // must end as the second alone leaves fresh pages, values included
    // (no logger mode, field box or capacity of the first on a sensor
    // that was never asked for them).
    const std::pair<const char*, const char*> runs[][2] = {
        {{"KORVALIN", "2.60"}, {"GRESTOLV", "3.45"}},
        {{"PALVETRA", "3.45"}, {"KORVALIN", "2.60"}},
        {{"GRESTOLV", "3.45"}, {"PALVETRA", "2.61"}},
    };
    for (const auto& run : runs) {
        const std::string name = std::string(run[0].first) + " then " + run[1].first;
        StartSim(SimOptions(run[0].first, run[0].second));
        ASSERT_EQ(Load(1), 1) << name;
        StopSim();
        StartSim(SimOptions(run[1].first, run[1].second));
        ASSERT_EQ(Load(1), 1) << name;

        MemoryPages fresh;
        ConfigAttachPages(&fresh);
        ConfigPagesCreate();
        fresh.SetConnected(true);
        ASSERT_EQ(Load(1), 1) << name;
        ConfigAttachPages(&pages);
        for (const ConfigControlInfo& c : tConfigControls) {
            EXPECT_EQ(pages.Caption(c.nId), fresh.Caption(c.nId)) << name << ": " << c.szCaption;
            EXPECT_EQ(pages.Enabled(c.nId), fresh.Enabled(c.nId)) << name << ": " << c.szCaption;
            EXPECT_EQ(pages.Visible(c.nId), fresh.Visible(c.nId)) << name << ": " << c.szCaption;
            EXPECT_EQ(pages.Text(c.nId), fresh.Text(c.nId)) << name << ": " << c.szCaption;
            EXPECT_EQ(pages.Checked(c.nId), fresh.Checked(c.nId)) << name << ": " << c.szCaption;
            EXPECT_EQ(pages.Selected(c.nId), fresh.Selected(c.nId)) << name << ": " << c.szCaption;
            EXPECT_TRUE(pages.Date(c.nId) == fresh.Date(c.nId)) << name << ": " << c.szCaption;
        }
        StopSim();
    }
}

TEST_F(ConfigTest, ProgressOpensOnceReportsTheStepsAndClosesAtFull)
{
    StartSim(SimOptions("KORVALIN"));
    ASSERT_EQ(Load(0), 1);
    EXPECT_EQ(StateLog(), (std::vector<std::string>{"busy:Loading...", "idle"}));
    const std::vector<std::pair<int, std::string>> r = fe.Progresses();
    ASSERT_GE(r.size(), 3u);
    // The status alone, then the sum of the first 100/43 step.
    EXPECT_EQ(r[0].second, "Waking up");
    EXPECT_EQ(r[0].first, TASK_POSITION_KEEP);
    EXPECT_EQ(r[1].second, "Waking up... (2 %)...");
    EXPECT_EQ(r[1].first, 2);
    EXPECT_EQ(r.back().first, 100);
    const std::vector<int> positions = Positions();
    for (size_t i = 1; i < positions.size(); i++)
        EXPECT_GE(positions[i], positions[i - 1]);
    // Reloading keeps the tab the user is on.
    EXPECT_EQ(pages.SelectedTab(), PAGE_HOME);
}

TEST_F(ConfigTest, FailureOnAPageSelectsItAndLeavesWhatWasNotLoadedEmpty)
{
    StartSim(SimOptions("KORVALIN"));
    pages.SetText(CTL_AVG_M, "from an earlier sensor");
    sim->RefuseGet("avg-c");
    EXPECT_EQ(Load(1), 0);
    EXPECT_EQ(pages.SelectedTab(), PAGE_AVERAGING);
    EXPECT_TRUE(pages.Connected()) << "the sensor answers: the window stays connected";
    EXPECT_EQ(pages.Text(CTL_AVG_A), sim->Param("avg-a"));
    EXPECT_EQ(pages.Text(CTL_AVG_M), "") << "a value that was not read is not shown";
    EXPECT_EQ(pages.Text(CTL_LIN_WC1), "");
    const std::vector<std::string> c = Commands();
    EXPECT_EQ(c.back(), "get avg-c") << "no request after the refused one, no identity header";
    const std::vector<std::string> m = messages->Texts();
    ASSERT_EQ(m.size(), 2u);
    EXPECT_NE(m[0].find("Could not get parameter 'Cycle duration' (avg-c)"), std::string::npos);
    EXPECT_EQ(m[1], "W:The values of the pages Averaging, Expert, Factory were not read from the sensor: they are "
                    "left empty, and nothing is sent while one of them is !");
    EXPECT_EQ(StateLog().back(), "idle");
    EXPECT_EQ(fe.LastPosition(), 100);
    // And nothing of it goes out.
    sim->ClearFaults();
    ClearCommands();
    EXPECT_EQ(Send(), 0);
    EXPECT_TRUE(sim->Commands().empty());
}

TEST_F(ConfigTest, LoadCutByAHangUpEndsDisconnected)
{
    for (const char* cutAfter : {"", "get sdi12-mode"}) {
        StartSim(SimOptions("KORVALIN"));
        sim->SetAnswerDelayMs(20);
        ASSERT_EQ(LoadSensorConfig(1), 1);
        if (cutAfter[0] != '\0') {
            while (ops.Busy()) {
                const std::vector<std::string> c = sim->Commands();
                if (std::find(c.begin(), c.end(), cutAfter) != c.end())
                    break;
                std::this_thread::yield();
            }
        }
        sim->HangUp();
        ASSERT_TRUE(ops.WaitIdle(60000));
        EXPECT_EQ(ops.ChainResult(), 0) << cutAfter;
        EXPECT_FALSE(pages.Connected()) << cutAfter;
        EXPECT_EQ(hSerial.load(), SERIAL_INVALID_HANDLE) << cutAfter;
        EXPECT_EQ(pages.SelectedTab(), PAGE_HOME) << cutAfter;
        StopSim();
    }
}

TEST_F(ConfigTest, UnsupportedTypeKeepsTheKindAsksNothingMoreAndDisconnects)
{
    StartSim(SimOptions("KORVALIN"));
    nSensorType = SENSOR_TYPE_MESTRALO;
    for (const char* refused : {"korvalin", " KORVALIN", "KORVALIN "}) {
        if (hSerial.load() == SERIAL_INVALID_HANDLE) {
            ASSERT_EQ(SerialOpen(sim->PortPath().c_str()), 1);
            DlgMainStatus(1);
        }
        sim->SetParam("sens-type", refused);
        ClearCommands();
        EXPECT_EQ(Load(1), 0);
        EXPECT_EQ(messages->Last(), std::string("E:Unsupported sensor '") + refused + "' !");
        EXPECT_EQ(nSensorType.load(), SENSOR_TYPE_MESTRALO);
        EXPECT_STREQ(szSensorType, refused);
        EXPECT_EQ(Commands(), std::vector<std::string>{"get sens-type"});
        EXPECT_EQ(pages.SelectedTab(), PAGE_HOME);
        EXPECT_FALSE(pages.Connected());
        EXPECT_EQ(hSerial.load(), SERIAL_INVALID_HANDLE);
    }
}

TEST_F(ConfigTest, BlankSerialNumberShowsUnknown)
{
    StartSim(SimOptions("GRESTOLV"));
    sim->SetParam("sens-sn", "   ");
    ASSERT_EQ(Load(1), 1);
    EXPECT_EQ(pages.Text(CTL_SENS_SN), "unknown");
    EXPECT_EQ(pages.Text(CTL_MAIN_SN), "unknown");
}

TEST_F(ConfigTest, DebugModeAskedAndSwitchedOffThenAFreshLoad)
{
    StartSim(SimOptions("MESTRALO", "3.20"));
    sim->SetParam("misc-dbg", "0x0004");
    fe.nAnswer = 1;
    ASSERT_EQ(Load(0), 1) << messages->Last();
    EXPECT_EQ(fe.Questions(), std::vector<std::string>{"The debug mode of this sensor is currently enabled !\n"
                                                       "Do you want to disable debug mode now ?"});
    EXPECT_EQ(sim->Param("misc-dbg"), "0x0000");
    const std::vector<std::string> c = Commands();
    auto off = std::find(c.begin(), c.end(), "debug all off");
    ASSERT_NE(off, c.end());
    ASSERT_NE(off + 1, c.end());
    EXPECT_EQ(*(off + 1), "reboot");
    // The fresh load after the reboot, behind its own progress window that
    // opened only after the first one closed.
    EXPECT_NE(std::find(off, c.end(), "get sens-type"), c.end());
    EXPECT_EQ(StateLog(), (std::vector<std::string>{"busy:Loading...", "idle", "busy:Loading...", "idle"}));
    EXPECT_NE(std::find(messages->Texts().begin(), messages->Texts().end(), "I:Debug mode wav successfully disabled !"),
              messages->Texts().end());
    EXPECT_EQ(pages.SelectedTab(), PAGE_SUMMARY);
}

TEST_F(ConfigTest, DebugModeLeftOnWhenTheUserSaysNo)
{
    StartSim(SimOptions("KORVALIN"));
    sim->SetParam("misc-dbg", "0x0001");
    fe.nAnswer = 0;
    ASSERT_EQ(Load(0), 1);
    EXPECT_EQ(fe.Questions().size(), 1u);
    EXPECT_EQ(Commands().back(), "get misc-scopemode");
    EXPECT_EQ(StateLog().size(), 2u);
}

TEST_F(ConfigTest, ScopeModeWarnsAndDisconnects)
{
    StartSim(SimOptions("PALVETRA"));
    sim->SetParam("misc-scopemode", "yes");
    bAdmin = 1;
    EXPECT_EQ(Load(1), 0);
    EXPECT_EQ(messages->Last(), "W:The scope mode of this sensor is currently enabled, please reboot the sensor !");
    EXPECT_FALSE(pages.Connected());
    EXPECT_EQ(pages.SelectedTab(), PAGE_HOME);
    EXPECT_EQ(hSerial.load(), SERIAL_INVALID_HANDLE);
    EXPECT_EQ(bAdmin.load(), 0);
    EXPECT_EQ(StateLog().back(), "idle");
}

TEST_F(ConfigTest, ConnectRefusesNoPortAndLoadsWithTheSummary)
{
    EXPECT_EQ(DlgMainConnect("Select..."), 0);
    EXPECT_EQ(messages->Last(), "E:No serial port selected !");
    EXPECT_EQ(DlgMainConnect(""), 0);
    StartSim(SimOptions("DUVIKORN"));
    SerialClose();
    ASSERT_EQ(DlgMainConnect(sim->PortPath().c_str()), 1);
    EXPECT_TRUE(pages.Connected());
    ASSERT_TRUE(ops.WaitIdle(60000));
    EXPECT_EQ(ops.ChainResult(), 1);
    EXPECT_EQ(pages.SelectedTab(), PAGE_SUMMARY);
}

TEST_F(ConfigTest, OneWorkerAtATime)
{
    StartSim(SimOptions("KORVALIN"));
    ASSERT_EQ(LoadSensorConfig(0), 1);
    EXPECT_EQ(LoadSensorConfig(0), 0);
    EXPECT_EQ(SendSensorConfig(), 0);
    ASSERT_TRUE(ops.WaitIdle(60000));
    EXPECT_EQ(StateLog().size(), 2u);
}

TEST_F(ConfigTest, ResetAsksThenRestoresDefaultsLocksAndReloads)
{
    StartSim(SimOptions("KORVALIN"));
    sim->SetParam("avg-m", "1200");
    fe.nAnswer = 0;
    EXPECT_EQ(DlgMainReset(), 0);
    EXPECT_TRUE(Commands().empty());
    EXPECT_EQ(sim->Param("avg-m"), "1200");

    bAdmin = 1;
    fe.nAnswer = 1;
    ASSERT_EQ(DlgMainReset(), 1);
    ASSERT_TRUE(ops.WaitIdle(60000));
    EXPECT_EQ(Commands().front(), "reset confirm");
    EXPECT_EQ(bAdmin.load(), 0);
    EXPECT_EQ(sim->Param("avg-m"), "600");
    EXPECT_EQ(pages.Text(CTL_AVG_M), "600");
    EXPECT_FALSE(pages.Enabled(CTL_SENS_VERSION));
}

TEST_F(ConfigTest, UnlockTakesTheSensorsAnswer)
{
    StartSim(SimOptions("PALVETRA"));
    ASSERT_EQ(Load(0), 1);
    EXPECT_EQ(Unlock("wrong"), 0);
    EXPECT_NE(messages->Last().find("Could not unlock factory parameters"), std::string::npos);
    EXPECT_FALSE(pages.Enabled(CTL_CALIB_WIND));

    EXPECT_EQ(Unlock("varn"), 1);
    EXPECT_EQ(messages->Last(), "I:Factory parameters are unlocked !");
    EXPECT_TRUE(pages.Enabled(CTL_CALIB_WIND));
    EXPECT_TRUE(pages.Enabled(CTL_SENS_DATE));
    EXPECT_FALSE(pages.Enabled(CTL_CALIB_PRIMARY)) << "PALVETRA has no primary calibration factor";

    // Cancelled: nothing changes, and an unlock in force is announced again.
    SetPasswordDialog([](std::string*) { return false; });
    ClearCommands();
    EXPECT_EQ(DlgFactoryUnlock(), 1);
    EXPECT_TRUE(Commands().empty());
    EXPECT_EQ(messages->Last(), "I:Factory parameters are unlocked !");

    // A line end in the password never reaches the line.
    bAdmin = 0;
    EXPECT_EQ(Unlock("varn\rreset confirm"), 0);
    EXPECT_TRUE(Commands().empty());
}

}  // namespace
