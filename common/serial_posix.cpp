// POSIX terminal-device implementation of the serial seam.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <chrono>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

#include "log.h"
#include "portdir.h"
#include "serial_port.h"

const SerialHandle SERIAL_INVALID_HANDLE = -1;

namespace {

using Clock = std::chrono::steady_clock;

// Longest pause while a partial block gathers.
constexpr long long kBatchMaxUs = 10000;

// The suite's line settings: raw bytes, 115200 baud, 8 data bits, no parity,
// one stop bit, receiver on, modem lines ignored, no hardware or software
// flow control, no hang-up on close, reads return at once (the time-out is
// done with poll).
bool ConfigureLine(int fd)
{
    termios tio{};
    if (tcgetattr(fd, &tio) != 0)
        return false;
    cfmakeraw(&tio);
    tio.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS | HUPCL);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK | IGNPAR | PARMRK);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (cfsetispeed(&tio, B115200) != 0 || cfsetospeed(&tio, B115200) != 0)
        return false;
    if (tcsetattr(fd, TCSANOW, &tio) != 0)
        return false;
    // DTR and RTS cleared; lines without modem signals (pseudo-terminals)
    // refuse this, which does not matter.
    int lines = TIOCM_DTR | TIOCM_RTS;
    (void)ioctl(fd, TIOCMBIC, &lines);
    return true;
}

void CloseDevice(int fd)
{
    (void)ioctl(fd, TIOCNXCL);
    close(fd);
}

int MillisecondsLeft(Clock::time_point deadline)
{
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0)
        return 0;
    // Round up so a poll never wakes just before the deadline and spins.
    return static_cast<int>(left) + 1;
}

// Natural order: digit runs compare by value, so ttyS2 comes before ttyS10.
bool NaturalLess(const std::string& a, const std::string& b)
{
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (std::isdigit(static_cast<unsigned char>(a[i])) && std::isdigit(static_cast<unsigned char>(b[j]))) {
            size_t ie = i, je = j;
            while (ie < a.size() && std::isdigit(static_cast<unsigned char>(a[ie]))) ie++;
            while (je < b.size() && std::isdigit(static_cast<unsigned char>(b[je]))) je++;
            std::string na = a.substr(i, ie - i), nb = b.substr(j, je - j);
            na.erase(0, std::min(na.find_first_not_of('0'), na.size()));
            nb.erase(0, std::min(nb.find_first_not_of('0'), nb.size()));
            if (na.size() != nb.size())
                return na.size() < nb.size();
            if (na != nb)
                return na < nb;
            i = ie;
            j = je;
        } else {
            if (a[i] != b[j])
                return a[i] < b[j];
            i++;
            j++;
        }
    }
    return a.size() - i < b.size() - j;
}

std::vector<std::string> ListDir(const std::string& sDir)
{
    std::vector<std::string> names;
    DIR* d = opendir(sDir.c_str());
    if (d == nullptr)
        return names;
    while (dirent* e = readdir(d)) {
        if (e->d_name[0] != '.')
            names.emplace_back(e->d_name);
    }
    closedir(d);
    std::sort(names.begin(), names.end(), NaturalLess);
    return names;
}

std::string ReadSmallFile(const std::string& sPath)
{
    char buf[64];
    int fd = open(sPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    ssize_t n = read(fd, buf, sizeof buf - 1);
    close(fd);
    if (n <= 0)
        return {};
    return std::string(buf, static_cast<size_t>(n));
}

}  // namespace

bool SerialPortOpen(const std::string& sPath, SerialHandle* pHandle)
{
    *pHandle = SERIAL_INVALID_HANDLE;
    int fd = open(sPath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    // Each refusal closes the device and leaves its reason in errno.
    const auto refuse = [fd](int nErrno) {
        close(fd);
        errno = nErrno;
        return false;
    };
    struct stat st{};
    if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode) || !isatty(fd))
        return refuse(ENOTTY);
    // Exclusive: the advisory lock keeps out every cooperating program (root
    // included); TIOCEXCL also keeps out other non-root openers.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0)
        return refuse(EBUSY);
    if (ioctl(fd, TIOCEXCL) != 0)
        return refuse(errno);
    *pHandle = fd;
    return true;
}

