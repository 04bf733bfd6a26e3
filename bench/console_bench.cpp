// Console speed against the simulated sensor over a real pseudo-terminal.
//
// 1. Round trips per second with the simulator unpaced: "get sens-type" as
//    fast as both ends go, several runs, and the CPU time each end spends
//    per exchange (the host: this thread; the simulator: its I/O thread).
// 2. For each sensor kind, with the simulator pacing at the line rate, the
//    time to read every parameter after the wake-up, against the wire
//    minimum: all bytes exchanged in both directions / 11520 bytes per
//    second. The excess over the wire is split by the simulator's own
//    timestamps: the time its turns (request in, answer out) take beyond
//    the wire is the simulator's share; the time between its turns, while
//    the line waits for the host to read the answer and send the next
//    request, is the host's share (the pseudo-terminal's hand-over in both
//    directions included).
// Each figure is the median of the runs, with the lowest and highest run
// in brackets.
//
// Usage: console_bench [seconds per round-trip run, default 2] [runs, default 5]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "appframe.h"
#include "bench_stats.h"
#include "sensor.h"
#include "serial.h"
#include "simulator.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double>(b - a).count();
}

bool StartSim(varnsim::Simulator& sim)
{
    std::string error;
    if (!sim.Start(&error)) {
        std::fprintf(stderr, "simulator: %s\n", error.c_str());
        return false;
    }
    return SerialOpen(sim.PortPath().c_str()) == 1;
}

// The parameter keys of the sensor, as its configuration listing names them.
std::vector<std::string> ListingKeys()
{
    std::vector<char> text(CurrentProfile().uConfigReadSize + 1);
    std::vector<std::string> keys;
    if (!SensorCmdConfig(text.data(), text.size()))
        return keys;
    std::string listing(text.data());
    size_t pos = 0;
    while (pos < listing.size()) {
        size_t end = listing.find("\r\n", pos);
        if (end == std::string::npos)
            end = listing.size();
        std::string line = listing.substr(pos, end - pos);
        size_t eq = line.find('=');
        if (eq != std::string::npos && eq > 0) {
            std::string key = line.substr(0, eq);
            while (!key.empty() && key.back() == ' ')
                key.pop_back();
            keys.push_back(key);
        }
        pos = end + 2;
    }
    return keys;
}

double TurnSeconds(const varnsim::Timeline& t)
{
    double s = 0;
    for (const auto& turn : t.turns)
        s += std::chrono::duration<double>(turn.second - turn.first).count();
    return s;
}

void RoundTrips(double seconds, int runs)
{
    varnsim::Options o;
    o.paced = false;
    o.bootWindowMs = 0;   // straight to the console, no bootloader window
    varnsim::Simulator sim(o);
    if (!StartSim(sim))
        return;
    SerialSetTimeout(20);
    SensorWakeup();
    SerialSetTimeout(1000);
    std::vector<double> rate, hostUs, simUs;
    char value[SENSOR_RESULT_SIZE];
    for (int r = 0; r < runs; r++) {
        long n = 0;
        sim.StartTimeline();
        const double cpu0 = ThreadCpuSeconds();
        const auto t0 = Clock::now();
        const auto end = t0 + std::chrono::duration<double>(seconds);
        while (Clock::now() < end) {
            if (!SensorCmd("get sens-type", value, sizeof value)) {
                std::fprintf(stderr, "exchange failed: %s\n", value);
                break;
            }
            n++;
        }
        const double s = Seconds(t0, Clock::now());
        const double cpu = ThreadCpuSeconds() - cpu0;
        const varnsim::Timeline t = sim.TakeTimeline();
        if (n == 0)
            break;
        rate.push_back(n / s);
        hostUs.push_back(1e6 * cpu / n);
        simUs.push_back(1e6 * t.cpuSeconds / n);
    }
    SerialClose();
    std::printf("unpaced round trips (%d runs of %.1f s): %s per second; CPU per exchange: host %s us, "
                "simulator %s us\n",
                runs, seconds, FormatSpread(Spread(rate), "%.0f").c_str(), FormatSpread(Spread(hostUs), "%.1f").c_str(),
                FormatSpread(Spread(simUs), "%.1f").c_str());
}

void ParameterSet(const char* kind, int runs)
{
    varnsim::Options o;
    o.kind = kind;
    o.paced = true;
    o.bootWindowMs = 0;
    varnsim::Simulator sim(o);
    if (!StartSim(sim))
        return;
    SerialSetTimeout(100);
    SensorWakeup();
    SerialSetTimeout(1000);
    const std::vector<std::string> keys = ListingKeys();
    std::vector<double> total, host, simShare, seconds;
    unsigned long long bytes = 0;
    double wire = 0;
    int failed = 0;
    char value[SENSOR_RESULT_SIZE];
    for (int r = 0; r < runs; r++) {
        const SerialTraffic before = SerialTrafficSoFar();
        failed = 0;
        sim.StartTimeline();
        const auto t0 = Clock::now();
        for (const std::string& key : keys) {
            const std::string cmd = "get " + key;
            if (!SensorCmd(cmd.c_str(), value, sizeof value))
                failed++;
        }
        const double s = Seconds(t0, Clock::now());
        const varnsim::Timeline t = sim.TakeTimeline();
        const SerialTraffic after = SerialTrafficSoFar();
        bytes = (after.uWritten - before.uWritten) + (after.uRead - before.uRead);
        wire = static_cast<double>(bytes) / varnsim::kLineBytesPerSecond;
        const double turns = TurnSeconds(t);
        seconds.push_back(s);
        total.push_back(100.0 * (s - wire) / wire);
        simShare.push_back(100.0 * (turns - wire) / wire);
        host.push_back(100.0 * (s - turns) / wire);
    }
    SerialClose();
    std::printf("%-9s %3zu keys (%d refused), %llu bytes, wire %.3f s: %s s; over the wire %s %%: host %s %%, "
                "simulator %s %%\n",
                kind, keys.size(), failed, bytes, wire, FormatSpread(Spread(seconds), "%.3f").c_str(),
                FormatSpread(Spread(total), "%+.2f").c_str(), FormatSpread(Spread(host), "%+.2f").c_str(),
                FormatSpread(Spread(simShare), "%+.2f").c_str());
}

}  // namespace

int main(int argc, char** argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 2.0;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    AppStartupFrameIn(PROGRAM_CONFIG, "/tmp");
    RoundTrips(seconds > 0 ? seconds : 2.0, runs > 0 ? runs : 5);
    std::printf("paced parameter read, %d runs per kind:\n", runs > 0 ? runs : 5);
    for (const char* kind : {"KORVALIN", "DUVIKORN", "MESTRALO", "PALVETRA", "GRESTOLV"})
        ParameterSet(kind, runs > 0 ? runs : 5);
    return 0;
}
