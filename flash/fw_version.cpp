// Version stamp of a firmware image file.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <new>

#include "bootloader.h"

namespace {

// Where the stamp's parts lie, relative to the first "Copyright".
constexpr char szStampMark[] = "Copyright";
constexpr size_t STAMP_MARK_SIZE = sizeof szStampMark - 1;
constexpr char szStampMaker[] = "ELI";
constexpr size_t STAMP_MAKER_SIZE = sizeof szStampMaker - 1;
constexpr size_t STAMP_MAKER_OFFSET = 16;    // "ELI" starts this many bytes before the mark
constexpr size_t STAMP_VERSION_OFFSET = 8;   // version text starts this many bytes before it

// Decimal number as atoi reads it (leading white space, optional sign,
// digits up to the first other byte; none gives 0), never past pEnd. The
// value saturates at the int range instead of wrapping, so a long run of
// digits never reads as a small version; a negative number keeps atoi's
// value in the unsigned result.
uint32_t ParseDecimal(const uint8_t* p, const uint8_t* pEnd)
{
    while (p < pEnd && std::isspace(*p))
        p++;
    bool negative = false;
    if (p < pEnd && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        p++;
    }
    constexpr uint64_t LIMIT = static_cast<uint64_t>(INT32_MAX) + 1;   // magnitude of INT32_MIN
    uint64_t value = 0;
    while (p < pEnd && *p >= '0' && *p <= '9') {
        value = std::min<uint64_t>(value * 10 + static_cast<uint64_t>(*p - '0'), LIMIT);
        p++;
    }
    if (negative)
        return static_cast<uint32_t>(0u - static_cast<uint32_t>(value));
    return static_cast<uint32_t>(std::min<uint64_t>(value, INT32_MAX));
}

}  // namespace

const void* FlashMemmem(const void* pBuffer, size_t uSize, const void* pPattern, size_t uPatternSize)
{
    if (uPatternSize == 0 || uPatternSize > uSize)
        return nullptr;
    const uint8_t* p = static_cast<const uint8_t*>(pBuffer);
    const uint8_t* pat = static_cast<const uint8_t*>(pPattern);
    const uint8_t* last = p + (uSize - uPatternSize);
    while (p <= last) {
        const void* hit = std::memchr(p, pat[0], static_cast<size_t>(last - p) + 1);
        if (hit == nullptr)
            return nullptr;
        p = static_cast<const uint8_t*>(hit);
        if (std::memcmp(p + 1, pat + 1, uPatternSize - 1) == 0)
            return p;
        p++;
    }
    return nullptr;
}

int GetFwVersionFromImage(const uint8_t* pImage, size_t uSize, uint32_t* pMajor, uint32_t* pMinor)
{
    *pMajor = 0;
    *pMinor = 0;
    const uint8_t* mark = static_cast<const uint8_t*>(FlashMemmem(pImage, uSize, szStampMark, STAMP_MARK_SIZE));
    if (mark == nullptr)
        return 0;
    const size_t pos = static_cast<size_t>(mark - pImage);
    if (pos < STAMP_MAKER_OFFSET || std::memcmp(mark - STAMP_MAKER_OFFSET, szStampMaker, STAMP_MAKER_SIZE) != 0)
        return 0;
    const uint8_t* version = mark - STAMP_VERSION_OFFSET;
    const uint8_t* end = pImage + uSize;
    const uint8_t* dot = static_cast<const uint8_t*>(std::memchr(version, '.', static_cast<size_t>(end - version)));
    if (dot == nullptr)
        return 0;
    *pMajor = ParseDecimal(version, dot);
    *pMinor = ParseDecimal(dot + 1, end);
    return 1;
}

int GetFwVersionFromFile(FILE* pFile, uint32_t* pMajor, uint32_t* pMinor)
{
    *pMajor = 0;
    *pMinor = 0;
    // Blocks of the window's size, each searched together with the last
    // bytes of the one before: enough of them that a mark cut by the block
    // edge is found whole, with the 16 bytes before it. A mark that starts
    // further back lay wholly in the earlier block.
    constexpr size_t KEEP = STAMP_MAKER_OFFSET + STAMP_MARK_SIZE - 1;
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[FLASH_STAMP_WINDOW]);
    if (!buffer || std::fseek(pFile, 0, SEEK_SET) != 0)
        return 0;
    uint8_t* const b = buffer.get();
    size_t held = 0;
    int found = 0;
    for (;;) {
        const size_t got = std::fread(b + held, 1, FLASH_STAMP_WINDOW - held, pFile);
        if (got == 0)
            break;
        held += got;
        const uint8_t* mark = static_cast<const uint8_t*>(FlashMemmem(b, held, szStampMark, STAMP_MARK_SIZE));
        if (mark != nullptr) {
            const size_t pos = static_cast<size_t>(mark - b);
            if (pos < STAMP_MAKER_OFFSET) {
                // Only possible in the first block: no room for "ELI".
                break;
            }
            // The window from "ELI" on: the stamp and what follows it.
            const size_t from = pos - STAMP_MAKER_OFFSET;
            std::memmove(b, b + from, held - from);
            held -= from;
            held += std::fread(b + held, 1, FLASH_STAMP_WINDOW - held, pFile);
            found = GetFwVersionFromImage(b, held, pMajor, pMinor);
            break;
        }
        const size_t keep = held < KEEP ? held : KEEP;
        std::memmove(b, b + held - keep, keep);
        held = keep;
    }
    std::clearerr(pFile);
    std::fseek(pFile, 0, SEEK_SET);
    return found;
}

int GetFwVersion(const char* szPath, uint32_t* pMajor, uint32_t* pMinor)
{
    *pMajor = 0;
    *pMinor = 0;
    FlashImageInfo info;
    FILE* f = FlashOpenImage(szPath, &info);
    if (f == nullptr)
        return 0;
    const int found = GetFwVersionFromFile(f, pMajor, pMinor);
    std::fclose(f);
    return found;
}
