#include "simulator.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <pthread.h>
#include <sys/ioctl.h>
#include <thread>
#include <time.h>
#include <unistd.h>

#include "device.h"
#include "pty_link.h"

namespace varnsim {
namespace {

// Paced transfers wake up at most this often: bytes then move in small
// bursts that are never early, and an idle-looking line costs no CPU.
constexpr auto kPaceGranularity = std::chrono::microseconds(50);
// Hang-up: the host counts as having read everything once the slave's input
// queue stayed empty this long after the last write (the pseudo-terminal
// hands written bytes over asynchronously).
constexpr auto kDrainQuiet = std::chrono::milliseconds(20);
// Received() keeps the most recent bytes only.
constexpr size_t kReceivedKeep = 4u << 20;

std::string CheckOptions(const Options& o)
{
    if (KindFromName(o.kind) == 0)
        return "unknown sensor kind '" + o.kind + "' (KORVALIN, DUVIKORN, MESTRALO, PALVETRA, GRESTOLV or ORBIK)";
    if (o.uniqueId.size() != 24)
        return "the unique id must have 24 hexadecimal digits";
    for (char c : o.uniqueId)
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return "the unique id must have 24 hexadecimal digits";
    if (o.loggerRecords < 0)
        return "the logger record count cannot be negative";
    if (o.loggerCapacity >= 0 && o.loggerRecords > o.loggerCapacity)
        return "the logger holds " + std::to_string(o.loggerRecords) + " records but its capacity is " +
               std::to_string(o.loggerCapacity);
    if (o.bootWindowMs < 0 || o.rebootMs < 0)
        return "boot window and reboot time cannot be negative";
    if (o.bootloaderVersion.size() > 1023)
        return "the bootloader version text is too long";
    if (!o.linkName.empty() && !ValidLinkName(o.linkName))
        return "bad link name '" + o.linkName + "' (a plain file name without '/' or blanks is needed)";
    return "";
}

} // namespace

struct Simulator::Impl {
    explicit Impl(Options o) : options(std::move(o)), device(options), in(kLineBytesPerSecond), out(kLineBytesPerSecond) {}

    void Run();
    void Deliver(TimePoint now);
    void ReadLine(TimePoint now);
    void WriteLine(TimePoint now);
    void CheckHangUp(TimePoint now);
    void Wake();

    Options options;
    mutable std::mutex mu;
    Device device;
    Pty pty;
    std::string linkPath;
    int wakeRead = -1, wakeWrite = -1;
    std::thread thread;
    bool started = false;
    bool stopping = false;

    // Paced input: bytes read from the pty wait here until the line would
    // have delivered them.
    std::deque<uint8_t> inbound;
    LinePacer in, out;
    bool outActive = false;  // the output pacer runs from its last Begin
    bool outBlocked = false; // the pty took less than offered: wait for POLLOUT

    std::string received;

    // Timeline of turns, for benchmarks.
    void OpenTurn(TimePoint now);
    void CloseTurn(TimePoint now);
    double ThreadCpuSeconds();
    bool timelineOn = false;
    bool turnOpen = false;
    TimePoint turnStart{};
    Timeline timeline;
    double cpuAtStart = 0;

