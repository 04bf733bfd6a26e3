// The host end of a simulated line for tests: the slave device opened with
// plain POSIX calls, reads with deadlines.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "elapsed.h"
#include "simulator.h"

class HostPort {
public:
    // Opens path raw at 115200 8N1; Ok() tells whether it worked.
    explicit HostPort(const std::string& path, bool configure = true);
    ~HostPort();
    HostPort(const HostPort&) = delete;
    HostPort& operator=(const HostPort&) = delete;

    bool Ok() const { return fd_ >= 0; }
    int Fd() const { return fd_; }

    void Write(const std::string& bytes);
    // Everything that arrives until n bytes came or ms passed.
    std::string Read(size_t n, int ms);
    // Reads until the text ends with tail, or ms passed.
    std::string ReadUntil(const std::string& tail, int ms);
    // Everything that arrives within ms.
    std::string Drain(int ms) { return Read(static_cast<size_t>(-1), ms); }
    // One line up to LF (CR LF included); partial when ms passed first.
    std::string ReadLine(int ms) { return ReadUntil("\n", ms); }

    // Sends a console command with its CR and returns echo and status line
    // together (both with CR LF).
    std::string Command(const std::string& command, int ms = 1000);
    // Wakes the console and discards its answer.
    void Wakeup();

    // A read after the simulator closed the line fails: true when poll
    // reports a hang-up or read returns 0 or EIO within ms.
    bool HungUp(int ms);

private:
    int fd_ = -1;
};

// A started simulator with a connected host, for a test fixture.
struct SimLine {
    explicit SimLine(varnsim::Options options);
    ~SimLine();
    varnsim::Simulator sim;
    std::string error;
    bool started = false;
    std::unique_ptr<HostPort> host;
};

// Unpaced options with a short boot window, so that tests start fast.
varnsim::Options FastOptions(const std::string& kind = "KORVALIN");
