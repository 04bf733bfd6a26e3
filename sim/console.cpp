#include "console.h"

#include <cctype>
#include <cstdlib>

namespace varnsim {
namespace {

constexpr char kWakeup[] = "wakeup!";
// Longest command line kept; the rest of a longer line is dropped and the
// line refused.
constexpr size_t kMaxLine = 256;
// Commands() keeps this many lines, dropping the oldest quarter when full.
constexpr size_t kCommandsKept = 100000;
// First firmware (hundredths) whose scope stream is binary.
constexpr int kScopeBinaryFw = 282;

std::string Ok(const std::string& text) { return "OK " + text; }
std::string Refuse(const std::string& reason) { return "ERROR=" + reason; }

bool EndsWith(const std::string& s, const std::string& tail)
{
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// Splits off the first blank-separated word.
std::string FirstWord(const std::string& s, std::string* rest)
{
    const size_t blank = s.find(' ');
    if (blank == std::string::npos) {
        rest->clear();
        return s;
    }
    *rest = s.substr(blank + 1);
    return s.substr(0, blank);
}

} // namespace

Console::Console(ParamStore& params, std::string adminPassword, long long idleMs)
    : params_(params), password_(std::move(adminPassword)), idleMs_(idleMs)
{
}

void Console::Restart()
{
    awake_ = false;
    admin_ = false;
    line_.clear();
    overflow_ = false;
    stream_.reset();
}

long long Console::IdleMs() const
{
    return idleMs_ >= 0 ? idleMs_ : params_.IdleMs();
}

Console::Action Console::Feed(uint8_t byte, TimePoint now, std::string& out)
{
    if (stream_ && stream_->EndsOnLineEnd()) {
        // The sensor is busy sending; a line end from the host aborts it.
        if (byte == '\r')
            EndStream(now);
        return Action::None;
    }
    if (byte == '\n')
        return Action::None;
    if (!awake_) {
        // Asleep, only the wake-up word counts, whatever came before it.
        if (byte != '\r') {
            line_ += static_cast<char>(byte);
            if (line_.size() > sizeof kWakeup)
                line_.erase(0, line_.size() - sizeof kWakeup);
            return Action::None;
        }
        const bool wake = EndsWith(line_, kWakeup);
        line_.clear();
        if (!wake)
            return Action::None;
        awake_ = true;
        lastInput_ = now;
        Record(kWakeup);
        out += std::string(kWakeup) + "\r\n" + Ok("awake") + "\r\n";
        return Action::None;
    }
    lastInput_ = now;
    if (byte != '\r') {
        if (line_.size() < kMaxLine)
            line_ += static_cast<char>(byte);
        else
            overflow_ = true;
        return Action::None;
    }
    std::string line;
    line.swap(line_);
    const bool overflow = overflow_;
    overflow_ = false;
    if (overflow) {
        Echo(line, out);
        out += Refuse("Line too long") + "\r\n";
        return Action::None;
    }
    return Execute(line, out);
}

void Console::Echo(const std::string& line, std::string& out)
{
    std::string echo = line;
    if (garbleNextEcho) {
        garbleNextEcho = false;
        // One letter changed, length kept.
        for (size_t i = echo.size(); i-- > 0;) {
            if (std::isalpha(static_cast<unsigned char>(echo[i]))) {
                echo[i] = echo[i] == 'x' ? 'y' : 'x';
                break;
            }
        }
    }
    if (trailingBlankNextEcho) {
        trailingBlankNextEcho = false;
        echo += ' ';
    }
    out += echo + "\r\n";
}

void Console::Record(const std::string& line)
{
    if (commands_.size() >= kCommandsKept)
        commands_.erase(commands_.begin(), commands_.begin() + kCommandsKept / 4);
    commands_.push_back(line);
}

Console::Action Console::Execute(const std::string& line, std::string& out)
{
    Echo(line, out);
    if (line.empty())
        return Action::None;
    Record(line);
    Action action = Action::None;
    const std::string status = Command(line, &action);
    out += status;
    out += "\r\n";
    return action;
}

std::string Console::Command(const std::string& line, Action* action)
{
    std::string args;
    const std::string verb = FirstWord(line, &args);

    if (line == kWakeup)
        return Ok("awake");

    if (verb == "get") {
        if (refuseGet.count(args))
            return Refuse("Refused");
        const ParamResult r = params_.Get(args);
        return r.ok ? Ok(args + "=" + r.text) : Refuse(r.text);
    }

    if (verb == "set") {
        std::string value;
        const std::string key = FirstWord(args, &value);
        if (refuseSet.count(key))
            return Refuse("Refused");
        const ParamResult r = params_.Set(key, value, admin_);
        return r.ok ? Ok(key + "=" + r.text) : Refuse(r.text);
    }

    if (line == "config")
        return params_.Listing() + "OK";

    if (verb == "admin") {
        if (args != password_) {
            admin_ = false;
            return Refuse("Bad password");
        }
        admin_ = true;
        return Ok("admin=unlocked");
    }

    if (verb == "reset") {
        if (args != "confirm")
            return Refuse("Type 'reset confirm'");
        params_.FactoryReset();
        admin_ = false;
        return Ok("factory defaults restored");
    }

    if (line == "reboot") {
        *action = Action::Reboot;
        return Ok("rebooting");
    }

    if (verb == "debug") {
        if (args == "all off")
            params_.Force("misc-dbg", "0x0000");
        else if (args == "all on")
            params_.Force("misc-dbg", "0xFFFF");
        else
            return Refuse("Type 'debug all on' or 'debug all off'");
        return Ok("misc-dbg=" + params_.Value("misc-dbg"));
    }

    if (line == "scopemode") {
        // The signal streams from now on beside the console, until a reboot.
        params_.Force("misc-scopemode", "yes");
        stream_ = std::make_unique<ScopeStream>(params_.Kind(), params_.Firmware() >= kScopeBinaryFw, lastInput_,
                                                scopeFault);
        return Ok("misc-scopemode=yes");
    }

    if (verb == "logger") {
        if (args != "download" && args != "clear confirm")
            return Refuse("Type 'logger download' or 'logger clear confirm'");
        if (!params_.HasLogger())
            return Refuse("No datalogger");
        if (args == "clear confirm") {
            params_.SetLoggerRecords(0);
            return Ok("logger-usage=0");
        }
        const int records = params_.LoggerRecords();
        const std::string interval = params_.Value("avg-m");
        stream_ = std::make_unique<LoggerStream>(params_.Kind(), std::atoi(params_.Value("logger-cfg").c_str()),
                                                 records, std::atoi(interval.c_str()), loggerFault);
        return Ok("logger-download=" + std::to_string(records));
    }

    if (line == "help")
        return "Commands: get KEY, set KEY VALUE, config, admin PASSWORD, reset confirm, reboot,\r\n"
               "debug all on|off, scopemode, logger download, logger clear confirm, wakeup!\r\nOK";

    return Refuse("Unknown command");
}

void Console::EndStream(TimePoint now)
{
    stream_.reset();
    lastInput_ = now;
}

void Console::Advance(TimePoint now)
{
    if (awake_ && now >= Deadline()) {
        awake_ = false;
        line_.clear();
        overflow_ = false;
    }
}

TimePoint Console::Deadline() const
{
    if (!awake_ || (stream_ && stream_->EndsOnLineEnd()))
        return TimePoint::max();
    return lastInput_ + std::chrono::milliseconds(IdleMs());
}

} // namespace varnsim
