// Logger download speed against the simulated sensor over a real
// pseudo-terminal, through the datalogger's own task code.
//
// 1. Unpaced: records per second that the host takes in (one byte per read,
//    a check and a file write per line, a progress call per record).
// 2. Paced at the line rate: the download's time against the wire minimum,
//    all bytes moved in both directions from "logger download" to the last
//    record / 11520 bytes per second. The goal is within 3 %.
//
// Usage: logger_bench [unpaced records, default 100000] [paced records, default 100000]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

#include "appframe.h"
#include "logger_task.h"
#include "serial.h"
#include "simulator.h"

namespace {

using Clock = std::chrono::steady_clock;

// A front end that answers the save dialog and notes when the transfer
// starts and ends.
class BenchDlg : public TaskFrontEnd, public LoggerView {
public:
    explicit BenchDlg(std::string sFile) : sFile(std::move(sFile)) {}

    void Progress(int, int, const char* szText) override
    {
        if (std::strcmp(szText, "Starting download...") == 0) {
            tStart = Clock::now();
            tTrafficStart = SerialTrafficSoFar();
        } else if (std::strcmp(szText, "Done !") == 0) {
            tEnd = Clock::now();
            tTrafficEnd = SerialTrafficSoFar();
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
    Clock::time_point tStart, tEnd;
    SerialTraffic tTrafficStart, tTrafficEnd;
};

bool Download(int nRecords, bool bPaced)
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

    BenchDlg dlg(path);
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

    const double seconds = std::chrono::duration<double>(dlg.tEnd - dlg.tStart).count();
    const unsigned long long bytes = (dlg.tTrafficEnd.uRead - dlg.tTrafficStart.uRead) +
                                     (dlg.tTrafficEnd.uWritten - dlg.tTrafficStart.uWritten);
    if (!bPaced) {
        std::printf("unpaced: %d records, %llu bytes in %.2f s = %.0f records/s (%.2f MB/s, %.2f us per byte)\n",
                    nRecords, bytes, seconds, nRecords / seconds, bytes / seconds / 1e6, 1e6 * seconds / bytes);
    } else {
        const double wire = static_cast<double>(bytes) / varnsim::kLineBytesPerSecond;
        std::printf("paced:   %d records, %llu bytes in %.2f s, wire minimum %.2f s, overhead %.2f %% (goal < 3 %%)\n",
                    nRecords, bytes, seconds, wire, 100.0 * (seconds - wire) / wire);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    const int unpaced = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int paced = argc > 2 ? std::atoi(argv[2]) : 100000;
    AppStartupFrameIn(PROGRAM_DATALOGGER, "/tmp");
    bool ok = true;
    if (unpaced > 0)
        ok = Download(unpaced, false) && ok;
    if (paced > 0)
        ok = Download(paced, true) && ok;
    return ok ? 0 : 1;
}
