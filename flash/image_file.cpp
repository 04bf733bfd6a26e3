// Opening a firmware image: the one place that decides what may be uploaded.
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "bootloader.h"
#include "log.h"

namespace {

// What a file that is not a regular one is, for the message.
const char* FileKind(mode_t nMode)
{
    if (S_ISDIR(nMode))
        return "folder";
    if (S_ISFIFO(nMode))
        return "pipe";
    if (S_ISCHR(nMode) || S_ISBLK(nMode))
        return "device";
    if (S_ISSOCK(nMode))
        return "socket";
    return "special file";
}

FILE* Refuse(int fd, FlashImageInfo* pInfo, FlashImageFault nFault)
{
    pInfo->nFault = nFault;
    close(fd);
    return nullptr;
}

}  // namespace

FILE* FlashOpenImage(const char* szPath, FlashImageInfo* pInfo)
{
    *pInfo = FlashImageInfo{};
    // Non-blocking, so that opening a FIFO or a modem device returns at once;
    // what was opened is looked at before a byte is read.
    const int fd = open(szPath, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        pInfo->nFault = FLASH_IMAGE_OPEN_FAILED;
        pInfo->nErrno = errno;
        return nullptr;
    }
    struct stat st{};
    if (fstat(fd, &st) != 0) {
        pInfo->nErrno = errno;
        return Refuse(fd, pInfo, FLASH_IMAGE_OPEN_FAILED);
    }
    if (!S_ISREG(st.st_mode)) {
        pInfo->szKind = FileKind(st.st_mode);
        return Refuse(fd, pInfo, FLASH_IMAGE_NOT_REGULAR);
    }
    pInfo->uSize = static_cast<unsigned long long>(st.st_size);
    if (st.st_size == 0)
        return Refuse(fd, pInfo, FLASH_IMAGE_EMPTY);
    if (pInfo->uSize > FLASH_IMAGE_MAX_SIZE)
        return Refuse(fd, pInfo, FLASH_IMAGE_TOO_LARGE);
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        pInfo->nErrno = errno;
        return Refuse(fd, pInfo, FLASH_IMAGE_OPEN_FAILED);
    }
    FILE* f = fdopen(fd, "rb");
    if (f == nullptr) {
        pInfo->nErrno = errno;
        return Refuse(fd, pInfo, FLASH_IMAGE_OPEN_FAILED);
    }
    return f;
}

int FlashReportImageFault(const FlashImageInfo& info, const char* szPath)
{
    switch (info.nFault) {
    case FLASH_IMAGE_OK:
        return 0;
    case FLASH_IMAGE_OPEN_FAILED:
        Log("%s", std::strerror(info.nErrno));
        return Error("Could not open file '%s' !", szPath);
    case FLASH_IMAGE_NOT_REGULAR:
        return Error("Could not open file '%s' : it is a %s, not a firmware file !", szPath, info.szKind);
    case FLASH_IMAGE_EMPTY:
        return Error("Nothing to upload !");
    case FLASH_IMAGE_TOO_LARGE:
        return Error("Firmware file too large (%llu bytes, at most %llu) !", info.uSize, FLASH_IMAGE_MAX_SIZE);
    }
    return 0;
}

int FlashCheckImage(const char* szPath, uint32_t* pSize)
{
    FlashImageInfo info;
    FILE* f = FlashOpenImage(szPath, &info);
    if (f == nullptr)
        return FlashReportImageFault(info, szPath);
    std::fclose(f);
    if (pSize != nullptr)
        *pSize = static_cast<uint32_t>(info.uSize);
    return 1;
}
