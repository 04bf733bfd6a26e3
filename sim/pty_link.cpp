#include "pty_link.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include "portdir.h"

namespace varnsim {
namespace {

std::string Errno(const std::string& what)
{
    return what + ": " + std::strerror(errno);
}

} // namespace

bool OpenRawPty(Pty* pty, std::string* error)
{
    Pty p;
    p.master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (p.master < 0) {
        *error = Errno("posix_openpt");
        return false;
    }
    char name[PATH_MAX];
    if (grantpt(p.master) != 0 || unlockpt(p.master) != 0 || ptsname_r(p.master, name, sizeof name) != 0) {
        *error = Errno("pseudo-terminal set-up");
        ClosePty(&p);
        return false;
    }
    p.slavePath = name;
    p.slave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (p.slave < 0) {
        *error = Errno("open " + p.slavePath);
        ClosePty(&p);
        return false;
    }
    // Raw bytes both ways, no echo, no line editing, no flow control.
    termios tio{};
    if (tcgetattr(p.slave, &tio) != 0) {
        *error = Errno("tcgetattr");
        ClosePty(&p);
        return false;
    }
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~(HUPCL | CRTSCTS | CSTOPB | PARENB);
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    cfsetispeed(&tio, B115200);
    cfsetospeed(&tio, B115200);
    if (tcsetattr(p.slave, TCSANOW, &tio) != 0) {
        *error = Errno("tcsetattr");
        ClosePty(&p);
        return false;
    }
    const int flags = fcntl(p.master, F_GETFL);
    if (flags < 0 || fcntl(p.master, F_SETFL, flags | O_NONBLOCK) != 0) {
        *error = Errno("fcntl");
        ClosePty(&p);
        return false;
    }
    *pty = p;
    return true;
}

void ClosePty(Pty* pty)
{
    if (pty->master >= 0)
        close(pty->master);
    if (pty->slave >= 0)
        close(pty->slave);
    pty->master = -1;
    pty->slave = -1;
}

bool ValidLinkName(const std::string& name)
{
    if (name.empty() || name.size() > 64 || name == "." || name == ".." || name[0] == '.')
        return false;
    for (unsigned char c : name)
        if (c == '/' || c <= ' ' || c >= 0x7F)
            return false;
    return true;
}

bool PublishLink(const std::string& name, const std::string& target, std::string* linkPath, std::string* error)
{
    if (!ValidLinkName(name)) {
        *error = "bad link name '" + name + "' (a plain file name without '/' or blanks is needed)";
        return false;
    }
    // Others must not be able to plant links in our port folder.
    const std::string dir = SerialVirtualPortDir();
    if (!RuntimeDirPrepare(dir, RUNTIME_DIR_TIGHTEN, error))
        return false;

    const std::string path = dir + "/" + name;
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
        *error = path + " exists and is not a link";
        return false;
    }
    // A hidden temporary link renamed over the name: the name is never
    // missing or half made for a host listing the folder.
    const std::string temp = dir + "/.tmp-" + std::to_string(getpid()) + "-" + name;
    unlink(temp.c_str());
    if (symlink(target.c_str(), temp.c_str()) != 0) {
        *error = Errno("symlink " + temp);
        return false;
    }
    if (rename(temp.c_str(), path.c_str()) != 0) {
        *error = Errno("rename " + temp);
        unlink(temp.c_str());
        return false;
    }
    *linkPath = path;
    return true;
}

void WithdrawLink(const std::string& linkPath, const std::string& target)
{
    if (linkPath.empty())
        return;
    char buffer[PATH_MAX];
    const ssize_t n = readlink(linkPath.c_str(), buffer, sizeof buffer - 1);
    if (n < 0)
        return;
    buffer[n] = '\0';
    if (target == buffer)
        unlink(linkPath.c_str());
}

} // namespace varnsim
