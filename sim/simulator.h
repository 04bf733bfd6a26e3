// A stand-in for the sensor on a pseudo-terminal: its sleeping console, its
// on-board logger and its bootloader, at the real line rate if wanted, with
// faults that tests switch on.
//
// Threading: one I/O thread per simulator does all the line work. Every public
// member may be called from any thread at any time; calls are serialised with
// the I/O thread by one lock.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "serial_port.h"

namespace varnsim {

// The line rate of the suite's serial link, 115200 baud 8N1.
inline constexpr int kLineBytesPerSecond = SERIAL_BYTES_PER_SECOND;

struct Options {
    // KORVALIN, DUVIKORN, MESTRALO, PALVETRA, GRESTOLV, or ORBIK (a type name
    // only the scope accepts; it has the parameters common to every kind).
    std::string kind = "KORVALIN";
    // Answer to "fw-version"; decides which firmware-dependent keys exist.
    std::string fwVersion = "3.45";
    // true: both directions move at kLineBytesPerSecond; false: as fast as the
    // pseudo-terminal takes the bytes.
    bool paced = true;
    // Non-empty: publish the port as SerialVirtualPortDir()/linkName.
    std::string linkName;
    // false: start powered off (silent, input ignored) until PowerOn() or
    // powerUpAfterMs.
    bool poweredOn = true;
    // >= 0: start powered off and power up this many ms after Start().
    int powerUpAfterMs = -1;
    // How long the bootloader listens for MAGIC after each power-up or reboot.
    int bootWindowMs = 1000;
    // How long a "reboot" leaves the sensor deaf before its bootloader window.
    int rebootMs = 300;
    // >= 0: the console falls asleep after this many ms without input;
    // < 0: after the "cons-idle" parameter's number of seconds.
    int consoleIdleMs = -1;
    // Password that "admin" takes to unlock the factory parameters.
    std::string adminPassword = "varn";
    // Records stored in the logger; generated on the fly when downloaded.
    int loggerRecords = 0;
    // Records the logger can hold ("logger-capa"), at least loggerRecords;
    // < 0: 262144, or loggerRecords when that is more.
    int loggerCapacity = -1;
    // The logger's flash chip ("hw-extflash"); without it there is no logger.
    bool externalFlash = true;
    // The 96-bit unique identifier as the host shows it: 24 hex digits, the
    // last word sent by GET_UNIQUE_ID first. Also the hardware serial number.
    std::string uniqueId = "0036003F3137510A33353438";
    // GET_VERSION text of the bootloader.
    std::string bootloaderVersion = "VARN-BL 1.12";
    // GET_FLASH_SIZE; GET_FREE_FLASH answers flashSize - bootloaderSize.
    uint32_t flashSize = 262144;
    uint32_t bootloaderSize = 16384;
};

// Where a logger download goes wrong (SetLoggerFault).
enum class LoggerFault {
    None,
    SkipRecord,   // record k is left out: ..., k-1, k+1, ...
    NoSeparator,  // record k comes with blanks instead of ';'
    StopAfter,    // the stream stops after record k (0: after the heading)
    CutRecord,    // the stream stops in the middle of record k, no line end
};

// What goes wrong in the scope stream (SetScopeFault), at frame k of each
// stream (1 = the first frame after "scopemode").
enum class ScopeFault {
    None,
    ShortFrame,        // 999 values (binary: a payload one sample short)
    LongFrame,         // 1001 values (binary: a payload one sample long)
    NewlineInPayload,  // binary: offset and first samples hold 0x0A bytes
    OversizedPayload,  // binary: a payload of 9000 bytes, more than the host's line buffer
    Garbage,           // lines of noise, a record without its fields, before frame k
    HangUp,            // the line hangs up once frame k has been sent
};

// Where the line's time went, for benchmarks that split the host's share
// of a transfer from the simulator's. A turn runs from the first byte of a
// request read off the pseudo-terminal to the last byte of its answer
// written to it (or to the moment the request was taken, when it brought
// no answer); between turns the line waits for the host.
struct Timeline {
    std::vector<std::pair<std::chrono::steady_clock::time_point, std::chrono::steady_clock::time_point>> turns;
    double cpuSeconds = 0;   // CPU time of the simulator's I/O thread
};

class Simulator {
public:
    explicit Simulator(Options options);
    ~Simulator();  // Stop()
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // Opens the pseudo-terminal (raw from the start), publishes the link and
    // starts the I/O thread. false with a reason in *error when anything fails
    // (nothing is left open then). Start() after Stop() is refused.
    bool Start(std::string* error);
    // Ends the I/O thread, closes the line and removes the link when it still
    // points to this simulator's port. Idempotent.
    void Stop();

