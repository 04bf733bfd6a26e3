#include "device.h"

#include <algorithm>

namespace varnsim {
namespace {

// A running stream is topped up below the low mark to about the high mark:
// enough to keep the line busy between wake-ups, little enough that an
// abort leaves no long tail.
constexpr size_t kRefillLow = 2048;
constexpr size_t kRefillHigh = 8192;
// Noise goes out in slices of this length at the line rate.
constexpr auto kNoiseSlice = std::chrono::milliseconds(1);
// A scope stream whose output the line has not taken for this long has no
// reader: the host closed the port, and the sensor's stream ends.
constexpr auto kLineClosedAfter = std::chrono::milliseconds(1000);
// Logger capacity when the options leave it open.
constexpr int kDefaultLoggerCapacity = 262144;

Bootloader::Identity IdentityFrom(const Options& o)
{
    Bootloader::Identity id;
    id.version = o.bootloaderVersion;
    // The host shows W3 W2 W1 as "%08X%08X%08X": the text's first eight
    // digits are the last word on the wire.
    // Start() refuses an identifier that is not 24 hex digits; until then
    // any text gives some words rather than an exception.
    for (size_t i = 0; i < 24 && i < o.uniqueId.size(); ++i) {
        const char c = o.uniqueId[i];
        const uint32_t digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : 0;
        uint32_t& word = id.words[2 - i / 8];
        word = (word << 4) | digit;
    }
    id.flashSize = o.flashSize;
    id.freeFlash = o.flashSize > o.bootloaderSize ? o.flashSize - o.bootloaderSize : 0;
    return id;
}

} // namespace

Device::Device(const Options& options)
    : options_(options),
      params_(KindFromName(options.kind), options.fwVersion, options.uniqueId, options.externalFlash,
              options.loggerRecords,
              options.loggerCapacity >= 0 ? options.loggerCapacity : std::max(kDefaultLoggerCapacity, options.loggerRecords)),
      console_(params_, options.adminPassword, options.consoleIdleMs), boot_(IdentityFrom(options))
{
}

void Device::Start(TimePoint now)
{
    if (options_.powerUpAfterMs >= 0)
        powerOnAt_ = now + std::chrono::milliseconds(options_.powerUpAfterMs);
    else if (options_.poweredOn)
        PowerOn(now);
}

void Device::PowerOff()
{
    state_ = State::Off;
    stateUntil_ = TimePoint::max();
    powerOnAt_ = TimePoint::max();
    out_.clear();
    delayed_.clear();
    noiseQueue_.clear();
    hangUpPending_ = false;
    console_.Restart();
    boot_.Reset();
    params_.Force("misc-scopemode", "no");
}

void Device::PowerOn(TimePoint now)
{
    powerOnAt_ = TimePoint::max();
    if (state_ != State::Off)
        return;
    state_ = State::BootWindow;
    stateUntil_ = now + std::chrono::milliseconds(options_.bootWindowMs);
    boot_.Reset();
    if (!bootNoiseBytes_.empty()) {
        noiseQueue_ += bootNoiseBytes_;
        noiseNext_ = std::min(noiseNext_, now);
    }
    if (bootNoise_.count() > 0)
        SendNoise(static_cast<int>(bootNoise_.count()), now);
}

void Device::PowerCycle(int offMs, TimePoint now)
{
    PowerOff();
    powerOnAt_ = now + std::chrono::milliseconds(offMs > 0 ? offMs : 0);
}

void Device::Reboot(TimePoint now)
{
    // The status line already queued still leaves: the sensor resets once
    // its transmitter is done, which the host cannot tell apart.
    console_.Restart();
    boot_.Reset();
    params_.Force("misc-scopemode", "no");
    state_ = State::Deaf;
    stateUntil_ = now + std::chrono::milliseconds(options_.rebootMs);
}

void Device::SendNoise(int ms, TimePoint now)
{
    noiseUntil_ = std::max(noiseUntil_, now + std::chrono::milliseconds(ms));
    noiseNext_ = std::min(noiseNext_, now);
}

void Device::Emit(std::string& reply, TimePoint now)
{
    if (reply.empty())
        return;
    if (delay_.count() > 0 || !delayed_.empty()) {
        delayed_.emplace_back(now + delay_, std::move(reply));
    } else {
        if (out_.empty())
            outputSince_ = now;
        out_ += reply;
    }
    reply.clear();
}

void Device::Receive(uint8_t byte, TimePoint now)
{
    // A byte that comes after a window closed or the console's idle time
    // ran out finds that already happened, however late Advance runs.
    RunTimers(now);
    if (silent_)
        return;
    std::string reply;
    switch (state_) {
    case State::Off:
    case State::Deaf:
        return;
    case State::BootWindow:
        if (byte == kMagic) {
            reply += static_cast<char>(boot_.MagicReply());
            if (boot_.MagicReply() == kOk) {
                state_ = State::Bootloader;
                stateUntil_ = TimePoint::max();
            }
        }
        break;
    case State::Bootloader: {
        const Bootloader::Event event = boot_.Feed(byte, now, reply);
        if (event == Bootloader::Event::Flashed) {
            std::string version;
            if (ImageVersion(boot_.Image(), &version))
                params_.Force("fw-version", version);
        } else if (event == Bootloader::Event::Exit) {
            state_ = State::Console;
            console_.Restart();
        }
        break;
    }
    case State::Console: {
        const bool streaming = console_.ActiveStream() != nullptr;
        const Console::Action action = console_.Feed(byte, now, reply);
        // An aborted stream leaves off where the line is: what was made
        // ready but not yet sent is dropped.
        if (streaming && !console_.ActiveStream())
            out_.clear();
        if (action == Console::Action::Reboot) {
            Emit(reply, now);
            Reboot(now);
        }
        break;
    }
    }
    Emit(reply, now);
}

void Device::RunTimers(TimePoint now)
{
    if (now >= powerOnAt_)
        PowerOn(now);
    if (now >= stateUntil_) {
        if (state_ == State::Deaf) {
            state_ = State::BootWindow;
            stateUntil_ = now + std::chrono::milliseconds(options_.bootWindowMs);
        } else if (state_ == State::BootWindow) {
            state_ = State::Console;
            stateUntil_ = TimePoint::max();
            console_.Restart();
        }
    }
    if (state_ == State::Console)
        console_.Advance(now);
}

namespace {

bool SignalStream(const Stream* stream)
{
    return stream != nullptr && !stream->EndsOnLineEnd();
}

} // namespace

void Device::Advance(TimePoint now)
{
    if (out_.empty()) {
        outputSince_ = now;
    } else if (state_ == State::Console && SignalStream(console_.ActiveStream()) && now - outputSince_ >= kLineClosedAfter) {
        console_.EndStream(now);
        out_.clear();
    }
    RunTimers(now);
    if (state_ == State::Bootloader && !silent_) {
        std::string reply;
        boot_.Advance(now, reply);
        Emit(reply, now);
    }
    while (!delayed_.empty() && delayed_.front().first <= now) {
        out_ += delayed_.front().second;
        delayed_.pop_front();
    }
    // Noise at the line rate, however late this call comes: the exact
    // bytes first, then random ones until the noise time is over.
    const size_t slice = kLineBytesPerSecond / 1000;
    while (noiseNext_ <= now && (!noiseQueue_.empty() || noiseNext_ < noiseUntil_)) {
        if (!noiseQueue_.empty()) {
            const size_t n = std::min(slice, noiseQueue_.size());
            out_.append(noiseQueue_, 0, n);
            noiseQueue_.erase(0, n);
        } else {
            std::uniform_int_distribution<int> byteValue(0, 255);
            for (size_t i = 0; i < slice; ++i)
                out_ += static_cast<char>(byteValue(random_));
        }
        noiseNext_ += kNoiseSlice;
    }
    if (noiseQueue_.empty() && noiseNext_ >= noiseUntil_)
        noiseNext_ = TimePoint::max();
    Refill(now);
}

void Device::Refill(TimePoint now)
{
    Stream* stream = state_ == State::Console ? console_.ActiveStream() : nullptr;
    if (!stream || silent_ || !delayed_.empty() || out_.size() >= kRefillLow || stream->Ready() > now)
        return;
    // A signal stream has its next piece only once it was acquired.
    while (out_.size() < kRefillHigh && stream->Ready() <= now) {
        if (!stream->Next(out_) || stream->HangUpDue()) {
            hangUpPending_ = stream->HangUpDue();
            console_.EndStream(now);
            return;
        }
    }
}

void Device::Sent(size_t n, TimePoint now)
{
    out_.erase(0, n);
    if (n > 0)
        outputSince_ = now;
    Refill(now);
}

bool Device::TakeHangUp()
{
    if (!hangUpPending_ || !out_.empty())
        return false;
    hangUpPending_ = false;
    return true;
}

TimePoint Device::Deadline() const
{
    TimePoint t = std::min({powerOnAt_, stateUntil_, noiseNext_});
    if (!delayed_.empty())
        t = std::min(t, delayed_.front().first);
    if (state_ == State::Console) {
        t = std::min(t, console_.Deadline());
        const Stream* stream = console_.ActiveStream();
        if (stream && out_.size() < kRefillLow && delayed_.empty() && !silent_)
            t = std::min(t, std::max(stream->Ready(), TimePoint::min()));
        if (SignalStream(stream) && !out_.empty())
            t = std::min(t, outputSince_ + kLineClosedAfter);
    }
    if (state_ == State::Bootloader)
        t = std::min(t, boot_.Deadline());
    return t;
}

} // namespace varnsim
