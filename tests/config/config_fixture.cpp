#include "config_fixture.h"

#include "appframe.h"
#include "codecs.h"
#include "config_task.h"
#include "progress.h"
#include "sensor_kind.h"
#include "serial.h"

namespace {

// Enough for an unpaced simulator, short enough that a load takes about a
// second (five wake-up reads and the listing read each last this long).
constexpr unsigned TEST_IDENTIFY_MS = 120;
constexpr unsigned TEST_REBOOT_WAIT_MS = 150;
constexpr unsigned TEST_WAIT_MS = 60000;

}  // namespace

varnsim::Options SimOptions(const std::string& sKind, const std::string& sFirmware, bool bFlash)
{
    varnsim::Options o;
    o.kind = sKind;
    o.fwVersion = sFirmware;
    o.externalFlash = bFlash;
    o.paced = false;
    o.bootWindowMs = 0;
    o.rebootMs = 50;
    return o;
}

void ConfigTest::SetUp()
{
    AppStartupFrameIn(PROGRAM_CONFIG, dir.Path().c_str());
    ConfigResetState();
    messages = std::make_unique<MessageRecorder>();
    ConfigAttachOperations(&ops);
    ConfigAttachPages(&pages);
    ConfigAttachFrontEnd(&fe);
    ConfigPagesCreate();
    tConfigTimeouts.uIdentifyMs = TEST_IDENTIFY_MS;
    tConfigTimeouts.uRebootWaitMs = TEST_REBOOT_WAIT_MS;
    SetPasswordDialog(nullptr);
}

void ConfigTest::TearDown()
{
    ops.WaitIdle(TEST_WAIT_MS);
    StopSim();
    ConfigAttachOperations(nullptr);
    ConfigAttachFrontEnd(nullptr);
    ConfigAttachPages(nullptr);
    SetPasswordDialog(nullptr);
    tConfigTimeouts = ConfigTimeouts();
    messages.reset();
}

void ConfigTest::StartSim(const varnsim::Options& tOptions)
{
    sim = std::make_unique<varnsim::Simulator>(tOptions);
    std::string error;
    ASSERT_TRUE(sim->Start(&error)) << error;
    ASSERT_EQ(SerialOpen(sim->PortPath().c_str()), 1);
    DlgMainStatus(1);
}

void ConfigTest::StopSim()
{
    SerialClose();
    if (sim)
        sim->Stop();
    sim.reset();
}

int ConfigTest::Load(int bShowSummary)
{
    const int started = LoadSensorConfig(bShowSummary);
    EXPECT_TRUE(ops.WaitIdle(TEST_WAIT_MS));
    return started && ops.ChainResult();
}

int ConfigTest::Send()
{
    const int started = SendSensorConfig();
    EXPECT_TRUE(ops.WaitIdle(TEST_WAIT_MS));
    return started && ops.ChainResult();
}

int ConfigTest::Unlock(const std::string& sPassword)
{
    SetPasswordDialog([sPassword](std::string* pText) {
        *pText = sPassword;
        return true;
    });
    return DlgFactoryUnlock();
}

std::vector<std::string> ConfigTest::StateLog() const
{
    const std::vector<int> states = fe.States();
    const std::vector<std::string> titles = fe.Titles();
    std::vector<std::string> log;
    size_t title = 0;
    for (int state : states)
        log.push_back(state == TASK_IDLE ? std::string("idle")
                                         : "busy:" + (title < titles.size() ? titles[title++] : std::string()));
    return log;
}

std::vector<int> ConfigTest::Positions() const
{
    std::vector<int> v;
    for (const auto& [position, text] : fe.Progresses())
        if (position != TASK_POSITION_KEEP)
            v.push_back(position);
    return v;
}

std::vector<std::string> ConfigTest::Commands() const
{
    std::vector<std::string> v;
    for (const std::string& c : sim->Commands())
        if (c != "wakeup!")
            v.push_back(c);
    return v;
}

void ConfigTest::ClearCommands()
{
    sim->ClearCommands();
}

std::vector<std::string> ExpectedLoadKeys(int nType, int nFirmware)
{
    const unsigned kind = KindBit(nType);
    const bool primary = (kind & KINDS_PRIMARY) != 0;
    const bool wind = (kind & KINDS_WIND) != 0;
    const bool hailRow = nType == SENSOR_TYPE_MESTRALO && nFirmware >= 318;
    const std::string suffix = tSensorKinds[nType].szSuffix;
    std::vector<std::string> k = {"out1-mode", "out2-mode"};
    if (primary)
        k.push_back("range-" + suffix);
    if (wind)
        k.push_back("range-wind");
    if (hailRow)
        k.push_back("range-hail");
    if (primary)
        k.push_back("fscale-" + suffix);
    if (wind)
        k.push_back("fscale-wind");
    if (hailRow)
        k.push_back("fscale-hail");
    if (primary)
        k.insert(k.end(), {"pulse-thld", "pulse-to", "pulse-lvl", "pulse-ms"});
    k.insert(k.end(), {"sdi12-mode", "sdi12-addr", "serial-mode", "cons-idle"});
    if (nFirmware > 260)
        k.insert(k.end(), {"logger-mode", "logger-cfg"});
    k.insert(k.end(), {"avg-a", "avg-c", "avg-m"});
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
    k.insert(k.end(), {"sens-version", "sens-date", "sens-sn", "hw-version", "hw-date", "calib-date"});
    if (primary)
        k.push_back("calib-" + suffix);
    if (wind)
        k.push_back("calib-wind");
    return k;
}

std::vector<std::string> IdentityGets()
{
    return {"get sens-type",  "get sens-version", "get sens-date", "get sens-sn", "get hw-version",
            "get fw-version", "get hw-sn",        "get misc-dbg",  "get misc-scopemode"};
}
