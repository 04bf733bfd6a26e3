// The console on the wire: wake-up, echo and status, the parameter checks
// that keep values decodable by the configuration program, and the console
// faults.
#include <gtest/gtest.h>

#include <thread>

#include "host_port.h"
#include "test_support.h"

using namespace std::chrono_literals;
using varnsim::Options;

namespace {

class Console : public testing::Test {
protected:
    void Open(const Options& options)
    {
        line_ = std::make_unique<SimLine>(options);
        ASSERT_TRUE(line_->started) << line_->error;
        ASSERT_TRUE(line_->host->Ok());
    }
    void OpenAwake(const Options& options)
    {
        Open(options);
        host().Wakeup();
    }
    HostPort& host() { return *line_->host; }
    varnsim::Simulator& sim() { return line_->sim; }

    bool Accepted(const std::string& command)
    {
        const std::string answer = host().Command(command);
        const size_t status = answer.find("\r\n") + 2;
        return answer.compare(status, 2, "OK") == 0;
    }

    std::unique_ptr<SimLine> line_;
};

TEST_F(Console, SleepsUntilWakeupAndIgnoresOtherInput)
{
    Open(FastOptions());
    host().Write("get sens-type\r");
    EXPECT_EQ(host().Drain(200), "");
    EXPECT_FALSE(sim().ConsoleAwake());

    // Leftovers before the word do not matter; the answer is free and the
    // host discards it.
    host().Write("zz\x01wakeup!\r");
    EXPECT_NE(host().ReadUntil("\r\n", 500).find("wakeup!"), std::string::npos);
    host().Drain(50);
    EXPECT_TRUE(sim().ConsoleAwake());
    // Awake, "wakeup!" is a harmless command: a host sends it several times.
    EXPECT_EQ(host().Command("wakeup!"), "wakeup!\r\nOK awake\r\n");
}

TEST_F(Console, EchoesEachLineThenOneStatusLine)
{
    OpenAwake(FastOptions());
    EXPECT_EQ(host().Command("get sens-type"), "get sens-type\r\nOK sens-type=KORVALIN\r\n");
    EXPECT_EQ(host().Command("get fw-version"), "get fw-version\r\nOK fw-version=3.45\r\n");
    EXPECT_EQ(host().Command("set out1-mode pulse"), "set out1-mode pulse\r\nOK out1-mode=pulse\r\n");
    EXPECT_EQ(sim().Param("out1-mode"), "pulse");

    // Refusals: the echo, then a status line not beginning with OK whose
    // text after '=' is the reason.
    EXPECT_EQ(host().Command("set out1-mode rain"), "set out1-mode rain\r\nERROR=Invalid value\r\n");
    EXPECT_EQ(sim().Param("out1-mode"), "pulse");
    EXPECT_EQ(host().Command("get no-such-key"), "get no-such-key\r\nERROR=Unknown parameter\r\n");
    EXPECT_EQ(host().Command("set sens-type MESTRALO"), "set sens-type MESTRALO\r\nERROR=Read-only parameter\r\n");
    EXPECT_EQ(host().Command("frobnicate"), "frobnicate\r\nERROR=Unknown command\r\n");
    // Nothing trails a status line.
    EXPECT_EQ(host().Drain(100), "");
}

TEST_F(Console, KindAndFirmwareDecideWhichKeysExist)
{
    struct Case {
        const char* kind;
        const char* fw;
        std::vector<const char*> present, absent;
    };
    const Case cases[] = {
        {"PALVETRA", "3.45", {"range-wind", "fscale-wind", "lin-wc1", "lin-we2", "calib-wind", "misc-pwrdly"},
         {"range-flux", "pulse-thld", "lin-xc1", "thld-flux", "calib-flux", "range-hail"}},
        {"KORVALIN", "3.45", {"range-flux", "fscale-flux", "thld-flux", "calib-flux", "range-wind", "sys-watchdog"},
         {"range-rain", "thld-hail"}},
        {"MESTRALO", "3.17", {"range-rain", "thld-rain", "calib-rain"}, {"range-hail", "fscale-hail", "range-wind"}},
        {"MESTRALO", "3.18", {"range-hail", "fscale-hail"}, {"thld-hail", "calib-hail"}},
        {"GRESTOLV", "3.42", {"range-hail", "thld-hail", "calib-hail"}, {"range-wind", "lin-wc1", "sys-watchdog"}},
        {"DUVIKORN", "2.60", {"sens-type", "misc-dbg"}, {"hw-extflash", "logger-mode", "logger-cfg", "logger-usage"}},
        {"DUVIKORN", "2.61", {"hw-extflash", "logger-mode", "logger-cfg", "logger-capa"}, {}},
        {"ORBIK", "3.45", {"sens-type", "sdi12-mode", "avg-m"}, {"range-wind", "pulse-thld"}},
    };
    for (const Case& c : cases) {
        Options options = FastOptions(c.kind);
        options.fwVersion = c.fw;
        OpenAwake(options);
        for (const char* key : c.present)
            EXPECT_TRUE(Accepted(std::string("get ") + key)) << c.kind << " " << c.fw << " lacks " << key;
        for (const char* key : c.absent)
            EXPECT_FALSE(Accepted(std::string("get ") + key)) << c.kind << " " << c.fw << " has " << key;
        line_.reset();
    }
}

TEST_F(Console, AcceptsOnlyValuesThatReadBackIntoTheSameChoice)
{
    Options mestralo = FastOptions("MESTRALO");
    mestralo.fwVersion = "3.18";
    OpenAwake(mestralo);
    EXPECT_TRUE(Accepted("set out1-mode rain"));
    EXPECT_TRUE(Accepted("set out1-mode hail"));  // its hail channel from 3.18
    EXPECT_FALSE(Accepted("set out1-mode flux"));
    EXPECT_FALSE(Accepted("set out1-mode wind"));
    EXPECT_FALSE(Accepted("set out1-mode raw"));  // only the second output has the raw signal
    EXPECT_TRUE(Accepted("set out2-mode raw"));
    EXPECT_FALSE(Accepted("set sdi12-mode all"));  // no wind channel to combine with
    EXPECT_TRUE(Accepted("set sdi12-mode rain"));
    line_.reset();

    OpenAwake(FastOptions("DUVIKORN"));
    EXPECT_FALSE(Accepted("set out2-mode sand"));  // stored, it would come back as "flux"
    EXPECT_TRUE(Accepted("set serial-mode all"));
    EXPECT_TRUE(Accepted("set range-flux 2V5"));
    EXPECT_EQ(sim().Param("fscale-flux"), "10.00");  // full scale follows the range
    for (const char* bad : {"5 V", "2v5", "", "10V"})
        EXPECT_FALSE(Accepted(std::string("set range-wind ") + bad)) << bad;
    EXPECT_TRUE(Accepted("set logger-cfg 8191"));
    EXPECT_FALSE(Accepted("set logger-cfg 8192"));
    EXPECT_FALSE(Accepted("set logger-cfg 0x1F"));
    EXPECT_FALSE(Accepted("set sys-speed 64MHz"));
    EXPECT_TRUE(Accepted("set sys-speed 32MHz"));
    EXPECT_FALSE(Accepted("set sys-clk Internal"));
    EXPECT_FALSE(Accepted("set lin-wc1 1.2.3"));
    EXPECT_TRUE(Accepted("set lin-wc1 -0.25"));
    EXPECT_FALSE(Accepted("set cons-idle 0"));
    EXPECT_FALSE(Accepted("set sdi12-addr 12"));
    EXPECT_TRUE(Accepted("set sdi12-addr b"));
}

TEST_F(Console, FactoryParametersNeedTheAdminPassword)
{
    OpenAwake(FastOptions());
    EXPECT_EQ(host().Command("set sens-sn SN-1"), "set sens-sn SN-1\r\nERROR=Factory parameter locked\r\n");
    EXPECT_FALSE(Accepted("admin wrong"));
    EXPECT_FALSE(sim().AdminUnlocked());
    EXPECT_TRUE(Accepted("admin varn"));
    EXPECT_TRUE(Accepted("set sens-sn SN 0042"));  // blanks are part of the value
    EXPECT_EQ(sim().Param("sens-sn"), "SN 0042");
    EXPECT_TRUE(Accepted("set sens-date 2019-03-05"));
    for (const char* bad : {"2019-3-05", "2019/03/05", "2019-02-30", "05-03-2019"})
        EXPECT_FALSE(Accepted(std::string("set calib-date ") + bad)) << bad;
    EXPECT_FALSE(Accepted("set sens-sn " + std::string(33, 'x')));
    EXPECT_FALSE(Accepted("set sens-sn    "));

    // The unlock survives sleeping (a host wakes the console before each
    // series of commands) but not a reboot.
    host().Command("reboot");
    ASSERT_TRUE(WaitUntil([&] { return sim().ConsoleListening(); }));
    host().Wakeup();
    EXPECT_FALSE(Accepted("set sens-sn SN-2"));
}

TEST_F(Console, KeepsAcquisitionWithinCycleWithinMeasurement)
{
    OpenAwake(FastOptions());  // A=5, C=60, M=600
    EXPECT_FALSE(Accepted("set avg-a 100"));
    EXPECT_FALSE(Accepted("set avg-m 30"));
    // The configuration program's order reaches any valid triple.
    for (const char* step : {"set avg-a 1", "set avg-c 1", "set avg-m 30", "set avg-c 10", "set avg-a 5"})
        EXPECT_TRUE(Accepted(step)) << step;
    EXPECT_EQ(sim().Param("avg-m"), "30");
}

TEST_F(Console, ConfigListingFitsOneReadBetweenTwoBlankLines)
{
    for (const char* kind : {"KORVALIN", "DUVIKORN", "MESTRALO", "PALVETRA", "GRESTOLV", "ORBIK"}) {
        OpenAwake(FastOptions(kind));
        // The longest values the console accepts.
        ASSERT_TRUE(Accepted("admin varn"));
        const std::string longText(32, 'W');
        for (const char* key : {"sens-version", "sens-sn", "hw-version"})
            ASSERT_TRUE(Accepted(std::string("set ") + key + " " + longText));
        host().Write("config\r");
        const std::string answer = host().ReadUntil("\r\n\r\nOK\r\n", 1000);
        EXPECT_LT(answer.size(), 2048u) << kind;
        const size_t first = answer.find("\r\n\r\n");
        ASSERT_NE(first, std::string::npos) << kind;
        EXPECT_EQ(answer.rfind("config\r\n", 0), 0u);
        const size_t second = answer.find("\r\n\r\n", first + 4);
        ASSERT_NE(second, std::string::npos) << kind;
        const std::string listing = answer.substr(first + 4, second - first - 4);
        EXPECT_NE(listing.find("avg-m"), std::string::npos) << kind;
        EXPECT_NE(listing.find(longText), std::string::npos) << kind;
        EXPECT_EQ(host().Drain(50), "");
        line_.reset();
    }
}

TEST_F(Console, ResetRestoresDefaultsAndRelocks)
{
    OpenAwake(FastOptions("GRESTOLV"));
    const std::string defaultMode = sim().Param("out1-mode");
    ASSERT_TRUE(Accepted("set out1-mode pulse"));
    ASSERT_TRUE(Accepted("set thld-hail 12.5"));
    ASSERT_TRUE(Accepted("admin varn"));
    EXPECT_FALSE(Accepted("reset"));
    EXPECT_EQ(sim().Param("out1-mode"), "pulse");
    EXPECT_TRUE(Accepted("reset confirm"));
    EXPECT_EQ(sim().Param("out1-mode"), defaultMode);
    EXPECT_EQ(sim().Param("thld-hail"), "60");
    EXPECT_FALSE(sim().AdminUnlocked());
}

TEST_F(Console, DebugScopeModeAndRebootState)
{
    Options options = FastOptions();
    options.rebootMs = 100;
    OpenAwake(options);
    sim().SetParam("misc-dbg", "0x0010");
    EXPECT_EQ(host().Command("get misc-dbg"), "get misc-dbg\r\nOK misc-dbg=0x0010\r\n");
    EXPECT_EQ(host().Command("debug all off"), "debug all off\r\nOK misc-dbg=0x0000\r\n");
    EXPECT_EQ(host().Command("scopemode"), "scopemode\r\nOK misc-scopemode=yes\r\n");
    EXPECT_EQ(sim().Param("misc-scopemode"), "yes");

    EXPECT_EQ(host().Command("reboot"), "reboot\r\nOK rebooting\r\n");
    host().Write("wakeup!\r");  // deaf while rebooting
    EXPECT_EQ(host().Drain(60), "");
    ASSERT_TRUE(WaitUntil([&] { return sim().ConsoleListening(); }));
    EXPECT_FALSE(sim().ConsoleAwake());  // comes back asleep
    host().Wakeup();
    EXPECT_EQ(host().Command("get misc-scopemode"), "get misc-scopemode\r\nOK misc-scopemode=no\r\n");
    EXPECT_EQ(sim().Param("misc-dbg"), "0x0000");  // the debug setting is kept
}

TEST_F(Console, FallsAsleepWhenIdle)
{
    Options options = FastOptions();
    options.consoleIdleMs = 150;
    OpenAwake(options);
    EXPECT_TRUE(Accepted("get sens-type"));
    ASSERT_TRUE(WaitUntil([&] { return !sim().ConsoleAwake(); }));
    host().Write("get sens-type\r");
    EXPECT_EQ(host().Drain(150), "");
}

TEST_F(Console, RefusesChosenKeys)
{
    OpenAwake(FastOptions());
    sim().RefuseSet("avg-m");
    sim().RefuseGet("hw-sn");
    EXPECT_EQ(host().Command("set avg-m 600"), "set avg-m 600\r\nERROR=Refused\r\n");
    EXPECT_TRUE(Accepted("get avg-m"));
    EXPECT_FALSE(Accepted("get hw-sn"));
    sim().ClearFaults();
    EXPECT_TRUE(Accepted("set avg-m 600"));
}

TEST_F(Console, DamagesTheNextEchoOnly)
{
    OpenAwake(FastOptions());
    sim().GarbleNextEcho();
    const std::string garbled = host().Command("get sens-type");
    const std::string echo = garbled.substr(0, garbled.find("\r\n"));
    ASSERT_EQ(echo.size(), std::string("get sens-type").size());
    int differences = 0;
    for (size_t i = 0; i < echo.size(); ++i)
        differences += echo[i] != "get sens-type"[i];
    EXPECT_EQ(differences, 1);
    EXPECT_EQ(host().Command("get sens-type"), "get sens-type\r\nOK sens-type=KORVALIN\r\n");

    sim().NextEchoTrailingBlank();
    EXPECT_EQ(host().Command("get sens-type"), "get sens-type \r\nOK sens-type=KORVALIN\r\n");
    EXPECT_EQ(host().Command("get sens-type"), "get sens-type\r\nOK sens-type=KORVALIN\r\n");
}

TEST_F(Console, GoesSilentAndResumes)
{
    OpenAwake(FastOptions());
    sim().SetSilent(true);
    host().Write("set avg-m 900\r");
    EXPECT_EQ(host().Drain(150), "");
    EXPECT_EQ(sim().Param("avg-m"), "600");  // not heard at all
    sim().SetSilent(false);
    EXPECT_TRUE(Accepted("get sens-type"));
}

TEST_F(Console, AnswersLate)
{
    OpenAwake(FastOptions());
    sim().SetAnswerDelayMs(300);
    const auto start = std::chrono::steady_clock::now();
    host().Write("get sens-type\r");
    EXPECT_EQ(host().Drain(200), "");
    EXPECT_EQ(host().ReadUntil("KORVALIN\r\n", 1000), "get sens-type\r\nOK sens-type=KORVALIN\r\n");
    EXPECT_GE(MsSince(start), 290);
}

} // namespace
