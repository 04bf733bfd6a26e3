#include "serial_exit.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

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

// The watch: a child process holding a copy of the port's descriptor and
// the read end of a pipe whose only write end is ours. When we are gone
// (the kernel closes our descriptors whatever ended us) it reads the end of
// the pipe, clears the exclusive flag and exits, which closes the device.
// On a pseudo-terminal the flag would otherwise stay for as long as its
// other side is open.
pid_t nWatchPid = -1;
int nWatchPipe = -1;

// Closes every descriptor of the child but the two it needs (a simulator's
// pseudo-terminal held here would never hang up; a pipe on standard output
// would not end with its program). Async-signal-safe.
void KeepOnly(int a, int b)
{
    const int lo = a < b ? a : b, hi = a < b ? b : a;
    bool closed = false;
#if defined(SYS_close_range)
    const auto closeRange = [](int from, int to) {
        return from > to || syscall(SYS_close_range, static_cast<unsigned>(from), static_cast<unsigned>(to), 0u) == 0;
    };
    closed = closeRange(0, lo - 1) && closeRange(lo + 1, hi - 1) &&
             syscall(SYS_close_range, static_cast<unsigned>(hi + 1), ~0u, 0u) == 0;
#endif
    for (int fd = 0; !closed && fd < 65536; fd++) {
        if (fd != a && fd != b)
            close(fd);
    }
}

}  // namespace

void SerialExitWatch(SerialHandle nHandle)
{
    SerialExitUnwatch();
    // Only a terminal device has the flag (a stand-in handle for tests may
    // be a number nothing is open under).
    int fds[2];
    if (nHandle < 0 || !isatty(nHandle) || pipe2(fds, O_CLOEXEC) != 0)
        return;
    // Closed by the child with every descriptor it does not keep: until
    // then it holds copies of all of ours (a peer's end of a line that must
    // be able to hang up, files that must be able to end).
    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0) {
        close(fds[0]);
        close(fds[1]);
        return;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        // Only async-signal-safe calls here: the parent has other threads.
        struct sigaction ignore{};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        for (int sig : tGuardedSignals)
            sigaction(sig, &ignore, nullptr);   // Ctrl-C is for the program, not its watch
        KeepOnly(nHandle, fds[0]);
        char c;
        while (read(fds[0], &c, 1) < 0 && errno == EINTR) {
        }
        (void)ioctl(nHandle, TIOCNXCL);
        _exit(0);
    }
    close(fds[0]);
    close(ready[1]);
    if (pid < 0) {
        close(ready[0]);
        close(fds[1]);
        return;
    }
    char c;
    while (read(ready[0], &c, 1) < 0 && errno == EINTR) {
    }
    close(ready[0]);
    nWatchPid = pid;
    nWatchPipe = fds[1];
}

void SerialExitUnwatch()
{
    if (nWatchPid < 0)
        return;
    close(nWatchPipe);
    while (waitpid(nWatchPid, nullptr, 0) < 0 && errno == EINTR) {
    }
    nWatchPid = -1;
    nWatchPipe = -1;
}

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
