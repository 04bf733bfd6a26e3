#include "pty_peer.h"

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

PtyPeer::PtyPeer()
{
    nMaster = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (nMaster < 0 || grantpt(nMaster) != 0 || unlockpt(nMaster) != 0)
        return;
    char name[128];
    if (ptsname_r(nMaster, name, sizeof name) != 0)
        return;
    sSlave = name;
    // Hold the slave open in raw mode so nothing the peer sends is echoed by
    // the line discipline before the host configures the port, and so the
    // master does not see hang-ups between host sessions.
    nSlaveKeep = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios tio{};
    if (nSlaveKeep >= 0 && tcgetattr(nSlaveKeep, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(nSlaveKeep, TCSANOW, &tio);
    }
}

PtyPeer::~PtyPeer()
{
    HangUp();
}

void PtyPeer::HangUp()
{
    if (nSlaveKeep >= 0)
        close(nSlaveKeep);
    if (nMaster >= 0)
        close(nMaster);
    nSlaveKeep = nMaster = -1;
}

void PtyPeer::Send(const std::string& sBytes)
{
    size_t done = 0;
    while (done < sBytes.size()) {
        ssize_t n = write(nMaster, sBytes.data() + done, sBytes.size() - done);
        if (n <= 0)
            return;
        done += static_cast<size_t>(n);
    }
}

std::string PtyPeer::Receive(unsigned uMs, const std::string& sUntil)
{
    std::string got;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(uMs);
    for (;;) {
        if (!sUntil.empty() && got.find(sUntil) != std::string::npos)
            break;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
        if (left <= 0)
            break;
        pollfd pfd{nMaster, POLLIN, 0};
        if (poll(&pfd, 1, static_cast<int>(left)) <= 0)
            continue;
        char buf[4096];
        ssize_t n = read(nMaster, buf, sizeof buf);
        if (n <= 0)
            break;
        got.append(buf, static_cast<size_t>(n));
    }
    return got;
}

std::string PtyPeer::AnswerNextCommand(const std::string& sReply, unsigned uMs)
{
    std::string cmd = Receive(uMs, "\r");
    Send(sReply);
    return cmd;
}