bool SerialPortConfigure(SerialHandle h, unsigned /*uQueueSize*/)
{
    // The kernel sizes its own queues; the queue size has no equivalent here.
    return ConfigureLine(h);
}

bool SerialPortProbe(const std::string& sPath)
{
    SerialHandle h;
    if (!SerialPortOpen(sPath, &h))
        return false;
    SerialPortClose(h);
    return true;
}

void SerialPortClose(SerialHandle h)
{
    if (h >= 0)
        CloseDevice(h);
}

SerialIo SerialPortRead(SerialHandle h, void* pBuffer, unsigned uSize, unsigned uTimeout, unsigned* pRead)
{
    *pRead = 0;
    if (h < 0) {
        errno = EBADF;
        return SERIAL_IO_FAILED;
    }
    auto* p = static_cast<unsigned char*>(pBuffer);
    const auto deadline = Clock::now() + std::chrono::milliseconds(uTimeout);
    unsigned got = 0;
    bool sawHangup = false;
    bool bGathered = false;
    while (got < uSize) {
        // Try first: at the line rate a byte is usually waiting already.
        ssize_t n = read(h, p + got, uSize - got);
        if (n > 0) {
            got += static_cast<unsigned>(n);
            bGathered = false;
            continue;
        }
        // With VMIN = VTIME = 0 an empty queue reads as 0 bytes, so only
        // poll's hang-up flag (or EIO) tells a lost line from a quiet one.
        if (n == 0 && sawHangup) {
            *pRead = got;
            return SERIAL_IO_HUNGUP;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EIO) {
            *pRead = got;
            return SERIAL_IO_HUNGUP;
        }
        if (n < 0 && errno != EAGAIN) {
            *pRead = got;
            return SERIAL_IO_FAILED;
        }
        int wait = MillisecondsLeft(deadline);
        if (wait == 0)
            break;
        if (got > 0 && !bGathered) {
            // A partial block: let the rest gather for as long as the line
            // needs to carry it (capped), then read again, instead of waking
            // for every byte. Only a pause that brought nothing falls back
            // to poll. The read still returns by its deadline.
            const auto rest = std::chrono::microseconds(
                std::min<long long>(kBatchMaxUs, (uSize - got) * 1000000LL / SERIAL_BYTES_PER_SECOND));
            std::this_thread::sleep_until(std::min(deadline, Clock::now() + rest));
            bGathered = true;
            continue;
        }
        pollfd pfd{h, POLLIN, 0};
        int r = poll(&pfd, 1, wait);
        if (r < 0 && errno != EINTR) {
            *pRead = got;
            return SERIAL_IO_FAILED;
        }
        if (r > 0 && (pfd.revents & (POLLHUP | POLLERR | POLLNVAL))) {
            if ((pfd.revents & POLLIN) == 0) {
                *pRead = got;
                return SERIAL_IO_HUNGUP;
            }
            sawHangup = true;   // drain what is left, then report
        }
    }
    *pRead = got;
    return SERIAL_IO_OK;
}

