// A simulated sensor in a child process, for benchmarks that measure the
// CPU time of their own process: the simulator's threads then count
// against the child, not against the figure.
#pragma once

#include <string>
#include <sys/resource.h>
#include <sys/types.h>
#include <unistd.h>

#include "simulator.h"

// Starts the simulator with these options in a child that runs until the
// parent closes *pKeepAlive; *pPort is its port path (empty when it could
// not start). The child's pid, or -1 when it could not be made.
inline pid_t StartSimulatorProcess(const varnsim::Options& options, std::string* pPort, int* pKeepAlive)
{
    int toParent[2], toChild[2];
    if (pipe(toParent) != 0 || pipe(toChild) != 0)
        return -1;
    const pid_t pid = fork();
    if (pid < 0)
        return -1;
    if (pid == 0) {
        close(toParent[0]);
        close(toChild[1]);
        varnsim::Simulator sim(options);
        std::string error;
        std::string port = sim.Start(&error) ? sim.PortPath() : std::string();
        port += '\n';
        if (write(toParent[1], port.data(), port.size()) < 0)
            _exit(1);
        char c;
        while (read(toChild[0], &c, 1) > 0) {
        }
        sim.Stop();
        _exit(0);
    }
    close(toParent[1]);
    close(toChild[0]);
    std::string port;
    char c;
    while (read(toParent[0], &c, 1) == 1 && c != '\n')
        port += c;
    close(toParent[0]);
    *pPort = port;
    *pKeepAlive = toChild[1];
    return pid;
}

// User and system CPU seconds of this whole process.
inline double ProcessCpuSeconds()
{
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
           static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}
