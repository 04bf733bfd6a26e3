// Scope costs.
//
// 1. WAV conversion of a full 600 s period of the binary stream (2000 Hz,
//    two channels: 4.8 MB of raw samples), through the recorder's 4096-byte
//    buffer.
// 2. Time to paint both plots (DlgMainDraw) from a full display buffer into
//    an image of the window's size: 2 x 5000 points, and twice that.
// 3. CPU time of this process while the simulator streams binary blocks at
//    the line rate (two 4014-byte blocks a second): the receive thread
//    alone, then with every redraw request answered by a snapshot and a
//    paint, as the window does. The simulator runs in a child process so
//    that its own work is not counted.
//
// Usage: scope_bench [seconds of streaming per figure, default 60] [--png FILE]
//   --png saves the plots of the streamed signal as they were last painted.
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "appframe.h"
#include "bench_child_sim.h"
#include "elapsed.h"
#include "scope_draw.h"
#include "scope_session.h"
#include "scope_stream.h"
#include "simulator.h"
#include "waitpump.h"

namespace {

using Clock = std::chrono::steady_clock;

const QRect kClient(0, 0, 788, 600);   // the window's client area at 394 x 300 dialog units

void ConversionFigure(const std::string& sDir)
{
    const std::string raw = sDir + "/tmp.bin", out = sDir + "/period.wav";
    const size_t bytes = 600u * 2000u * 4u;
    std::vector<char> samples(bytes);
    for (size_t i = 0; i < bytes; i++)
        samples[i] = static_cast<char>(i * 31);
    std::vector<double> ms;
    for (int run = 0; run < 7; run++) {
        std::ofstream(raw, std::ios::binary).write(samples.data(), static_cast<std::streamsize>(bytes));
        std::remove(out.c_str());
        const auto t0 = Clock::now();
        if (!WavFromRaw(raw.c_str(), out.c_str(), 2000)) {
            std::printf("WAV conversion failed\n");
            return;
        }
        ms.push_back(MsSince(t0));
    }
    std::remove(out.c_str());
    std::sort(ms.begin(), ms.end());
    std::printf("WAV conversion of a 600 s binary period (%zu bytes): median %.1f ms, best %.1f ms, worst %.1f ms\n",
                bytes, ms[ms.size() / 2], ms.front(), ms.back());
}

void FillWithSignal(ScopeSnapshot& s)
{
    for (unsigned i = 0; i < SCOPE_DISPLAY_SIZE / 2; i++) {
        s.vDataBuffer[2 * i] = varnsim::ScopeStream::Sample(0, i, varnsim::ScopeStream::kBinaryRate);
        s.vDataBuffer[2 * i + 1] = varnsim::ScopeStream::Sample(1, i, varnsim::ScopeStream::kBinaryRate);
    }
    std::snprintf(s.szFrsLabel, sizeof s.szFrsLabel, "Filtered acoustic signal   :  0.0411 g/m2/s");
    std::snprintf(s.szWindLabel, sizeof s.szWindLabel, "Raw acoustic signal");
}

void PaintFigure()
{
    auto snapshot = std::make_unique<ScopeSnapshot>();
    FillWithSignal(*snapshot);
    QImage image(kClient.size(), QImage::Format_RGB32);
    const QRect plot = ScopePlotArea(kClient);
    for (int times : {1, 2}) {
        const int paints = 300;
        std::vector<double> ms;
        for (int i = 0; i < paints; i++) {
            image.fill(Qt::white);
            const auto t0 = Clock::now();
            {
                QPainter p(&image);
                for (int k = 0; k < times; k++)
                    DlgMainDraw(p, plot, *snapshot);
            }
            ms.push_back(MsSince(t0));
        }
        std::sort(ms.begin(), ms.end());
        std::printf("Painting both plots, %d x %d points: median %.3f ms, 90th percentile %.3f ms\n", 2 * times, 5000,
                    ms[ms.size() / 2], ms[ms.size() * 9 / 10]);
    }
}

// The window's side of a redraw: requests arrive from the receive thread;
// the painting thread takes a snapshot and paints when asked.
class BenchFrontEnd : public ScopeFrontEnd {
public:
    void Redraw(int) override
    {
        {
            std::lock_guard<std::mutex> lock(m);
            nPending++;
        }
        cv.notify_one();
    }
    void Status(int) override {}
    // Paints on every request until the deadline; returns the paint count.
    int PaintUntil(ScopeSession& session, Clock::time_point deadline, QImage* pImage)
    {
        auto snapshot = std::make_unique<ScopeSnapshot>();
        int paints = 0;
        std::unique_lock<std::mutex> lock(m);
        while (Clock::now() < deadline) {
            if (!cv.wait_until(lock, deadline, [this] { return nPending > 0; }))
                break;
            nPending = 0;
            lock.unlock();
            session.display.Snapshot(snapshot.get());
            pImage->fill(Qt::white);
            QPainter p(pImage);
            DlgMainDraw(p, ScopePlotArea(kClient), *snapshot);
            paints++;
            lock.lock();
        }
        return paints;
    }

private:
    std::mutex m;
    std::condition_variable cv;
    int nPending = 0;
};

void StreamFigure(int seconds, const std::string& port, const char* szPng)
{
    ScopeSettings settings;
    ScopeSession session(settings);
    BenchFrontEnd fe;
    if (!ScopeConnect(session, port, fe))
        return;
    // Start-up (wake-up, type, version, scope mode) and the first blocks.
    const auto began = Clock::now();
    while ((session.uFrames.load() < 2) && session.Receiving() && MsSince(began) < 30000)
        usleep(10000);
    if (session.uFrames.load() < 2) {
        std::printf("the stream did not start\n");
        ScopeDisconnect(session, fe);
        return;
    }
    QImage image(kClient.size(), QImage::Format_RGB32);
    for (bool paint : {false, true}) {
        const unsigned long long bytes0 = session.uBytes.load();
        const unsigned frames0 = session.uFrames.load();
        const double cpu0 = ProcessCpuSeconds();
        const auto t0 = Clock::now();
        const auto deadline = t0 + std::chrono::seconds(seconds);
        int paints = 0;
        if (paint) {
            paints = fe.PaintUntil(session, deadline, &image);
        } else {
            while (Clock::now() < deadline)
                usleep(100000);
        }
        const double cpu = ProcessCpuSeconds() - cpu0;
        const double wall = MsSince(t0) / 1000.0;
        const double bytes = static_cast<double>(session.uBytes.load() - bytes0);
        std::printf("Binary stream at the line rate for %.1f s%s: %u blocks, %.0f bytes/s\n", wall,
                    paint ? ", painted on every redraw" : ", receive thread only", session.uFrames.load() - frames0,
                    bytes / wall);
        std::printf("  CPU time: %.3f s = %.2f %% of one core%s\n", cpu, 100.0 * cpu / wall,
                    paint ? (", " + std::to_string(paints) + " paints").c_str() : "");
    }
    ScopeDisconnect(session, fe);
    if (szPng != nullptr && image.save(szPng))
        std::printf("Plots saved to %s\n", szPng);
}

// The benchmark's sensor: a paced binary-mode simulator (firmware 3.45).
varnsim::Options SimOptions()
{
    varnsim::Options options;
    options.bootWindowMs = 0;
    options.paced = true;
    options.fwVersion = "3.45";
    return options;
}

}  // namespace

