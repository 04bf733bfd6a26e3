// Configuration load and send against the simulated sensor over a real
// pseudo-terminal, with the program's own time-outs.
//
// 1. Paced at the line rate: a full load, and a full send with its reboot
//    and follow-up load, each against the floor the protocol allows: the
//    wire minimum (all bytes both ways / 11520 bytes per second) plus the
//    waits the protocol fixes (every wake-up read and the listing read run
//    their whole time-out; the send waits 1000 ms after the reboot). The
//    parameter phases alone are also shown against their own wire minimum.
// 2. Unpaced: the same runs; what they take beyond the fixed waits is the
//    host's share (the workers, the pages, the serial layer and the
//    simulator's turn-around), also shown as CPU time.
//
// Usage: config_bench [KIND...]   (default KORVALIN; "all" for the five)
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>
#include <string>
#include <vector>

#include "appframe.h"
#include "codecs.h"
#include "config_task.h"
#include "memory_pages.h"
#include "operations.h"
#include "progress.h"
#include "serial.h"
#include "simulator.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double>(b - a).count();
}

double CpuSeconds()
{
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
           static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

unsigned long long TrafficNow()
{
    const SerialTraffic t = SerialTrafficSoFar();
    return t.uWritten + t.uRead;
}

// Marks where the parameter phases begin and end: the status steps.
class PhaseFrontEnd : public TaskFrontEnd {
public:
    struct Mark {
        int nStep;
        Clock::time_point t;
        unsigned long long uBytes;
    };
    void Progress(int nPosition, int nStep, const char*) override
    {
        if (nPosition != TASK_POSITION_KEEP)
            return;
        std::lock_guard<std::mutex> lock(m);
        vMarks.push_back({nStep, Clock::now(), TrafficNow()});
    }
    void State(int nState, const char*) override
    {
        if (nState != TASK_IDLE)
            return;
        std::lock_guard<std::mutex> lock(m);
        vMarks.push_back({-1, Clock::now(), TrafficNow()});
    }
    int Question(MessageKind, const char*) override { return 0; }
    void Information(const char*) override {}

    // Time and bytes from the first mark of nFrom to the next mark after it.
    bool Phase(int nFrom, double* pSeconds, unsigned long long* pBytes)
    {
        std::lock_guard<std::mutex> lock(m);
        for (size_t i = 0; i + 1 < vMarks.size(); i++) {
            if (vMarks[i].nStep == nFrom) {
                *pSeconds = Seconds(vMarks[i].t, vMarks[i + 1].t);
                *pBytes = vMarks[i + 1].uBytes - vMarks[i].uBytes;
                return true;
            }
        }
        return false;
    }
    void Clear()
    {
        std::lock_guard<std::mutex> lock(m);
        vMarks.clear();
    }

private:
    std::mutex m;
    std::vector<Mark> vMarks;
};

struct Run {
    double fSeconds = 0;
    double fCpu = 0;
    unsigned long long uBytes = 0;
    double fParamSeconds = 0;
    unsigned long long uParamBytes = 0;
    bool bOk = false;
};

// The waits the protocol fixes, s: five wake-up reads and the listing read
// per load, five wake-up reads and the pause after the reboot per send.
double FixedLoadWait()
{
    return 6.0 * tConfigTimeouts.uIdentifyMs / 1000.0;
}

double FixedSendWait()
{
    return 5.0 * tConfigTimeouts.uIdentifyMs / 1000.0 + tConfigTimeouts.uRebootWaitMs / 1000.0 + FixedLoadWait();
}

double Wire(unsigned long long uBytes)
{
    return static_cast<double>(uBytes) / varnsim::kLineBytesPerSecond;
}

Run Measure(bool bSend, PhaseFrontEnd& fe, ConfigOperations& ops)
{
    Run r;
    fe.Clear();
    const unsigned long long bytes0 = TrafficNow();
    const double cpu0 = CpuSeconds();
    const auto t0 = Clock::now();
    const int started = bSend ? SendSensorConfig() : LoadSensorConfig(0);
    ops.WaitIdle(600000);
    r.fSeconds = Seconds(t0, Clock::now());
    r.fCpu = CpuSeconds() - cpu0;
    r.uBytes = TrafficNow() - bytes0;
    r.bOk = started && ops.ChainResult();
    fe.Phase(ConfigStatusStep(bSend ? STATUS_SENDING_PARAMETERS : STATUS_LOADING_PARAMETERS), &r.fParamSeconds,
             &r.uParamBytes);
    return r;
}

void Report(const char* szKind, const char* szWhat, bool bPaced, const Run& r, double fFixed)
{
    if (!r.bOk) {
        std::printf("%-8s %-5s %s: FAILED\n", szKind, szWhat, bPaced ? "paced" : "unpaced");
        return;
    }
    if (bPaced) {
        const double floor = Wire(r.uBytes) + fFixed;
        std::printf("%-8s %-5s paced:   %7.3f s, %6llu bytes, wire %6.3f s + fixed waits %6.3f s = %7.3f s, "
                    "%+.2f %%; parameter phase %.3f s for %llu bytes, wire %.3f s, %+.2f %%\n",
                    szKind, szWhat, r.fSeconds, r.uBytes, Wire(r.uBytes), fFixed, floor,
                    100.0 * (r.fSeconds - floor) / floor, r.fParamSeconds, r.uParamBytes, Wire(r.uParamBytes),
                    100.0 * (r.fParamSeconds - Wire(r.uParamBytes)) / Wire(r.uParamBytes));
    } else {
        std::printf("%-8s %-5s unpaced: %7.3f s, beyond the fixed waits %6.1f ms (host and simulator), CPU %6.1f ms\n",
                    szKind, szWhat, r.fSeconds, 1000.0 * (r.fSeconds - fFixed), 1000.0 * r.fCpu);
    }
}

void Bench(const char* szKind, bool bPaced)
{
    varnsim::Options o;
    o.kind = szKind;
    o.paced = bPaced;
    varnsim::Simulator sim(o);
    std::string error;
    if (!sim.Start(&error)) {
        std::fprintf(stderr, "simulator: %s\n", error.c_str());
        return;
    }
    MemoryPages pages;
    PhaseFrontEnd fe;
    Worker worker("configuration");
    ConfigOperations ops(worker);
    ConfigAttachOperations(&ops);
    ConfigAttachPages(&pages);
    ConfigAttachFrontEnd(&fe);
    ConfigPagesCreate();
    ConfigResetState();
    if (!SerialOpen(sim.PortPath().c_str())) {
        ConfigAttachFrontEnd(nullptr);
        ConfigAttachPages(nullptr);
        ConfigAttachOperations(nullptr);
        return;
    }
    DlgMainStatus(1);
    // The sensor's boot window passes before the first wake-up.
    std::this_thread::sleep_for(std::chrono::milliseconds(o.bootWindowMs + 100));

    const Run load = Measure(false, fe, ops);
    Report(szKind, "load", bPaced, load, FixedLoadWait());
    const Run send = Measure(true, fe, ops);
    Report(szKind, "send", bPaced, send, FixedSendWait());
    SerialClose();
    ConfigAttachFrontEnd(nullptr);
    ConfigAttachPages(nullptr);
    ConfigAttachOperations(nullptr);
    sim.Stop();
}

}  // namespace

int main(int argc, char** argv)
{
    AppStartupFrameIn(PROGRAM_CONFIG, "/tmp");
    std::vector<std::string> kinds;
    for (int i = 1; i < argc; i++) {
        if (std::strcmp(argv[i], "all") == 0)
            kinds = {"KORVALIN", "DUVIKORN", "MESTRALO", "PALVETRA", "GRESTOLV"};
        else
            kinds.push_back(argv[i]);
    }
    if (kinds.empty())
        kinds.push_back("KORVALIN");
    std::printf("time-outs: identification %u ms, parameters %u ms, after reboot %u ms\n",
                tConfigTimeouts.uIdentifyMs, tConfigTimeouts.uParameterMs, tConfigTimeouts.uRebootWaitMs);
    for (const std::string& kind : kinds) {
        Bench(kind.c_str(), true);
        Bench(kind.c_str(), false);
    }
    return 0;
}
