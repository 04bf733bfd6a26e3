// Logger download speed against the simulated sensor over a real
// pseudo-terminal, through the datalogger's own task code.
//
// 1. Unpaced: records per second that the download takes in (line reads,
//    a check and a file write per line, a progress call and a cancel look
//    per record), the median of several runs with the lowest and highest
//    in brackets, and the same split by the two ends: records per CPU
//    second of the host (this thread) and of the simulator (its I/O
//    thread). The slower end bounds the rate.
// 2. Paced at the line rate: the download's time against the wire minimum,
//    all bytes moved in both directions from "logger download" to the last
//    record / 11520 bytes per second, with the excess split by the
//    simulator's timestamps (its turns beyond the wire, and the time the
//    line waited for the host). The goal is within 1 %.
//
// Usage: logger_bench [unpaced records, default 100000] [paced records, default 10000] [unpaced runs, default 3]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "appframe.h"
#include "bench_stats.h"
#include "log.h"
#include "logger_task.h"
#include "serial.h"
#include "simulator.h"

namespace {

using Clock = std::chrono::steady_clock;

// A front end that answers the save dialog and notes when the transfer
// starts and ends.
class BenchDlg : public TaskFrontEnd, public LoggerView {
public:
    BenchDlg(std::string sFile, varnsim::Simulator& sim) : sFile(std::move(sFile)), sim(sim) {}

    void Progress(int, int, const char* szText) override
    {
        if (std::strcmp(szText, "Starting download...") == 0) {
            sim.StartTimeline();
            tStart = Clock::now();
            fCpuStart = ThreadCpuSeconds();
            tTrafficStart = SerialTrafficSoFar();
        } else if (std::strcmp(szText, "Done !") == 0) {
            tEnd = Clock::now();
            fCpuEnd = ThreadCpuSeconds();
            tTrafficEnd = SerialTrafficSoFar();
            timeline = sim.TakeTimeline();
        }
    }
    void State(int, const char*) override {}
    void Information(const char*) override {}
    void ShowMode(const char*) override {}
    void ShowMeasure(const char*) override {}
    void ShowGauge(int) override {}
    int SaveFileDialog(char* szPath, size_t uSize) override
    {
        std::snprintf(szPath, uSize, "%s", sFile.c_str());
        return 1;
    }
    int Question(MessageKind, const char*) override { return 1; }

    std::string sFile;
    varnsim::Simulator& sim;
    Clock::time_point tStart, tEnd;
    double fCpuStart = 0, fCpuEnd = 0;
    SerialTraffic tTrafficStart, tTrafficEnd;
    varnsim::Timeline timeline;
};

struct Figures {
    double seconds = 0;
    double hostCpu = 0;
    double simCpu = 0;
    double turns = 0;
    unsigned long long bytes = 0;
};

bool Download(int nRecords, bool bPaced, Figures* pOut)
{
    varnsim::Options options;
    options.paced = bPaced;
    options.bootWindowMs = 0;
    options.loggerRecords = nRecords;
    options.loggerCapacity = nRecords;
    varnsim::Simulator sim(options);
    std::string error;
    if (!sim.Start(&error)) {
        std::fprintf(stderr, "simulator: %s\n", error.c_str());
        return false;
    }
    char path[] = "/tmp/logger_bench_XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0)
        return false;
    close(fd);

    BenchDlg dlg(path, sim);
    AutoResetEvent cancel;
    LoggerJob job;
    job.iTask = TASK_DOWNLOAD;
    job.sPort = sim.PortPath();
    job.uWakeupTimeout = 100;
    const int ok = ProcessThread(job, dlg, dlg, cancel);
    unlink(path);
    sim.Stop();
    if (!ok)
        return false;
    pOut->seconds = std::chrono::duration<double>(dlg.tEnd - dlg.tStart).count();
    pOut->hostCpu = dlg.fCpuEnd - dlg.fCpuStart;
    pOut->simCpu = dlg.timeline.cpuSeconds;
    for (const auto& turn : dlg.timeline.turns)
        pOut->turns += std::chrono::duration<double>(turn.second - turn.first).count();
    pOut->bytes = (dlg.tTrafficEnd.uRead - dlg.tTrafficStart.uRead) +
                  (dlg.tTrafficEnd.uWritten - dlg.tTrafficStart.uWritten);
    return true;
}

bool Unpaced(int nRecords, int nRuns)
{
    std::vector<double> wall, host, simulator;
    unsigned long long bytes = 0;
    for (int r = 0; r < nRuns; r++) {
        Figures f;
        if (!Download(nRecords, false, &f))
            return false;
        wall.push_back(nRecords / f.seconds);
        host.push_back(nRecords / f.hostCpu);
        simulator.push_back(nRecords / f.simCpu);
        bytes = f.bytes;
    }
    std::printf("unpaced: %d records, %llu bytes, %d runs: %s records/s; per CPU second: host %s, simulator %s\n",
                nRecords, bytes, nRuns, FormatSpread(Spread(wall), "%.0f").c_str(),
                FormatSpread(Spread(host), "%.0f").c_str(), FormatSpread(Spread(simulator), "%.0f").c_str());
    return true;
}

bool Paced(int nRecords)
{
    Figures f;
    if (!Download(nRecords, true, &f))
        return false;
    const double wire = static_cast<double>(f.bytes) / varnsim::kLineBytesPerSecond;
    std::printf("paced:   %d records, %llu bytes in %.2f s, wire minimum %.2f s, over the wire %+.2f %% "
                "(host %+.2f %%, simulator %+.2f %%; goal < 1 %%); %.0f records/s, CPU per record: host %.1f us, "
                "simulator %.1f us\n",
                nRecords, f.bytes, f.seconds, wire, 100.0 * (f.seconds - wire) / wire,
                100.0 * (f.seconds - f.turns) / wire, 100.0 * (f.turns - wire) / wire, nRecords / f.seconds,
                1e6 * f.hostCpu / nRecords, 1e6 * f.simCpu / nRecords);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    const int unpaced = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int paced = argc > 2 ? std::atoi(argv[2]) : 10000;
    const int runs = argc > 3 ? std::atoi(argv[3]) : 3;
    AppStartupFrameIn(PROGRAM_DATALOGGER, "/tmp");
    // The success box of each download would be printed between the figures.
    SetMessageHandler([](MessageKind nKind, const char* szText) {
        if (nKind == MESSAGE_ERROR)
            std::fprintf(stderr, "ERROR : %s\n", szText);
    });
    bool ok = true;
    if (unpaced > 0)
        ok = Unpaced(unpaced, runs > 0 ? runs : 3) && ok;
    if (paced > 0)
        ok = Paced(paced) && ok;
    return ok ? 0 : 1;
}
