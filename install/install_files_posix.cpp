// POSIX part of the installer's file operations.
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "install_files.h"

namespace {

// Flushes a directory's entries (a rename in it) to disk; failures are
// harmless here, the rename itself has happened.
void SyncDir(const std::string& sFile)
{
    const size_t sep = sFile.rfind('/');
    const std::string dir = sep == std::string::npos ? "." : sep == 0 ? "/" : sFile.substr(0, sep);
    int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

bool WriteAll(int fd, const char* p, size_t n)
{
    while (n > 0) {
        ssize_t w = write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

bool CopyBytes(int in, int out)
{
    char buf[65536];
    for (;;) {
        ssize_t r = read(in, buf, sizeof buf);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (r == 0)
            return true;
        if (!WriteAll(out, buf, static_cast<size_t>(r)))
            return false;
    }
}

}  // namespace

bool InstallEntryExists(const std::string& sPath)
{
    struct stat st;
    return lstat(sPath.c_str(), &st) == 0;
}

bool InstallResolve(const std::string& sPath, std::string* pReal)
{
    char real[PATH_MAX];
    if (realpath(sPath.empty() ? "/" : sPath.c_str(), real) == nullptr)
        return false;
    *pReal = real;
    return true;
}

void InstallKeepExecBits(const std::string& sFrom, const std::string& sTo)
{
    constexpr mode_t exec = S_IXUSR | S_IXGRP | S_IXOTH;
    struct stat from, to;
    if (stat(sFrom.c_str(), &from) != 0 || stat(sTo.c_str(), &to) != 0 || !S_ISREG(from.st_mode) ||
        !S_ISREG(to.st_mode) || (from.st_mode & exec) != 0 || (to.st_mode & exec) == 0)
        return;
    chmod(sFrom.c_str(), (from.st_mode & 07777) | (to.st_mode & exec));
}

int InstallCopyFile(const std::string& sFrom, const std::string& sTo)
{
    // Non-blocking: a pipe in place of the file would hold the open forever.
    int in = open(sFrom.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (in < 0)
        return 0;
    struct stat st;
    const int statErr = fstat(in, &st) != 0 ? errno : !S_ISREG(st.st_mode) ? EINVAL : 0;
    if (statErr != 0) {
        close(in);
        errno = statErr;
        return 0;
    }
    // A fresh file, never one that is there already (it might be a link).
    const std::string part = InstallPartFile(sTo);
    unlink(part.c_str());
    int out = open(part.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (out < 0) {
        const int err = errno;
        close(in);
        errno = err;
        return 0;
    }
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    bool ok = CopyBytes(in, out) && fchmod(out, st.st_mode & 07777) == 0 && futimens(out, times) == 0 &&
              fsync(out) == 0;
    int err = errno;
    close(in);
    if (close(out) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && rename(part.c_str(), sTo.c_str()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        unlink(part.c_str());
        errno = err;
        return 0;
    }
    SyncDir(sTo);
    return 1;
}

int InstallMoveFile(const std::string& sFrom, const std::string& sTo)
{
    if (rename(sFrom.c_str(), sTo.c_str()) == 0) {
        SyncDir(sTo);
        return 1;
    }
    if (errno != EXDEV)
        return 0;
    // Another file system: the new file is complete in place before the
    // source goes. A source that cannot be removed stays behind; installing
    // it again later does no harm.
    if (!InstallCopyFile(sFrom, sTo))
        return 0;
    unlink(sFrom.c_str());
    return 1;
}

bool InstallWriteFileAtOnce(const std::string& sPath, const std::string& sBytes)
{
    const std::string part = InstallPartFile(sPath);
    unlink(part.c_str());
    int fd = open(part.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    bool ok = WriteAll(fd, sBytes.data(), sBytes.size());
    ok = fsync(fd) == 0 && ok;
    ok = close(fd) == 0 && ok;
    ok = ok && rename(part.c_str(), sPath.c_str()) == 0;
    if (!ok)
        unlink(part.c_str());
    return ok;
}