    // Slave device path for the host to open; empty before Start().
    std::string PortPath() const;
    // Path of the published link; empty without a link name or after a
    // hang-up.
    std::string LinkPath() const;

    // The value "get KEY" would answer now, empty for a key the sensor does
    // not have. SetParam stores a value verbatim, without the console's
    // checks, and makes the key answer even when the kind lacks it.
    // "logger-usage" and "logger-capa" with a decimal value set the logger's
    // record count and capacity.
    std::string Param(const std::string& key) const;
    void SetParam(const std::string& key, const std::string& value);

    // Raw bytes the host sent, in order of arrival (the most recent 4 MiB).
    std::string Received() const;
    void ClearReceived();
    // The command lines the console took, in order: "wakeup!" when it woke,
    // then each command as typed ("get sens-type", "set avg-a 1", "reboot").
    // A line refused for its length is not a command and not recorded.
    std::vector<std::string> Commands() const;
    void ClearCommands();

    // Power: off drops pending output and ignores the line; on starts the
    // bootloader window; a cycle powers on again after offMs.
    void PowerOff();
    void PowerOn();
    void PowerCycle(int offMs);

    bool PoweredOn() const;
    bool InBootloader() const;   // MAGIC answered, EXIT not yet
    bool ConsoleAwake() const;
    bool AdminUnlocked() const;
    // The console takes input: powered, not rebooting, past the boot
    // window and not in the bootloader (it may be asleep).
    bool ConsoleListening() const;
    // Output is on its way: a stream started by a command (scope, logger
    // download) still runs, or bytes wait to be written to the line.
    bool Sending() const;

    // The image of the last upload that END_OF_DATA accepted; empty before.
    std::vector<uint8_t> FlashedImage() const;

    // Starts recording a Timeline (dropping what was recorded so far);
    // TakeTimeline returns what came since. The turn in progress, if any,
    // is not part of it.
    void StartTimeline();
    Timeline TakeTimeline() const;

    // --- Faults. Each holds until changed or until ClearFaults(). ---

    // "set KEY ..." (or "get KEY") is answered with a refusal status line.
    void RefuseSet(const std::string& key);
    void RefuseGet(const std::string& key);
    // The next console echo has one letter changed (same length) / ends with
    // an extra blank.
    void GarbleNextEcho();
    void NextEchoTrailingBlank();
    // Silent: input is ignored and nothing is answered, in every state.
    void SetSilent(bool silent);
    // Every answer (console and bootloader) leaves this many ms late.
    void SetAnswerDelayMs(int ms);
    // Closes the line like an unplugged adapter, once everything sent has
    // been read by the host. The link is removed then.
    void HangUp();
    bool HungUp() const;
    // The next logger downloads go wrong at record k.
    void SetLoggerFault(LoggerFault fault, int record);
    // MAGIC is answered with this byte instead of '!' (and the bootloader
    // does not start).
    void SetMagicReply(uint8_t reply);
    // Random bytes on the line for this long after each power-up.
    void SetBootNoiseMs(int ms);
    // These exact bytes on the line at the line rate after each power-up,
    // ahead of the random noise; empty: none.
    void SetBootNoiseBytes(const std::string& bytes);
    // Random bytes on the line for this long from now, whatever the state.
    void SendNoise(int ms);
    // The occurrence-th frame with this command code (counted from this
    // call, 1 = the next one) is answered with status instead of being
    // carried out.
    void FailBootFrame(uint8_t code, int occurrence, uint8_t status);
    // The bootloader stops answering anything after k DATA_BLOCK frames of
    // an upload have been acknowledged, until the next power-up.
    void SilenceUploadAfterBlocks(int blocks);
    // The scope stream goes wrong at frame k of each stream.
    void SetScopeFault(ScopeFault fault, int frame);
    void ClearFaults();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace varnsim
