// Handing documents, folders and links to the desktop, and telling the user
// when the desktop could not open one: the menu items "User Guide",
// "Programming Examples..." and "Open application directory..." must never
// do nothing visible.
#include <QCoreApplication>
#include <QDesktopServices>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QUrl>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "desktop.h"
#include "log.h"

namespace {

constexpr unsigned char kOpenerNotStarted = 127;   // exec of the opener failed
constexpr unsigned char kOpenerLost = 255;         // the opener ended without a status

// What the opener's exit status says, as the desktop's opener defines it.
struct OpenerReason {
    unsigned char uCode;
    const char* szText;
};
const OpenerReason tOpenerReasons[] = {
    {1, "the desktop's opener refused the request"},
    {2, "the desktop's opener did not find it"},
    {3, "no program is set up on this desktop to open it"},
    {4, "the program that should open it failed"},
    {kOpenerNotStarted, "the desktop's opener could not be started"},
};

void ReportOpenFailure(const std::string& sTarget, unsigned char uCode)
{
    const char* reason = "the desktop's opener failed";
    for (const OpenerReason& r : tOpenerReasons)
        if (r.uCode == uCode)
            reason = r.szText;
    Error("Could not open '%s' !\n(%s)\nPlease open it by hand.", sTarget.c_str(), reason);
}

// Runs the opener in a watcher process that outlives this program if need
// be (the opener may run the viewer in the foreground until it is closed):
// the watcher waits for the opener and writes its exit status, one byte,
// into a pipe that the window thread watches. Returns false when no process
// could be made.
bool StartWatchedOpener(const QString& sOpener, const std::string& sTarget)
{
    // Everything the children need is prepared before fork: after it, only
    // async-signal-safe calls.
    const std::string opener = sOpener.toLocal8Bit().toStdString();
    char* argv[] = {const_cast<char*>(opener.c_str()), const_cast<char*>(sTarget.c_str()), nullptr};
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return false;
    const pid_t watcher = fork();
    if (watcher < 0) {
        close(fds[0]);
        close(fds[1]);
        return false;
    }
    if (watcher == 0) {
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        signal(SIGPIPE, SIG_IGN);   // the program may be gone when the status comes
        unsigned char code = kOpenerLost;
        const pid_t child = fork();
        if (child == 0) {
            execv(argv[0], argv);
            _exit(kOpenerNotStarted);
        }
        int status = 0;
        if (child > 0) {
            while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
            }
            if (WIFEXITED(status))
                code = static_cast<unsigned char>(WEXITSTATUS(status));
        }
        ssize_t n = write(fds[1], &code, 1);
        (void)n;
        _exit(0);
    }
    close(fds[1]);
    const int fd = fds[0];
    auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [notifier, fd, watcher, sTarget] {
        unsigned char code = kOpenerLost;
        ssize_t n;
        do {
            n = read(fd, &code, 1);
        } while (n < 0 && errno == EINTR);
        notifier->setEnabled(false);
        notifier->deleteLater();
        close(fd);
        while (waitpid(watcher, nullptr, 0) < 0 && errno == EINTR) {
        }
        if (n != 1)
            code = kOpenerLost;
        if (code != 0)
            ReportOpenFailure(sTarget, code);
    });
    return true;
}

}  // namespace

bool UiDesktopOpen(const std::string& sTarget)
{
    const QString target = QString::fromLocal8Bit(sTarget.c_str());
    const QString opener = QStandardPaths::findExecutable("xdg-open");
    if (!opener.isEmpty() && QCoreApplication::instance() != nullptr && StartWatchedOpener(opener, sTarget))
        return true;
    // Without the desktop's opener, Qt's own services may still know a way.
    const QUrl url = target.contains("://") ? QUrl(target) : QUrl::fromLocalFile(target);
    if (QDesktopServices::openUrl(url))
        return true;
    ReportOpenFailure(sTarget, opener.isEmpty() ? 3 : kOpenerNotStarted);
    return false;
}
