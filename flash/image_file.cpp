// Opening a firmware image: the one place that decides what may be uploaded.
#include <cerrno>
#include <cstring>

#include "bootloader.h"
#include "fileio.h"
#include "log.h"

FILE* FlashOpenImage(const char* szPath, FlashImageInfo* pInfo)
{
    *pInfo = FlashImageInfo{};
    // The open does not wait on a FIFO or a modem device, and what was
    // opened is looked at before a byte is read.
    FileStatus st;
    int err = 0;
    FILE* f = FileOpenRegular(szPath, &st, &err);
    if (f == nullptr) {
        pInfo->nErrno = err;
        pInfo->nFault = err != 0 ? FLASH_IMAGE_OPEN_FAILED : FLASH_IMAGE_NOT_REGULAR;
        if (err == 0)
            pInfo->szKind = FileKindName(st.nType);
        return nullptr;
    }
    pInfo->uSize = st.uSize;
    if (st.uSize == 0 || pInfo->uSize > FLASH_IMAGE_MAX_SIZE) {
        pInfo->nFault = st.uSize == 0 ? FLASH_IMAGE_EMPTY : FLASH_IMAGE_TOO_LARGE;
        std::fclose(f);
        return nullptr;
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
