// Console speed against the simulated sensor over a real pseudo-terminal.
//
// 1. Round trips per second with the simulator unpaced: the host's own cost
//    of one "get" exchange (write, echo line, status line).
// 2. For each sensor kind, with the simulator pacing at the line rate, the
//    time to read every parameter after the wake-up, against the wire
//    minimum: all bytes exchanged in both directions / 11520 bytes per
//    second. Host overhead is the excess over that minimum.
//
// Usage: console_bench [seconds for the round-trip test, default 3]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "appframe.h"
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

void RoundTrips(double seconds)
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
    char value[SENSOR_RESULT_SIZE];
    long n = 0;
    auto t0 = Clock::now();
    auto end = t0 + std::chrono::duration<double>(seconds);
    while (Clock::now() < end) {
        if (!SensorCmd("get sens-type", value, sizeof value)) {
            std::fprintf(stderr, "exchange failed: %s\n", value);
            break;
        }
        n++;
    }
    double s = Seconds(t0, Clock::now());
    std::printf("unpaced round trips: %ld in %.2f s = %.0f per second (%.1f us each)\n", n, s, n / s,
                1e6 * s / n);
    SerialClose();
}

void ParameterSet(const char* kind)
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
    std::vector<std::string> keys = ListingKeys();
    SerialTraffic before = SerialTrafficSoFar();
    char value[SENSOR_RESULT_SIZE];
    int failed = 0;
    auto t0 = Clock::now();
    for (const std::string& key : keys) {
        std::string cmd = "get " + key;
        if (!SensorCmd(cmd.c_str(), value, sizeof value))
            failed++;
    }
    double s = Seconds(t0, Clock::now());
    SerialTraffic after = SerialTrafficSoFar();
    SerialClose();
    unsigned long long bytes = (after.uWritten - before.uWritten) + (after.uRead - before.uRead);
    double wire = static_cast<double>(bytes) / varnsim::kLineBytesPerSecond;
    std::printf("%-9s %3zu keys (%d refused): %.3f s, %llu bytes, wire minimum %.3f s, overhead %.2f %%\n",
                kind, keys.size(), failed, s, bytes, wire, 100.0 * (s - wire) / wire);
}

}  // namespace

int main(int argc, char** argv)
{
    double seconds = argc > 1 ? std::atof(argv[1]) : 3.0;
    AppStartupFrameIn(PROGRAM_CONFIG, "/tmp");
    RoundTrips(seconds > 0 ? seconds : 3.0);
    for (const char* kind : {"KORVALIN", "DUVIKORN", "MESTRALO", "PALVETRA", "GRESTOLV"})
        ParameterSet(kind);
    return 0;
}
