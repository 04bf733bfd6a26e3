// Bootloader vocabulary: status texts, the block CRC, the identifier text and
// the table of devices limited to firmware 2.36.
#include <cstdio>
#include <cstring>

#include "bootloader.h"

namespace {

struct StatusText {
    uint8_t uCode;
    const char* szText;
};

// Status codes the bootloader answers instead of '!'.
const StatusText tStatusTexts[] = {
    {0x31, "Bad command"},                   // '1': unknown command code
    {0x32, "Invalid argument"},              // '2': size or length out of range
    {0x33, "Bad CRC"},                       // '3': DATA_BLOCK CRC mismatch
    {0x34, "Flash R/W error"},               // '4': the flash refused a write
    {0x35, "Invalid state"},                 // '5': frame not allowed now
    {0x36, "Timeout from bootloader side"},  // '6': a frame came incomplete
    {0x37, "Invalid transfert size"},        // '7': END_OF_DATA count mismatch
};

}  // namespace

const char* BldrErrToStr(unsigned nStatus)
{
    const uint8_t code = static_cast<uint8_t>(nStatus & 0xFF);
    for (const StatusText& s : tStatusTexts)
        if (s.uCode == code)
            return s.szText;
    return "???";
}

uint16_t Crc16Ex(uint16_t uCrc, const void* pData, size_t uSize)
{
    const uint8_t* p = static_cast<const uint8_t*>(pData);
    for (size_t i = 0; i < uSize; i++) {
        uCrc ^= p[i];
        for (int bit = 0; bit < 8; bit++)
            uCrc = (uCrc & 1) ? static_cast<uint16_t>((uCrc >> 1) ^ 0xA001) : static_cast<uint16_t>(uCrc >> 1);
    }
    return uCrc;
}

void BldrFormatUniqueId(char szOut[BLDR_UNIQUE_ID_SIZE], uint32_t uW1, uint32_t uW2, uint32_t uW3)
{
    std::snprintf(szOut, BLDR_UNIQUE_ID_SIZE, "%08X%08X%08X", static_cast<unsigned>(uW3),
                  static_cast<unsigned>(uW2), static_cast<unsigned>(uW1));
}

const char* const Device14Table[Device14TableSize] = {
    "002E0040363230360C473431", "00280043363230360C473431", "00310043363230360C473431",
    "00320040363230360C473431", "00220047363230360C473431", "002B0043363230360C473431",
    "002F0040363230360C473431", "004000213232363701473434", "00300047363230360C473431",
    "002D003A3232363702473434", "003D0043363230360C473431", "003E0044363230360C473431",
    "00450043363230360C473431", "00430043363230360C473431",
};

int BldrIsDevice14(const char* szUniqueId)
{
    for (const char* entry : Device14Table)
        if (std::strcmp(entry, szUniqueId) == 0)
            return 1;
    return 0;
}
