// libFuzzer entry of the bootloader harness.
#include "harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t uSize)
{
    FuzzBootloaderExchange(pData, uSize);
    return 0;
}
