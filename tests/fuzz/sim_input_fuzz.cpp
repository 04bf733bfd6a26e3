// The simulated sensor's input on any bytes, with time moving on between
// them: console lines, wake-ups, bootloader frames and stream commands in any
// order and any state. It must neither crash nor let its output grow without
// bound while the line takes what it sends.
#include <chrono>

#include "device.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t uSize)
{
    const FuzzInput in(pData, uSize, 3);
    varnsim::Options options;
    options.fwVersion = in.Flag(0) ? "2.81" : "3.45";
    options.kind = in.Flag(1) ? "ORBIK" : "MESTRALO";
    options.loggerRecords = in.Flag(2) ? 5 : 0;
    options.bootWindowMs = in.Flag(3) ? 1000 : 0;
    varnsim::Device device(options);
    varnsim::TimePoint now{};
    device.Start(now);
    const std::string bytes = in.Segment(0);
    const std::string gaps = in.Segment(1);
    constexpr size_t OUTPUT_MAX = 1u << 20;   // more than any answer or a second of stream
    for (size_t i = 0; i < bytes.size(); i++) {
        device.Receive(static_cast<uint8_t>(bytes[i]), now);
        // Time moves by 0 to 255 ms per byte, as the gaps say.
        const int gap = gaps.empty() ? 1 : static_cast<uint8_t>(gaps[i % gaps.size()]);
        now += std::chrono::milliseconds(gap);
        device.Advance(now);
        FuzzCheck(device.Output().size() < OUTPUT_MAX);
        device.Sent(device.Output().size(), now);
        (void)device.TakeHangUp();
    }
    return 0;
}
