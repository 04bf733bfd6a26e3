// The line itself: pacing, the raw pseudo-terminal, the published link and
// the hang-up.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "crc16.h"
#include "host_port.h"
#include "line_pacer.h"
#include "test_support.h"

using namespace std::chrono_literals;
using varnsim::LinePacer;
using varnsim::Options;
using varnsim::TimePoint;

namespace {

TEST(LinePacer, ReleasesBytesAtTheLineRateWithoutDrift)
{
    LinePacer pacer(11520);
    const TimePoint t0{};
    pacer.Begin(t0);
    EXPECT_EQ(pacer.Due(t0), 0u);
    EXPECT_EQ(pacer.Due(t0 + 1ms), 11u);
    // Taking bytes in small or late steps never adds up to more than the
    // clock allows, even after a long transfer.
    size_t taken = 0;
    long long last = 0;
    for (long long ms = 1; ms <= 100000; ms += 7) {
        const size_t due = pacer.Due(t0 + std::chrono::milliseconds(ms));
        pacer.Taken(due);
        taken += due;
        last = ms;
    }
    EXPECT_EQ(taken, static_cast<size_t>(last * 11520 / 1000));
    // An idle line starts afresh instead of bursting what it missed.
    pacer.Begin(t0 + 200s);
    EXPECT_EQ(pacer.Due(t0 + 200s), 0u);
    EXPECT_EQ(pacer.Due(t0 + 201s), 11520u);
}

TEST(Crc16, MatchesTheModbusCheckValue)
{
    const std::string text = "123456789";
    EXPECT_EQ(varnsim::Crc16Modbus(reinterpret_cast<const uint8_t*>(text.data()), text.size()), 0x4B37);
    const uint16_t part = varnsim::Crc16Modbus(reinterpret_cast<const uint8_t*>(text.data()), 4);
    EXPECT_EQ(varnsim::Crc16Modbus(reinterpret_cast<const uint8_t*>(text.data()) + 4, 5, part), 0x4B37);
}

TEST(Line, IsRawBeforeTheHostConfiguresIt)
{
    varnsim::Simulator sim(FastOptions());
    ASSERT_TRUE(sim.Start(nullptr));
    // The host has not set any line mode: no CR translation, and the
    // simulator's answers are not echoed back into its own input.
    HostPort host(sim.PortPath(), /*configure=*/false);
    ASSERT_TRUE(host.Ok());
    host.Write("wakeup!\r");
    EXPECT_EQ(host.ReadUntil("OK awake\r\n", 1000), "wakeup!\r\nOK awake\r\n");
    EXPECT_EQ(host.Command("get sens-type"), "get sens-type\r\nOK sens-type=KORVALIN\r\n");
    EXPECT_EQ(sim.Received(), "wakeup!\rget sens-type\r");
    sim.ClearReceived();
    EXPECT_EQ(sim.Received(), "");
}

TEST(Line, PacedOutputTakesTheWireTime)
{
    Options options = FastOptions();
    options.paced = true;
    options.loggerRecords = 150;
    varnsim::Simulator sim(options);
    ASSERT_TRUE(sim.Start(nullptr));
    HostPort host(sim.PortPath());
    host.Wakeup();
    host.Write("logger download\r");
    host.ReadLine(1000);
    host.ReadLine(1000);
    const auto start = std::chrono::steady_clock::now();
    std::string stream;
    for (std::string more; !(more = host.Drain(100)).empty();)
        stream += more;
    const double elapsed = MsSince(start) - 100;
    const double wire = stream.size() * 1000.0 / varnsim::kLineBytesPerSecond;
    ASSERT_GT(stream.size(), 5000u);
    EXPECT_GE(elapsed, 0.8 * wire) << stream.size() << " bytes";
    EXPECT_LE(elapsed, 10 * wire) << stream.size() << " bytes";  // only gross slowness
}

TEST(Line, PacedInputReachesTheSensorNoEarlierThanTheWire)
{
    Options options = FastOptions();
    options.paced = true;
    options.bootWindowMs = 60000;
    varnsim::Simulator sim(options);
    ASSERT_TRUE(sim.Start(nullptr));
    HostPort host(sim.PortPath());
    host.Write("\xA1");
    ASSERT_EQ(host.Read(1, 1000), "!");

    std::string frames = "\xC5" + std::string("\x00\x0A\x00\x00", 4);  // 2560 bytes
    const std::string payload(256, 'p');
    const uint16_t crc = varnsim::Crc16Modbus(reinterpret_cast<const uint8_t*>(payload.data()), payload.size());
    for (int i = 0; i < 10; ++i)
        frames += std::string("\xC7\x00\x01", 3) + payload + static_cast<char>(crc & 0xFF) + static_cast<char>(crc >> 8);
    const auto start = std::chrono::steady_clock::now();
    host.Write(frames);
    EXPECT_EQ(host.Read(11, 2000), std::string(11, '!'));
    const double wire = frames.size() * 1000.0 / varnsim::kLineBytesPerSecond;
    EXPECT_GE(MsSince(start), 0.8 * wire);
}

TEST(Line, HangsUpOnlyAfterTheHostReadEverything)
{
    Options options = FastOptions();
    options.paced = true;
    options.loggerRecords = 20;
    varnsim::Simulator sim(options);
    ASSERT_TRUE(sim.Start(nullptr));
    HostPort host(sim.PortPath());
    host.Wakeup();
    host.Write("logger download\r");
    // The whole stream is on the line.
    ASSERT_TRUE(WaitUntil([&] {
        const std::vector<std::string> commands = sim.Commands();
        return std::find(commands.begin(), commands.end(), "logger download") != commands.end() && !sim.Sending();
    }));
    sim.HangUp();
    std::this_thread::sleep_for(150ms);
    EXPECT_FALSE(sim.HungUp());  // the host has not read yet

    std::string got;
    for (std::string more; !(more = host.Drain(100)).empty();)
        got += more;
    EXPECT_NE(got.find("\r\n20;"), std::string::npos);  // nothing lost
    EXPECT_TRUE(host.HungUp(1000));
    EXPECT_TRUE(sim.HungUp());
}

class Link : public testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/varn-sim-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        runtime_ = pattern;
        const char* old = std::getenv("XDG_RUNTIME_DIR");
        hadOld_ = old != nullptr;
        if (old)
            old_ = old;
        setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
    }
    void TearDown() override
    {
        if (hadOld_)
            setenv("XDG_RUNTIME_DIR", old_.c_str(), 1);
        else
            unsetenv("XDG_RUNTIME_DIR");
        std::filesystem::remove_all(runtime_);
    }
    std::string Folder() const { return runtime_ + "/varn-ports"; }

    std::string runtime_, old_;
    bool hadOld_ = false;
};

