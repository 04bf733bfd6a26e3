// The scope stream that the sensor sends after "scopemode": a sample frame
// every half second (ASCII text below firmware 2.82, binary blocks from
// 2.82) and a measurement record of the kind every few seconds, until a
// reboot or power-off, or until the host stops reading.
//
// The signal is a function of the sample index, so a test can compute what
// was sent: channel 0 a sine of SIGNAL_HZ around mid-scale, channel 1 the
// same with noise, both 12-bit readings (0 to 4095, the noisy channel
// touches both ends).
#pragma once

#include <cstdint>
#include <string>

#include "line_pacer.h"
#include "simulator.h"
#include "stream.h"

namespace varnsim {

struct ScopeFaultSpec {
    ScopeFault fault = ScopeFault::None;
    int frame = 0;
};

class ScopeStream : public Stream {
public:
    static constexpr int kFrameMs = 500;        // one frame per half second
    static constexpr int kRecordEvery = 6;      // frames between measurement records (3 s)
    static constexpr double kSignalHz = 2.0;    // channel 0's sine
    static constexpr int kAsciiRate = 1000;     // samples per second per channel, ASCII frames
    static constexpr int kBinaryRate = 2000;    // the same, binary blocks

    // kind: a KindBit (decides the records); binary: firmware 2.82 or
    // later; start: when "scopemode" was accepted (frame k is ready k half
    // seconds later).
    ScopeStream(unsigned kind, bool binary, TimePoint start, ScopeFaultSpec fault);

    TimePoint Ready() const override;
    // Appends frame k with what goes with it (garbage before, records after).
    bool Next(std::string& out) override;
    bool EndsOnLineEnd() const override { return false; }
    bool HangUpDue() const override { return hangUp_; }

    // Reading of channel 0 or 1 at sample index i (pairs counted from the
    // stream's start) at rate samples per second per channel.
    static int Sample(int channel, uint64_t index, int rate);
    // Frame k (1-based) as sent without a fault.
    static std::string Frame(int k, bool binary);
    // The records sent after frame k (empty for most frames and for ORBIK).
    static std::string Records(unsigned kind, int k);

private:
    std::string MakeFrame(int k) const;

    unsigned kind_;
    bool binary_;
    TimePoint start_;
    ScopeFaultSpec fault_;
    int next_ = 1;
    bool hangUp_ = false;
};

} // namespace varnsim
