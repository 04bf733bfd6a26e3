// `varn get PORT KEY` as a script sees it, from the start of the process to
// its exit, against the simulated sensor paced at the line rate: with the
// quick wake-up (the default) and with --full-wakeup (the configuration
// program's sequence). Several runs each; the median with the lowest and
// highest run in brackets. The goal of the quick form is under 100 ms.
//
// Usage: varn_bench [runs, default 5]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "bench_stats.h"
#include "elapsed.h"
#include "simulator.h"

namespace {

// Runs varn with its output into /dev/null; its exit status, -1 when it
// could not be started.
int RunVarn(const std::vector<std::string>& vArgs)
{
    const pid_t pid = fork();
    if (pid < 0)
        return -1;
    if (pid == 0) {
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(null, 1);
        std::vector<char*> argv{const_cast<char*>(VARN_PROGRAM)};
        for (const std::string& a : vArgs)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(VARN_PROGRAM, argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void Time(const char* szWhat, const std::vector<std::string>& vArgs, int nRuns)
{
    std::vector<double> ms;
    for (int r = 0; r < nRuns; r++) {
        const auto t0 = std::chrono::steady_clock::now();
        const int status = RunVarn(vArgs);
        const double elapsed = MsSince(t0);
        if (status != 0) {
            std::fprintf(stderr, "varn failed with status %d\n", status);
            return;
        }
        ms.push_back(elapsed);
    }
    std::printf("%-40s %s ms\n", szWhat, FormatSpread(Spread(ms), "%.1f").c_str());
}

}  // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 && std::atoi(argv[1]) > 0 ? std::atoi(argv[1]) : 5;
    varnsim::Options options;
    options.paced = true;
    options.bootWindowMs = 0;
    varnsim::Simulator sim(options);
    std::string error;
    if (!sim.Start(&error)) {
        std::fprintf(stderr, "simulator: %s\n", error.c_str());
        return 1;
    }
    const std::string port = sim.PortPath();
    std::printf("varn get against the paced simulator, %d runs each:\n", runs);
    Time("varn get PORT sens-type", {"get", port, "sens-type"}, runs);
    Time("varn --full-wakeup get PORT sens-type", {"--full-wakeup", "get", port, "sens-type"}, runs);
    return 0;
}
