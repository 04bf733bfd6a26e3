#include "pty_player.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

PtyPlayer::PtyPlayer()
{
    nMaster = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char name[128];
    if (nMaster < 0 || grantpt(nMaster) != 0 || unlockpt(nMaster) != 0 || ptsname_r(nMaster, name, sizeof name) != 0)
        return;
    sSlave = name;
    // Held open (raw) so the master sees no hang-up before the host opens,
    // and so the unread count of the line can be asked.
    nSlaveKeep = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios tio{};
    if (nSlaveKeep >= 0 && tcgetattr(nSlaveKeep, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(nSlaveKeep, TCSANOW, &tio);
    }
    fcntl(nMaster, F_SETFL, fcntl(nMaster, F_GETFL) | O_NONBLOCK);
    if (pipe2(tWake, O_CLOEXEC) != 0)
        tWake[0] = tWake[1] = -1;
}

PtyPlayer::~PtyPlayer()
{
    Stop();
    if (nSlaveKeep >= 0)
        close(nSlaveKeep);
    if (nMaster >= 0)
        close(nMaster);
    for (int fd : tWake)
        if (fd >= 0)
            close(fd);
}

void PtyPlayer::Start(const std::string& sInitial, bool bInitialIsLast, Responder fnRespond)
{
    tPlayer = std::thread([this, sInitial, bInitialIsLast, fnRespond] { Run(sInitial, bInitialIsLast, fnRespond); });
}

void PtyPlayer::Stop()
{
    if (!tPlayer.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        bStop = true;
    }
    const char byte = 1;
    [[maybe_unused]] ssize_t n = write(tWake[1], &byte, 1);
    tPlayer.join();
}

std::string PtyPlayer::FromHost() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return sFromHost;
}

bool PtyPlayer::TakeFromHost(std::string& sPending, bool& bLast, const Responder& fnRespond)
{
    char buf[4096];
    const ssize_t n = read(nMaster, buf, sizeof buf);
    if (n <= 0)
        return false;
    const std::string block(buf, static_cast<size_t>(n));
    {
        std::lock_guard<std::mutex> lock(mMutex);
        sFromHost += block;
    }
    if (fnRespond && !bLast)
        sPending += fnRespond(block, &bLast);
    return true;
}

void PtyPlayer::Run(std::string sPending, bool bLast, Responder fnRespond)
{
    // Bytes just written may not be counted as unread yet: the line counts
    // as read only after a few empty looks in a row.
    constexpr int kEmptyLooks = 10;
    int emptyLooks = 0;
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(mMutex);
            if (bStop)
                break;
        }
        // The last bytes sent and read by the host: the line goes down, so
        // the host's next read fails at once.
        int unread = 0;
        const bool read = bLast && sPending.empty() && ioctl(nSlaveKeep, FIONREAD, &unread) == 0 && unread == 0;
        emptyLooks = read ? emptyLooks + 1 : 0;
        if (emptyLooks > kEmptyLooks) {
            if (TakeFromHost(sPending, bLast, fnRespond)) {
                emptyLooks = 0;
                continue;
            }
            close(nSlaveKeep);
            close(nMaster);
            nSlaveKeep = nMaster = -1;
            break;
        }
        pollfd fds[2] = {{nMaster, static_cast<short>(POLLIN | (sPending.empty() ? 0 : POLLOUT)), 0},
                         {tWake[0], POLLIN, 0}};
        if (poll(fds, 2, 1) < 0 && errno != EINTR)
            break;
        if (fds[0].revents & POLLIN)
            TakeFromHost(sPending, bLast, fnRespond);
        if (!sPending.empty()) {
            const ssize_t n = write(nMaster, sPending.data(), sPending.size());
            if (n > 0)
                sPending.erase(0, static_cast<size_t>(n));
        }
    }
}