int main(int argc, char** argv)
{
    int seconds = 60;
    const char* png = nullptr;
    for (int i = 1; i < argc; i++) {
        if (std::strcmp(argv[i], "--png") == 0 && i + 1 < argc)
            png = argv[++i];
        else
            seconds = std::max(1, std::atoi(argv[i]));
    }
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // The simulator's process is forked before Qt starts any thread.
    std::string port;
    int keepAlive = -1;
    const pid_t child = StartSimulatorProcess(SimOptions(), &port, &keepAlive);
    if (child < 0 || port.empty()) {
        std::fprintf(stderr, "could not start the simulator\n");
        return 1;
    }
    char tmpl[] = "/tmp/varn-bench-XXXXXX";
    const char* dir = mkdtemp(tmpl);
    AppStartupFrameIn(PROGRAM_SCOPE, dir != nullptr ? dir : "/tmp");
    {
        QApplication app(argc, argv);
        // Waits for the receive thread run the window's events, as in the
        // program: its hand-overs to the window thread go on meanwhile.
        UiInstallWaitPump();
        ConversionFigure(dir != nullptr ? dir : "/tmp");
        PaintFigure();
        StreamFigure(seconds, port, png);
    }
    close(keepAlive);
    waitpid(child, nullptr, 0);
    if (dir != nullptr)
        std::system(("rm -rf '" + std::string(dir) + "'").c_str());
    return 0;
}
