// Terminal receive path costs.
//
// 1. CPU time of the terminal process (receive thread plus the window
//    thread's appends) while the simulator streams console text (a logger
//    download) at the full line rate, 11520 bytes per second. The simulator
//    runs in a child process so that its own work is not counted.
// 2. Time to append a 2 MiB answer to the output box, in the 2048-byte pieces
//    the receive thread delivers, and as one piece.
//
// Usage: terminal_bench [seconds of streaming, default 60]
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
#include <memory>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "appframe.h"
#include "desktop.h"
#include "bench_child_sim.h"
#include "simulator.h"
#include "terminal_window.h"

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
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
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
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
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
        AppendFigure();
        StreamFigure(seconds, port, child, keepAlive);
    }
    if (dir != nullptr)
        rmdir(dir);
    return 0;
}
