// The version stamp of a firmware image and the byte search it uses, on any
// image: the search must agree with a plain one, and an image without a
// whole stamp reads as no version.
#include <algorithm>
#include <cstring>

#include "bootloader.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t uSize)
{
    const FuzzInput in(pData, uSize, 2);
    const std::string image = in.Segment(0);
    const std::string pattern = in.Segment(1).substr(0, 32);
    const auto* p = reinterpret_cast<const uint8_t*>(image.data());

    const void* hit = FlashMemmem(p, image.size(), pattern.data(), pattern.size());
    const size_t plain = pattern.empty() ? std::string::npos : image.find(pattern);
    FuzzCheck(plain == std::string::npos ? hit == nullptr : hit == p + plain);

    uint32_t major = 1, minor = 1;
    const int found = GetFwVersionFromImage(p, image.size(), &major, &minor);
    const size_t mark = image.find("Copyright");
    if (mark == std::string::npos || mark < 16 || image.compare(mark - 16, 3, "ELI") != 0)
        FuzzCheck(found == 0);
    if (!found)
        FuzzCheck(major == 0 && minor == 0);
    return 0;
}
