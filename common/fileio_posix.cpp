// POSIX part of the file system seam.
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "fileio.h"

namespace {

FileKind TypeOf(mode_t nMode)
{
    if (S_ISREG(nMode))
        return FILE_KIND_REGULAR;
    if (S_ISLNK(nMode))
        return FILE_KIND_LINK;
    if (S_ISDIR(nMode))
        return FILE_KIND_FOLDER;
    if (S_ISFIFO(nMode))
        return FILE_KIND_PIPE;
    if (S_ISCHR(nMode) || S_ISBLK(nMode))
        return FILE_KIND_DEVICE;
    if (S_ISSOCK(nMode))
        return FILE_KIND_SOCKET;
    return FILE_KIND_OTHER;
}

void Fill(const struct stat& st, FileStatus* pStatus)
{
    pStatus->nType = TypeOf(st.st_mode);
    pStatus->uSize = static_cast<unsigned long long>(st.st_size);
    pStatus->tmModified = static_cast<long long>(st.st_mtime);
}

}  // namespace

bool FileStatusOf(const char* szPath, bool bFollowLinks, FileStatus* pStatus, int* pnErrno)
{
    struct stat st{};
    if ((bFollowLinks ? stat(szPath, &st) : lstat(szPath, &st)) != 0) {
        if (pnErrno != nullptr)
            *pnErrno = errno;
        return false;
    }
    Fill(st, pStatus);
    return true;
}

bool FileStatusOfStream(FILE* pFile, FileStatus* pStatus)
{
    struct stat st{};
    if (fstat(fileno(pFile), &st) != 0)
        return false;
    Fill(st, pStatus);
    return true;
}

FILE* FileOpenRegular(const char* szPath, FileStatus* pStatus, int* pnErrno)
{
    *pnErrno = 0;
    *pStatus = FileStatus{};
    // Non-blocking, so that opening a FIFO or a modem device returns at once.
    const int fd = open(szPath, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        *pnErrno = errno;
        return nullptr;
    }
    struct stat st{};
    if (fstat(fd, &st) != 0) {
        *pnErrno = errno;
        close(fd);
        return nullptr;
    }
    Fill(st, pStatus);
    if (pStatus->nType != FILE_KIND_REGULAR) {
        close(fd);
        return nullptr;
    }
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        *pnErrno = errno;
        close(fd);
        return nullptr;
    }
    FILE* f = fdopen(fd, "rb");
    if (f == nullptr) {
        *pnErrno = errno;
        close(fd);
    }
    return f;
}

int FileAppendBytes(const char* szPath, const char* pBytes, size_t uSize)
{
    const int fd = open(szPath, O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0)
        return errno;
    struct stat st{};
    int error = 0;
    if (fstat(fd, &st) != 0)
        error = errno;
    else if (!S_ISREG(st.st_mode) && !S_ISCHR(st.st_mode))
        error = EINVAL;
    size_t done = 0;
    while (error == 0 && done < uSize) {
        const ssize_t n = write(fd, pBytes + done, uSize - done);
        if (n > 0)
            done += static_cast<size_t>(n);
        else if (n < 0 && errno == EINTR)
            continue;
        else
            error = n < 0 ? errno : EIO;
    }
    close(fd);
    return error;
}

FILE* FileCreateTemporary(std::string* pTemplate)
{
    const int fd = mkstemp(pTemplate->data());
    if (fd < 0)
        return nullptr;
    // Held until the file is closed: tells a later run that it is not stale.
    (void)flock(fd, LOCK_EX | LOCK_NB);
    // mkstemp makes the file private; an ordinary file gets the usual permissions.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    FILE* file = fdopen(fd, "w");
    if (file == nullptr) {
        close(fd);
        unlink(pTemplate->c_str());
    }
    return file;
}

bool FileRemoveIfStale(const char* szPath)
{
    struct stat st {};
    if (lstat(szPath, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != getuid())
        return false;
    const int fd = open(szPath, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool removed = flock(fd, LOCK_EX | LOCK_NB) == 0 && unlink(szPath) == 0;
    close(fd);
    return removed;
}

long FileNameMax(const char* szFolder)
{
    const long limit = pathconf(szFolder, _PC_NAME_MAX);
    return limit > 0 ? limit : 255;
}

bool FileFlushToDisk(FILE* pFile)
{
    return std::fflush(pFile) == 0 && fsync(fileno(pFile)) == 0;
}

bool FileRenameNoReplace(const char* szFrom, const char* szTo)
{
#if defined(RENAME_NOREPLACE)
    if (renameat2(AT_FDCWD, szFrom, AT_FDCWD, szTo, RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
#endif
    if (link(szFrom, szTo) == 0) {
        unlink(szFrom);
        return true;
    }
    if (errno == EEXIST)
        return false;
    // A file system without hard links: look first, then rename.
    struct stat st;
    if (stat(szTo, &st) == 0)
        return false;
    return std::rename(szFrom, szTo) == 0;
}

bool FileRenameReplacing(const char* szFrom, const char* szTo)
{
    return std::rename(szFrom, szTo) == 0;
}
