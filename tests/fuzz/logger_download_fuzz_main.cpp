// libFuzzer entry of the logger download harness.
#include "harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t uSize)
{
    FuzzLoggerDownload(pData, uSize);
    return 0;
}
