// Timing of one direction of the serial line at a fixed byte rate.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace varnsim {

using Clock = std::chrono::steady_clock;
using TimePoint = Clock::time_point;

// A token bucket against the monotonic clock: bytes queued for the line leave
// it back to back, the k-th byte after the line started being complete at
// start + k byte times. Times are derived from one anchor and a byte count,
// so long transfers do not drift however late the caller wakes up.
// Not thread-safe; the owner serialises calls.
class LinePacer {
public:
    explicit LinePacer(int bytesPerSecond) : rate_(bytesPerSecond) {}

    // The caller has bytes for the line again: when the line is idle, the
    // first of them starts now; when it is still busy they follow on.
    void Begin(TimePoint now)
    {
        if (Idle() < now) {
            anchor_ = now;
            count_ = 0;
        }
    }

    // How many further bytes have completed their transfer by now.
    size_t Due(TimePoint now) const
    {
        if (now <= anchor_)
            return 0;
        const uint64_t ns = static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(now - anchor_).count());
        const uint64_t done = static_cast<uint64_t>((static_cast<unsigned __int128>(ns) * rate_) / 1000000000u);
        return done > count_ ? static_cast<size_t>(done - count_) : 0;
    }

    // The caller handed n of the due bytes on.
    void Taken(size_t n) { count_ += n; }

    // When the next byte will be complete.
    TimePoint NextCompletion() const { return At(count_ + 1); }

    // When the last byte taken was complete.
    TimePoint Idle() const { return At(count_); }

private:
    TimePoint At(uint64_t bytes) const
    {
        const uint64_t ns = static_cast<uint64_t>((static_cast<unsigned __int128>(bytes) * 1000000000u + rate_ - 1) / rate_);
        return anchor_ + std::chrono::nanoseconds(ns);
    }

    int rate_;
    TimePoint anchor_{};
    uint64_t count_ = 0;
};

} // namespace varnsim