    bool hangUpRequested = false;
    bool hungUp = false;
    TimePoint lastWrite{};
    TimePoint drainedSince = TimePoint::max();
};

void Simulator::Impl::Wake()
{
    const char c = 1;
    if (wakeWrite >= 0)
        (void)!write(wakeWrite, &c, 1);
}

void Simulator::Impl::OpenTurn(TimePoint now)
{
    if (timelineOn && !turnOpen) {
        turnOpen = true;
        turnStart = now;
    }
}

void Simulator::Impl::CloseTurn(TimePoint now)
{
    // A turn ends once the request has been taken and its answer is out.
    if (!turnOpen || !inbound.empty() || !device.Output().empty() || device.HoldsDelayed())
        return;
    turnOpen = false;
    timeline.turns.emplace_back(turnStart, now);
}

double Simulator::Impl::ThreadCpuSeconds()
{
    clockid_t clock;
    timespec t{};
    if (!thread.joinable() || pthread_getcpuclockid(thread.native_handle(), &clock) != 0 ||
        clock_gettime(clock, &t) != 0)
        return 0;
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void Simulator::Impl::Deliver(TimePoint now)
{
    if (!options.paced || inbound.empty())
        return;
    const size_t n = std::min(in.Due(now), inbound.size());
    for (size_t i = 0; i < n; ++i) {
        device.Receive(inbound.front(), now);
        inbound.pop_front();
    }
    in.Taken(n);
}

void Simulator::Impl::ReadLine(TimePoint now)
{
    uint8_t buffer[4096];
    for (;;) {
        const ssize_t n = read(pty.master, buffer, sizeof buffer);
        if (n <= 0)
            return;  // EAGAIN, or nothing more until the host writes again
        OpenTurn(now);
        received.append(reinterpret_cast<const char*>(buffer), static_cast<size_t>(n));
        if (received.size() > kReceivedKeep + kReceivedKeep / 4)
            received.erase(0, received.size() - kReceivedKeep);
        if (options.paced) {
            if (inbound.empty())
                in.Begin(now);
            inbound.insert(inbound.end(), buffer, buffer + n);
        } else {
            for (ssize_t i = 0; i < n; ++i)
                device.Receive(buffer[i], now);
        }
    }
}

void Simulator::Impl::WriteLine(TimePoint now)
{
    const std::string& pending = device.Output();
    if (pending.empty() || hangUpRequested) {
        outActive = false;
        return;
    }
    size_t allowed = pending.size();
    if (options.paced) {
        if (!outActive) {
            out.Begin(now);
            outActive = true;
        }
        allowed = std::min(allowed, out.Due(now));
    }
    if (allowed == 0)
        return;
    const ssize_t n = write(pty.master, pending.data(), allowed);
    const size_t written = n > 0 ? static_cast<size_t>(n) : 0;
    if (written > 0) {
        lastWrite = now;
        if (options.paced)
            out.Taken(written);
        device.Sent(written, now);
    }
    outBlocked = written < allowed;
    // A line held up by a host that does not read resumes at the line
    // rate from when it can go on, not with a burst.
    if (outBlocked || device.Output().empty())
        outActive = false;
}

void Simulator::Impl::CheckHangUp(TimePoint now)
{
    if (!hangUpRequested || hungUp)
        return;
    int unread = 0;
    if (ioctl(pty.slave, FIONREAD, &unread) != 0 || unread > 0 || now - lastWrite < kDrainQuiet) {
        drainedSince = TimePoint::max();
        return;
    }
    if (drainedSince == TimePoint::max()) {
        drainedSince = now;
        return;
    }
    if (now - drainedSince < kDrainQuiet)
        return;
    ClosePty(&pty);
    WithdrawLink(linkPath, pty.slavePath);
    linkPath.clear();
    inbound.clear();
    hungUp = true;
}

void Simulator::Impl::Run()
{
    std::unique_lock<std::mutex> lock(mu);
    while (!stopping) {
        TimePoint now = Clock::now();
        if (!hungUp) {
            Deliver(now);
            device.Advance(now);
            WriteLine(now);
            CloseTurn(now);
            if (device.TakeHangUp())
                hangUpRequested = true;
            CheckHangUp(now);
        }

        TimePoint wake = device.Deadline();
        if (!hungUp) {
            if (!inbound.empty())
                wake = std::min(wake, std::max(in.NextCompletion(), now + kPaceGranularity));
            if (!device.Output().empty() && !outBlocked && !hangUpRequested)
                wake = std::min(wake, options.paced ? std::max(out.NextCompletion(), now + kPaceGranularity) : now);
            if (hangUpRequested)
                wake = std::min(wake, now + kDrainQuiet / 2);
        }

        pollfd fds[2] = {{wakeRead, POLLIN, 0}, {-1, 0, 0}};
        nfds_t count = 1;
        if (!hungUp) {
            fds[1] = {pty.master, static_cast<short>(POLLIN | (outBlocked ? POLLOUT : 0)), 0};
            count = 2;
        }
        // Sleep to the exact deadline: a millisecond poll would add up to a
        // millisecond to every paced burst and every command turn-around.
        timespec timeout{};
        timespec* pTimeout = nullptr;
        if (wake != TimePoint::max()) {
            const long long left = std::clamp<long long>(
                std::chrono::duration_cast<std::chrono::nanoseconds>(wake - now).count(), 0, 60'000'000'000LL);
            timeout.tv_sec = static_cast<time_t>(left / 1'000'000'000LL);
            timeout.tv_nsec = static_cast<long>(left % 1'000'000'000LL);
            pTimeout = &timeout;
        }
        lock.unlock();
        ppoll(fds, count, pTimeout, nullptr);
        lock.lock();

        if (fds[0].revents & POLLIN) {
            char drain[64];
            while (read(wakeRead, drain, sizeof drain) > 0) {
            }
        }
        if (!hungUp && count == 2) {
            now = Clock::now();
            if (fds[1].revents & POLLOUT)
                outBlocked = false;
            if (fds[1].revents & POLLIN)
                ReadLine(now);
        }
    }
}

Simulator::Simulator(Options options) : impl_(std::make_unique<Impl>(std::move(options))) {}

Simulator::~Simulator()
{
    Stop();
}

bool Simulator::Start(std::string* error)
{
    std::string ignored;
    std::string& why = error ? *error : ignored;
    Impl& m = *impl_;
    std::lock_guard<std::mutex> lock(m.mu);
    if (m.started) {
        why = "the simulator was started before";
        return false;
    }
    why = CheckOptions(m.options);
    if (!why.empty())
        return false;
    if (!OpenRawPty(&m.pty, &why))
        return false;
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
        why = std::string("pipe: ") + std::strerror(errno);
        ClosePty(&m.pty);
        return false;
    }
    m.wakeRead = pipeFds[0];
    m.wakeWrite = pipeFds[1];
    if (!m.options.linkName.empty() && !PublishLink(m.options.linkName, m.pty.slavePath, &m.linkPath, &why)) {
        ClosePty(&m.pty);
        close(m.wakeRead);
        close(m.wakeWrite);
        m.wakeRead = m.wakeWrite = -1;
        return false;
    }
    m.started = true;
    m.device.Start(Clock::now());
    m.thread = std::thread([&m] { m.Run(); });
    return true;
}

void Simulator::Stop()
{
    Impl& m = *impl_;
    {
        std::lock_guard<std::mutex> lock(m.mu);
        if (!m.started || m.stopping)
            return;
        m.stopping = true;
        m.Wake();
    }
    if (m.thread.joinable())
        m.thread.join();
    std::lock_guard<std::mutex> lock(m.mu);
    WithdrawLink(m.linkPath, m.pty.slavePath);
    m.linkPath.clear();
    ClosePty(&m.pty);
    close(m.wakeRead);
    close(m.wakeWrite);
    m.wakeRead = m.wakeWrite = -1;
}

std::string Simulator::PortPath() const
{
    std::lock_guard<std::mutex> lock(impl_->mu);
    return impl_->pty.slavePath;
}

std::string Simulator::LinkPath() const
{
    std::lock_guard<std::mutex> lock(impl_->mu);
    return impl_->linkPath;
}

std::string Simulator::Param(const std::string& key) const
{
    std::lock_guard<std::mutex> lock(impl_->mu);
    const ParamResult r = impl_->device.Params().Get(key);
    return r.ok ? r.text : std::string();
}

void Simulator::SetParam(const std::string& key, const std::string& value)
{
    std::lock_guard<std::mutex> lock(impl_->mu);
    ParamStore& params = impl_->device.Params();
    const bool number = !value.empty() && value.size() < 10 &&
                        value.find_first_not_of("0123456789") == std::string::npos;
    if (key == "logger-usage" && number)
        params.SetLoggerRecords(std::stoi(value));
    else if (key == "logger-capa" && number)
        params.SetLoggerCapacity(std::stoi(value));
    else
        params.Force(key, value);
    impl_->Wake();
}

std::string Simulator::Received() const
{
    std::lock_guard<std::mutex> lock(impl_->mu);
    return impl_->received;
}

void Simulator::ClearReceived()
{
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->received.clear();
}

std::vector<std::string> Simulator::Commands() const
{
    std::lock_guard<std::mutex> lock(impl_->mu);
    return impl_->device.GetConsole().Commands();
}

void Simulator::ClearCommands()
{
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->device.GetConsole().ClearCommands();
}

void Simulator::StartTimeline()
{
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->timeline = Timeline{};
    impl_->timelineOn = true;
    impl_->turnOpen = false;
    impl_->cpuAtStart = impl_->ThreadCpuSeconds();
}

Timeline Simulator::TakeTimeline() const
{
    std::lock_guard<std::mutex> lock(impl_->mu);
    Timeline t = impl_->timeline;
    t.cpuSeconds = impl_->ThreadCpuSeconds() - impl_->cpuAtStart;
    return t;
}

void Simulator::PowerOff()
{
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->device.PowerOff();
    impl_->inbound.clear();
    impl_->Wake();
}

void Simulator::PowerOn()
{
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->device.PowerOn(Clock::now());
    impl_->Wake();
}

void Simulator::PowerCycle(int offMs)
{
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->device.PowerCycle(offMs, Clock::now());
    impl_->inbound.clear();
    impl_->Wake();
}

bool Simulator::PoweredOn() const
{
    std::lock_guard<std::mutex> lock(impl_->mu);
    return impl_->device.GetState() != Device::State::Off;
}

bool Simulator::InBootloader() const
{
    std::lock_guard<std::mutex> lock(impl_->mu);
    return impl_->device.GetState() == Device::State::Bootloader;
}

bool Simulator::ConsoleAwake() const
{
    std::lock_guard<std::mutex> lock(impl_->mu);
    return impl_->device.GetState() == Device::State::Console && impl_->device.GetConsole().Awake();
}

bool Simulator::AdminUnlocked() const
{
    std::lock_guard<std::mutex> lock(impl_->mu);
    return impl_->device.GetConsole().Admin();
}

bool Simulator::ConsoleListening() const
{
    std::lock_guard<std::mutex> lock(impl_->mu);
    return impl_->device.GetState() == Device::State::Console;
}

bool Simulator::Sending() const
{
    std::lock_guard<std::mutex> lock(impl_->mu);
    const Device& device = impl_->device;
    return !device.Output().empty() || device.HoldsDelayed() ||
           (device.GetState() == Device::State::Console && device.GetConsole().ActiveStream() != nullptr);
}

std::vector<uint8_t> Simulator::FlashedImage() const
{
    std::lock_guard<std::mutex> lock(impl_->mu);
    return impl_->device.GetBootloader().Image();
}

void Simulator::RefuseSet(const std::string& key)
{
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->device.GetConsole().refuseSet.insert(key);
}

void Simulator::RefuseGet(const std::string& key)
{
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->device.GetConsole().refuseGet.insert(key);
}

void Simulator::GarbleNextEcho()
{
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->device.GetConsole().garbleNextEcho = true;
}

void Simulator::NextEchoTrailingBlank()
{
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->device.GetConsole().trailingBlankNextEcho = true;
}

void Simulator::SetSilent(bool silent)
{
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->device.SetSilent(silent);
    impl_->Wake();
}

void Simulator::SetAnswerDelayMs(int ms)
{
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->device.SetAnswerDelayMs(ms);
}

void Simulator::HangUp()
{
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->hangUpRequested = true;
    impl_->Wake();
}

bool Simulator::HungUp() const
{
    std::lock_guard<std::mutex> lock(impl_->mu);
    return impl_->hungUp;
}

void Simulator::SetLoggerFault(LoggerFault fault, int record)
{
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->device.GetConsole().loggerFault = {fault, record};
}

void Simulator::SetMagicReply(uint8_t reply)
{
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->device.GetBootloader().SetMagicReply(reply);
}

void Simulator::SetBootNoiseMs(int ms)
{
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->device.SetBootNoiseMs(ms);
}

void Simulator::SetBootNoiseBytes(const std::string& bytes)
{
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->device.SetBootNoiseBytes(bytes);
}

void Simulator::SendNoise(int ms)
{
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->device.SendNoise(ms, Clock::now());
    impl_->Wake();
}

void Simulator::FailBootFrame(uint8_t code, int occurrence, uint8_t status)
{
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->device.GetBootloader().FailFrame(code, occurrence, status);
}

void Simulator::SilenceUploadAfterBlocks(int blocks)
{
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->device.GetBootloader().SilenceAfterBlocks(blocks);
}

void Simulator::SetScopeFault(ScopeFault fault, int frame)
{
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->device.GetConsole().scopeFault = {fault, frame};
}

void Simulator::ClearFaults()
{
    std::lock_guard<std::mutex> lock(impl_->mu);
    Console& console = impl_->device.GetConsole();
    console.refuseSet.clear();
    console.refuseGet.clear();
    console.garbleNextEcho = false;
    console.trailingBlankNextEcho = false;
    console.loggerFault = {};
    console.scopeFault = {};
    impl_->device.GetBootloader().ClearFaults();
    impl_->device.SetSilent(false);
    impl_->device.SetAnswerDelayMs(0);
    impl_->device.SetBootNoiseMs(0);
    impl_->device.SetBootNoiseBytes("");
    impl_->Wake();
}

} // namespace varnsim
