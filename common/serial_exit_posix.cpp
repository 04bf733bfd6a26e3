#include "serial_exit.h"

#include <cerrno>
#include <csignal>
#include <sys/ioctl.h>

#include "serial.h"

namespace {

// The signals whose default action ends the process (with or without a
// core file); none of them passes through SerialClose.
const int tGuardedSignals[] = {SIGHUP, SIGINT, SIGQUIT, SIGPIPE, SIGTERM};

void OnEndingSignal(int nSignal)
{
    const int saved = errno;
    SerialExitRelease();
    // The default action ends the process once this handler returns and the
    // signal is unblocked.
    std::signal(nSignal, SIG_DFL);
    std::raise(nSignal);
    errno = saved;
}

}  // namespace

void SerialExitRelease()
{
    // The exclusive flag is the device's: cleared through any descriptor.
    const SerialHandle h = hSerial.load(std::memory_order_relaxed);
    if (h >= 0)
        (void)ioctl(h, TIOCNXCL);
}

void SerialExitGuardSignals()
{
    for (int sig : tGuardedSignals) {
        struct sigaction current{};
        if (sigaction(sig, nullptr, &current) != 0 || (current.sa_flags & SA_SIGINFO) != 0 ||
            current.sa_handler != SIG_DFL)
            continue;
        struct sigaction sa{};
        sa.sa_handler = OnEndingSignal;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESTART;
        sigaction(sig, &sa, nullptr);
    }
}
