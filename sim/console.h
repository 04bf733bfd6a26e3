// The sensor's text console: asleep until "wakeup!", then one command per
// line, each answered by its echo and one status line.
#pragma once

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "line_pacer.h"
#include "logger_stream.h"
#include "scope_stream.h"
#include "params.h"

namespace varnsim {

class Console {
public:
    // What the device must do after a command.
    enum class Action { None, Reboot };

    // idleMs < 0: the "cons-idle" parameter decides.
    Console(ParamStore& params, std::string adminPassword, long long idleMs);

    // Asleep, no command half-typed, no stream, factory parameters locked:
    // the console as a power-up or reboot leaves it.
    void Restart();
    bool Awake() const { return awake_; }
    bool Admin() const { return admin_; }

    // One byte from the line; answers are appended to out.
    Action Feed(uint8_t byte, TimePoint now, std::string& out);
    // Falls asleep when idle.
    void Advance(TimePoint now);
    TimePoint Deadline() const;

    // The stream started by a command, while it runs.
    Stream* ActiveStream() const { return stream_.get(); }
    // The stream is over (or was aborted): back to commands.
    void EndStream(TimePoint now);

    // Every line the console took, in order: the wake-up word that woke it
    // and each command while awake (the most recent kCommandsKept).
    const std::vector<std::string>& Commands() const { return commands_; }
    void ClearCommands() { commands_.clear(); }

    // Faults.
    std::set<std::string> refuseSet, refuseGet;
    bool garbleNextEcho = false;
    bool trailingBlankNextEcho = false;
    LoggerFaultSpec loggerFault;
    ScopeFaultSpec scopeFault;

private:
    Action Execute(const std::string& line, std::string& out);
    void Echo(const std::string& line, std::string& out);
    std::string Command(const std::string& line, Action* action);
    long long IdleMs() const;

    ParamStore& params_;
    std::string password_;
    long long idleMs_;
    bool awake_ = false;
    bool admin_ = false;
    std::string line_;
    bool overflow_ = false;
    TimePoint lastInput_{};
    std::unique_ptr<Stream> stream_;
    std::vector<std::string> commands_;
    void Record(const std::string& line);
};

} // namespace varnsim
