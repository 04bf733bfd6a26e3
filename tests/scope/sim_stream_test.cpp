// The simulator's scope stream on the wire: frames at the line rate after
// "scopemode", the records of each kind, and a stream that ends when the
// host closes the line while the sensor stays in scope mode until a reboot.
#include <gtest/gtest.h>

#include <chrono>
#include <termios.h>
#include <thread>

#include "host_port.h"
#include "params.h"
#include "scope_stream.h"
#include "test_support.h"

namespace {

using varnsim::ScopeStream;

TEST(SimScopeStream, RecordsFollowTheKindEveryThreeSeconds)
{
    EXPECT_EQ(ScopeStream::Records(varnsim::kKorvalin, 5), "");
    const std::string flux = ScopeStream::Records(varnsim::kKorvalin, ScopeStream::kRecordEvery);
    EXPECT_EQ(flux.rfind("FLUX;1;g/m2/s;3;", 0), 0u) << flux;
    EXPECT_NE(flux.find("\r\nWIND;1;km/h;3;"), std::string::npos) << flux;
    EXPECT_EQ(ScopeStream::Records(varnsim::kMestralo, 12).rfind("RAIN;2;mm/h;3;", 0), 0u);
    EXPECT_EQ(ScopeStream::Records(varnsim::kGrestolv, 12).rfind("HAIL;2;hit/s;3;", 0), 0u);
    EXPECT_EQ(ScopeStream::Records(varnsim::kPalvetra, 6).rfind("WIND;1;", 0), 0u);
    EXPECT_EQ(ScopeStream::Records(varnsim::kOrbik, 6), "");
}

TEST(SimScopeStream, SignalUsesTheWholeTwelveBitsOnTheNoisyChannel)
{
    int lo0 = 4095, hi0 = 0, lo1 = 4095, hi1 = 0;
    for (uint64_t i = 0; i < 4000; i++) {
        const int a = ScopeStream::Sample(0, i, ScopeStream::kBinaryRate), b = ScopeStream::Sample(1, i, ScopeStream::kBinaryRate);
        lo0 = std::min(lo0, a), hi0 = std::max(hi0, a), lo1 = std::min(lo1, b), hi1 = std::max(hi1, b);
        EXPECT_LE(std::abs(a - b), 300);
    }
    EXPECT_EQ(lo0, 248);
    EXPECT_EQ(hi0, 3848);
    EXPECT_EQ(lo1, 0);
    EXPECT_EQ(hi1, 4095);
}

TEST(SimScopeStream, ScopeModeStreamsAtTheLineRateInTheFirmwaresFormat)
{
    for (const char* fw : {"2.81", "2.82"}) {
        varnsim::Options options = FastOptions();
        options.fwVersion = fw;
        options.paced = true;
        SimLine line(options);
        ASSERT_TRUE(line.started) << line.error;
        line.host->Wakeup();
        EXPECT_EQ(line.host->Command("scopemode"), "scopemode\r\nOK misc-scopemode=yes\r\n");
        const bool binary = fw[3] == '2';
        const std::string first = ScopeStream::Frame(1, binary);
        const auto began = std::chrono::steady_clock::now();
        const std::string got = line.host->Read(first.size(), 3000);
        EXPECT_EQ(got, first) << fw;
        // Half a second to acquire, then no faster than 115200 baud.
        EXPECT_GE(MsSince(began), 500.0 + 1000.0 * first.size() / varnsim::kLineBytesPerSecond - 50) << fw;
        EXPECT_EQ(line.host->Read(ScopeStream::Frame(2, binary).size(), 3000), ScopeStream::Frame(2, binary));
        // Commands are still answered beside the stream.
        line.host->Write("get fw-version\r");
        EXPECT_NE(line.host->Drain(1200).find("get fw-version\r\nOK fw-version=" + std::string(fw) + "\r\n"),
                  std::string::npos);
    }
}

TEST(SimScopeStream, ClosedLineEndsTheStreamButTheSensorStaysInScopeModeUntilReboot)
{
    varnsim::Options options = FastOptions();
    options.rebootMs = 50;
    SimLine line(options);
    ASSERT_TRUE(line.started) << line.error;
    line.host->Wakeup();
    line.host->Command("scopemode");
    EXPECT_FALSE(line.host->Read(100, 2000).empty());
    line.host.reset();   // the host closes the port

    // Once nobody has read for a while the sensor stops sending.
    ASSERT_TRUE(WaitUntil([&] { return !line.sim.Sending(); }));
    HostPort again(line.sim.PortPath());
    ASSERT_TRUE(again.Ok());
    tcflush(again.Fd(), TCIFLUSH);   // what the line held when the port was closed
    EXPECT_EQ(again.Drain(1200), "");
    EXPECT_EQ(line.sim.Param("misc-scopemode"), "yes");
    again.Wakeup();
    EXPECT_EQ(again.Command("get misc-scopemode"), "get misc-scopemode\r\nOK misc-scopemode=yes\r\n");
    EXPECT_EQ(again.Command("reboot"), "reboot\r\nOK rebooting\r\n");
    ASSERT_TRUE(WaitUntil([&] { return line.sim.ConsoleListening(); }));
    again.Wakeup();
    EXPECT_EQ(again.Command("get misc-scopemode"), "get misc-scopemode\r\nOK misc-scopemode=no\r\n");
}

}  // namespace
