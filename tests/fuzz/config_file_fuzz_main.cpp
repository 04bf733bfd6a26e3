// libFuzzer entry of the configuration file harness.
#include "harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t uSize)
{
    FuzzConfigFile(pData, uSize);
    return 0;
}