SerialIo SerialPortReadSome(SerialHandle h, void* pBuffer, unsigned uSize, unsigned uTimeout, unsigned* pRead)
{
    *pRead = 0;
    if (h < 0) {
        errno = EBADF;
        return SERIAL_IO_FAILED;
    }
    if (uSize == 0)
        return SERIAL_IO_OK;
    const auto deadline = Clock::now() + std::chrono::milliseconds(uTimeout);
    bool sawHangup = false;
    for (;;) {
        const ssize_t n = read(h, pBuffer, uSize);
        if (n > 0) {
            *pRead = static_cast<unsigned>(n);
            return SERIAL_IO_OK;
        }
        if (n == 0 && sawHangup)
            return SERIAL_IO_HUNGUP;
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EIO)
            return SERIAL_IO_HUNGUP;
        if (n < 0 && errno != EAGAIN)
            return SERIAL_IO_FAILED;
        const int wait = MillisecondsLeft(deadline);
        if (wait == 0)
            return SERIAL_IO_OK;
        pollfd pfd{h, POLLIN, 0};
        const int r = poll(&pfd, 1, wait);
        if (r < 0 && errno != EINTR)
            return SERIAL_IO_FAILED;
        if (r > 0 && (pfd.revents & (POLLHUP | POLLERR | POLLNVAL))) {
            if ((pfd.revents & POLLIN) == 0)
                return SERIAL_IO_HUNGUP;
            sawHangup = true;   // take what is left, then report
        }
    }
}

SerialIo SerialPortWrite(SerialHandle h, const void* pBuffer, unsigned uSize, unsigned uTimeout,
                         unsigned* pWritten)
{
    *pWritten = 0;
    if (h < 0) {
        errno = EBADF;
        return SERIAL_IO_FAILED;
    }
    const auto* p = static_cast<const unsigned char*>(pBuffer);
    const auto deadline = Clock::now() + std::chrono::milliseconds(uTimeout);
    unsigned done = 0;
    while (done < uSize) {
        ssize_t n = write(h, p + done, uSize - done);
        if (n > 0) {
            done += static_cast<unsigned>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN) {
            *pWritten = done;
            return errno == EIO ? SERIAL_IO_HUNGUP : SERIAL_IO_FAILED;
        }
        int wait = MillisecondsLeft(deadline);
        if (wait == 0)
            break;
        pollfd pfd{h, POLLOUT, 0};
        int r = poll(&pfd, 1, wait);
        if (r < 0 && errno != EINTR) {
            *pWritten = done;
            return SERIAL_IO_FAILED;
        }
        if (r > 0 && (pfd.revents & (POLLHUP | POLLERR | POLLNVAL))) {
            *pWritten = done;
            return SERIAL_IO_HUNGUP;
        }
    }
    *pWritten = done;
    if (done == uSize)
        return SERIAL_IO_OK;
    errno = ETIMEDOUT;   // the line took less than the block within the time-out
    return SERIAL_IO_FAILED;
}

void SerialPortPurge(SerialHandle h, bool bInput, bool bOutput)
{
    if (h < 0 || (!bInput && !bOutput))
        return;
    (void)tcflush(h, bInput && bOutput ? TCIOFLUSH : (bInput ? TCIFLUSH : TCOFLUSH));
}

std::vector<std::string> SerialPortCandidates()
{
    std::vector<std::string> ports;
    // The port folder is trusted only as the user's private folder: in /tmp
    // anybody could have made it and planted links to files or devices.
    const std::string virtualDir = SerialVirtualPortDir();
    std::string distrust;
    if (PortDirTrusted(virtualDir, &distrust)) {
        for (const std::string& name : ListDir(virtualDir)) {
            const std::string path = virtualDir + "/" + name;
            if (PortLinkIsDevice(path))
                ports.push_back(path);
            else
                Log("Port link '%s' skipped: it does not lead to a character device !", path.c_str());
        }
    } else if (!distrust.empty()) {
        Log("Port folder ignored: %s !", distrust.c_str());
    }
    // Hardware ports: tty class entries backed by a device. The legacy
    // 8250 driver registers placeholders of type 0 (unknown) that do not
    // exist as hardware.
    for (const std::string& name : ListDir("/sys/class/tty")) {
        const std::string base = "/sys/class/tty/" + name;
        if (access((base + "/device").c_str(), F_OK) != 0)
            continue;
        std::string type = ReadSmallFile(base + "/type");
        if (name.rfind("ttyS", 0) == 0 && (type.empty() || std::atoi(type.c_str()) == 0))
            continue;
        ports.push_back("/dev/" + name);
    }
    return ports;
}
