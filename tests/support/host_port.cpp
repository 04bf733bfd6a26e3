#include "host_port.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

HostPort::HostPort(const std::string& path, bool configure)
{
    fd_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0 || !configure)
        return;
    termios tio{};
    tcgetattr(fd_, &tio);
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    cfsetispeed(&tio, B115200);
    cfsetospeed(&tio, B115200);
    tcsetattr(fd_, TCSANOW, &tio);
}

HostPort::~HostPort()
{
    if (fd_ >= 0)
        close(fd_);
}

void HostPort::Write(const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return;
        } else {
            pollfd p{fd_, POLLOUT, 0};
            poll(&p, 1, 100);
        }
    }
}

std::string HostPort::Read(size_t n, int ms)
{
    std::string got;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (got.size() < n) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0)
            break;
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) <= 0)
            continue;
        char buffer[4096];
        const size_t want = std::min(sizeof buffer, n - got.size());
        const ssize_t r = read(fd_, buffer, want);
        if (r > 0)
            got.append(buffer, static_cast<size_t>(r));
        else if (r == 0 || (errno != EAGAIN && errno != EINTR))
            break;
    }
    return got;
}

std::string HostPort::ReadUntil(const std::string& tail, int ms)
{
    std::string got;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (got.size() < tail.size() || got.compare(got.size() - tail.size(), tail.size(), tail) != 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0)
            break;
        const std::string one = Read(1, static_cast<int>(left));
        if (one.empty())
            break;
        got += one;
    }
    return got;
}

std::string HostPort::Command(const std::string& command, int ms)
{
    Write(command + "\r");
    std::string answer = ReadLine(ms);
    return answer + ReadLine(ms);
}

void HostPort::Wakeup()
{
    Write("wakeup!\r");
    ReadUntil("OK awake\r\n", 1000);
}

bool HostPort::HungUp(int ms)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, 20) > 0) {
            if (p.revents & (POLLHUP | POLLERR))
                return true;
            char c;
            const ssize_t r = read(fd_, &c, 1);
            if (r == 0 || (r < 0 && errno == EIO))
                return true;
        }
    }
    return false;
}

SimLine::SimLine(varnsim::Options options) : sim(std::move(options))
{
    started = sim.Start(&error);
    if (started)
        host = std::make_unique<HostPort>(sim.PortPath());
}

SimLine::~SimLine()
{
    host.reset();
    sim.Stop();
}

varnsim::Options FastOptions(const std::string& kind)
{
    varnsim::Options o;
    o.kind = kind;
    o.paced = false;
    o.bootWindowMs = 0;
    o.rebootMs = 50;
    return o;
}