TEST_F(Link, PublishedInAPrivateFolderAndRemovedOnStop)
{
    Options options = FastOptions();
    options.linkName = "sensor-a";
    varnsim::Simulator sim(options);
    ASSERT_TRUE(sim.Start(nullptr));
    EXPECT_EQ(sim.LinkPath(), Folder() + "/sensor-a");
    struct stat st {};
    ASSERT_EQ(stat(Folder().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(std::filesystem::read_symlink(sim.LinkPath()), sim.PortPath());
    HostPort host(sim.LinkPath());
    host.Wakeup();
    EXPECT_TRUE(sim.ConsoleAwake());
    sim.Stop();
    EXPECT_FALSE(std::filesystem::is_symlink(Folder() + "/sensor-a"));
}

TEST_F(Link, ReplacesAStaleLinkButNotAFile)
{
    ASSERT_EQ(mkdir(Folder().c_str(), 0755), 0);
    ASSERT_EQ(symlink("/dev/pts/nowhere", (Folder() + "/old").c_str()), 0);
    std::ofstream(Folder() + "/file") << "not a link";

    Options options = FastOptions();
    options.linkName = "old";
    {
        varnsim::Simulator sim(options);
        ASSERT_TRUE(sim.Start(nullptr));
        EXPECT_EQ(std::filesystem::read_symlink(Folder() + "/old"), sim.PortPath());
        struct stat st {};
        ASSERT_EQ(stat(Folder().c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u);  // tightened
        // A newer simulator taking the name over keeps it when the older
        // one stops.
        varnsim::Simulator newer(options);
        ASSERT_TRUE(newer.Start(nullptr));
        sim.Stop();
        EXPECT_EQ(std::filesystem::read_symlink(Folder() + "/old"), newer.PortPath());
    }

    options.linkName = "file";
    varnsim::Simulator refused(options);
    std::string error;
    EXPECT_FALSE(refused.Start(&error));
    EXPECT_NE(error.find("not a link"), std::string::npos) << error;
    for (const char* bad : {"a/b", "..", ".hidden", "with blank"}) {
        options.linkName = bad;
        varnsim::Simulator sim(options);
        EXPECT_FALSE(sim.Start(&error)) << bad;
    }
}

TEST(Options, RefusedBeforeAnythingOpens)
{
    const auto refused = [](void (*change)(Options&)) {
        Options options = FastOptions();
        change(options);
        varnsim::Simulator sim(options);
        std::string error;
        return !sim.Start(&error) && !error.empty() && sim.PortPath().empty();
    };
    EXPECT_TRUE(refused([](Options& o) { o.kind = "korvalin"; }));
    EXPECT_TRUE(refused([](Options& o) { o.uniqueId = "12345"; }));
    EXPECT_TRUE(refused([](Options& o) { o.uniqueId = "0036003F3137510A3335343G"; }));
    EXPECT_TRUE(refused([](Options& o) { o.loggerRecords = 11, o.loggerCapacity = 10; }));
    EXPECT_FALSE(refused([](Options&) {}));
}

} // namespace
