// Terminal receive path costs.
//
// 1. CPU time of the terminal process (receive thread plus the window
//    thread's appends) while the simulator streams console text (a logger
//    download) at the full line rate, 11520 bytes per second. The simulator
//    runs in a child process so that its own work is not counted.
// 2. Time to append a 2 MiB answer to the output box, in the 2048-byte pieces
//    the receive thread delivers, and as one piece.
//
// 3. With --memory MINUTES: the memory run. The terminal receives the stream
//    at the line rate for that many minutes (and nothing else runs before it
//    in the process); every minute it prints the resident set size, the
//    bytes read in that minute, the CPU share and the context switches per
//    second, and at the end the CPU time per received megabyte.
//
// Usage: terminal_bench [seconds of streaming, default 60]
//        terminal_bench --memory MINUTES
#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QLineEdit>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "appframe.h"
#include "appmain.h"
#include "bench_child_sim.h"
#include "elapsed.h"
#include "portlist.h"
#include "simulator.h"
#include "terminal_window.h"
#include "waitpump.h"

namespace {

using Clock = std::chrono::steady_clock;

void StreamFigure(int seconds, const std::string& port, pid_t child, int keepAlive)
{
    SetPortCandidatesHandler([port] { return std::vector<std::string>{port}; });
    auto window = std::make_unique<TerminalWindow>();
    hDlgMain = window.get();
    window->show();
    if (!window->DlgMainConnect())
        return;
    window->findChild<QComboBox*>("commandLine")->lineEdit()->setText("logger download");
    window->DlgMainSend();
    UiWaitFor([] { return false; }, 1000);   // the stream is flowing

    const size_t bytes0 = window->OutputBytes().size();
    const double cpu0 = ProcessCpuSeconds();
    const auto t0 = Clock::now();
    {
        // The program's own event loop: idle between the receive thread's calls.
        QEventLoop loop;
        QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
        loop.exec();
    }
    const double cpu = ProcessCpuSeconds() - cpu0;
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    const double bytes = static_cast<double>(window->OutputBytes().size() - bytes0);

    window->DlgMainDisconnect();
    window.reset();
    hDlgMain = nullptr;
    close(keepAlive);
    waitpid(child, nullptr, 0);

    std::printf("Streaming at the line rate for %.1f s: %.0f bytes received (%.0f bytes/s)\n", wall, bytes,
                bytes / wall);
    std::printf("  terminal CPU time: %.3f s = %.2f %% of one core, %.2f us per received byte\n", cpu,
                100.0 * cpu / wall, bytes > 0 ? 1e6 * cpu / bytes : 0.0);
}

// A field of /proc/self/status or /proc/self/io ("VmRSS:", "rchar:"), as a
// number (kB for the status' sizes, bytes for io); 0 when not found.
unsigned long long ProcField(const char* szFile, const char* szKey)
{
    std::ifstream in(szFile);
    std::string line;
    while (std::getline(in, line))
        if (line.compare(0, std::strlen(szKey), szKey) == 0)
            return std::strtoull(line.c_str() + std::strlen(szKey), nullptr, 10);
    return 0;
}

unsigned long long ContextSwitches()
{
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return static_cast<unsigned long long>(ru.ru_nvcsw + ru.ru_nivcsw);
}

// Bytes the process has read from files and the port: the received stream
// makes up nearly all of it once the window is up (the count is the
// kernel's, so it does not depend on the terminal's own bookkeeping).
unsigned long long BytesRead() { return ProcField("/proc/self/io", "rchar:"); }

void MemoryRun(int minutes, const std::string& port, pid_t child, int keepAlive)
{
    SetPortCandidatesHandler([port] { return std::vector<std::string>{port}; });
    auto window = std::make_unique<TerminalWindow>();
    hDlgMain = window.get();
    window->resize(760, 520);
    window->show();
    if (!window->DlgMainConnect())
        return;
    window->findChild<QComboBox*>("commandLine")->lineEdit()->setText("logger download");
    window->DlgMainSend();

    std::printf("Memory run: receiving at the line rate for %d min\n", minutes);
    std::printf("  min   RSS MB   bytes/s   CPU %%   switches/s\n");
    std::fflush(stdout);
    const double cpuStart = ProcessCpuSeconds();
    const unsigned long long readStart = BytesRead();
    const auto tStart = Clock::now();
    double peakFrom2 = 0, lowFrom2 = 1e9;
    for (int minute = 1; minute <= minutes; minute++) {
        const double cpu0 = ProcessCpuSeconds();
        const unsigned long long read0 = BytesRead(), switches0 = ContextSwitches();
        const auto t0 = Clock::now();
        QEventLoop loop;
        QTimer::singleShot(60 * 1000, &loop, &QEventLoop::quit);
        loop.exec();
        const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
        const double rss = static_cast<double>(ProcField("/proc/self/status", "VmRSS:")) / 1024.0;
        if (minute >= 2) {
            peakFrom2 = std::max(peakFrom2, rss);
            lowFrom2 = std::min(lowFrom2, rss);
        }
        std::printf("  %3d   %6.1f   %7.0f   %5.2f   %8.0f\n", minute, rss,
                    static_cast<double>(BytesRead() - read0) / wall, 100.0 * (ProcessCpuSeconds() - cpu0) / wall,
                    static_cast<double>(ContextSwitches() - switches0) / wall);
        std::fflush(stdout);
    }
    const double wall = std::chrono::duration<double>(Clock::now() - tStart).count();
    const double cpu = ProcessCpuSeconds() - cpuStart;
    const double mb = static_cast<double>(BytesRead() - readStart) / 1e6;
    window->DlgMainDisconnect();
    window.reset();
    hDlgMain = nullptr;
    close(keepAlive);
    waitpid(child, nullptr, 0);
    std::printf("  CPU over the run: %.2f %% of one core, %.3f s per received MB (%.2f MB received)\n",
                100.0 * cpu / wall, mb > 0 ? cpu / mb : 0.0, mb);
    if (minutes >= 2)
        std::printf("  RSS from minute 2: %.1f to %.1f MB\n", lowFrom2, peakFrom2);
}

void AppendFigure()
{
    // A long console answer: 2 MiB of listing lines.
    std::string answer;
    for (int i = 0; answer.size() < 2u * 1024 * 1024; i++)
        answer += "param-" + std::to_string(i) + "=" + std::to_string(i * 7 % 10000) + ".0000\r\n";
    answer.resize(2u * 1024 * 1024);

    for (size_t piece : {size_t(2048), answer.size()}) {
        auto window = std::make_unique<TerminalWindow>();
        window->resize(760, 520);
        window->show();
        QApplication::processEvents();
        const auto t0 = Clock::now();
        for (size_t at = 0; at < answer.size(); at += piece)
            window->DlgMainAppend(answer.data() + at, std::min(piece, answer.size() - at));
        QApplication::processEvents();   // includes the layout and paint the appends caused
        const double ms = MsSince(t0);
        std::printf("Appending a 2 MiB answer in %zu-byte pieces: %.1f ms\n", piece, ms);
    }
}

// The benchmark's sensor: a paced simulator with a large logger.
varnsim::Options SimOptions()
{
    varnsim::Options options;
    options.bootWindowMs = 0;
    options.paced = true;
    options.loggerRecords = 2000000;
    options.loggerCapacity = 2000000;
    return options;
}

}  // namespace

int main(int argc, char** argv)
{
    const bool memory = argc > 2 && std::strcmp(argv[1], "--memory") == 0;
    const int seconds = argc > 1 && !memory ? std::max(1, std::atoi(argv[1])) : 60;
    const int minutes = memory ? std::max(1, std::atoi(argv[2])) : 0;
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
    AppStartupFrameIn(PROGRAM_TERMINAL, dir != nullptr ? dir : "/tmp");
    {
        QApplication app(argc, argv);
        // Waits for the receive thread run the window's events, as in the
        // program: its hand-overs to the window thread go on meanwhile.
        UiInstallWaitPump();
        if (memory) {
            MemoryRun(minutes, port, child, keepAlive);
        } else {
            AppendFigure();
            StreamFigure(seconds, port, child, keepAlive);
        }
    }
    if (dir != nullptr)
        rmdir(dir);
    return 0;
}
