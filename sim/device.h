// The simulated sensor without its line: power, bootloader window,
// bootloader, console and the faults that cut across them. Time comes in
// from the caller, bytes come in as the line delivers them, and the bytes to
// send wait in Output() until the caller takes them.
#pragma once

#include <deque>
#include <random>
#include <string>
#include <utility>

#include "sim_bootloader.h"
#include "console.h"
#include "line_pacer.h"
#include "params.h"
#include "simulator.h"

namespace varnsim {

// Not thread-safe; the simulator serialises calls.
class Device {
public:
    enum class State {
        Off,
        Deaf,        // rebooting
        BootWindow,  // bootloader listening for MAGIC
        Bootloader,  // MAGIC answered, frames until EXIT
        Console,
    };

    explicit Device(const Options& options);

    // Applies the options' power at start.
    void Start(TimePoint now);

    void Receive(uint8_t byte, TimePoint now);
    // Runs the timers and refills the output from a running stream.
    void Advance(TimePoint now);
    // The next time Advance has something to do; TimePoint::max() if none.
    TimePoint Deadline() const;

    // Bytes waiting for the line; the caller removes what it sent with Sent.
    const std::string& Output() const { return out_; }
    void Sent(size_t n, TimePoint now);
    // Answers held back by the answer delay.
    bool HoldsDelayed() const { return !delayed_.empty(); }
    // true once, when a stream asked for a hang-up and its last byte has
    // gone to the line.
    bool TakeHangUp();

    void PowerOff();
    void PowerOn(TimePoint now);
    void PowerCycle(int offMs, TimePoint now);

    State GetState() const { return state_; }
    ParamStore& Params() { return params_; }
    const ParamStore& Params() const { return params_; }
    Console& GetConsole() { return console_; }
    const Console& GetConsole() const { return console_; }
    Bootloader& GetBootloader() { return boot_; }
    const Bootloader& GetBootloader() const { return boot_; }

    // Faults.
    void SetSilent(bool silent) { silent_ = silent; }
    void SetAnswerDelayMs(int ms) { delay_ = std::chrono::milliseconds(ms > 0 ? ms : 0); }
    void SetBootNoiseMs(int ms) { bootNoise_ = std::chrono::milliseconds(ms > 0 ? ms : 0); }
    // These exact bytes go out at the line rate after each power-up, ahead
    // of the random boot noise; empty: none.
    void SetBootNoiseBytes(std::string bytes) { bootNoiseBytes_ = std::move(bytes); }
    void SendNoise(int ms, TimePoint now);

private:
    void RunTimers(TimePoint now);
    void Emit(std::string& reply, TimePoint now);
    void Refill(TimePoint now);
    void Reboot(TimePoint now);

    Options options_;
    ParamStore params_;
    Console console_;
    Bootloader boot_;
    State state_ = State::Off;
    TimePoint stateUntil_ = TimePoint::max();  // end of Deaf or BootWindow
    TimePoint powerOnAt_ = TimePoint::max();
    std::string out_;
    std::deque<std::pair<TimePoint, std::string>> delayed_;
    bool silent_ = false;
    std::chrono::milliseconds delay_{0};
    std::chrono::milliseconds bootNoise_{0};
    std::string bootNoiseBytes_;
    std::string noiseQueue_;                    // exact noise bytes still to go out
    TimePoint noiseNext_ = TimePoint::max();
    TimePoint noiseUntil_ = TimePoint::min();
    TimePoint outputSince_{};   // output was last empty, or last taken by the line
    bool hangUpPending_ = false;
    std::mt19937 random_{20240301};
};

} // namespace varnsim
