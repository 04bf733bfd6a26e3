// Handing documents, folders and links to the desktop, and telling the user
// when the desktop could not open one: the menu items "User Guide",
// "Programming Examples..." and "Open application directory..." must never
// do nothing visible.
#include <QCoreApplication>
#include <QDesktopServices>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QUrl>

#include "log.h"
#include "opener.h"
#include "process.h"

namespace {

constexpr unsigned char kOpenerNotStarted = PROCESS_NOT_STARTED;   // exec of the opener failed
constexpr unsigned char kOpenerLost = PROCESS_STATUS_LOST;         // the opener ended without a status

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
    ProcessWatch watch;
    if (!ProcessStartWatched(sOpener.toLocal8Bit().toStdString(), sTarget, &watch))
        return false;
    auto* notifier = new QSocketNotifier(watch.nStatusFd, QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [notifier, watch, sTarget] {
        notifier->setEnabled(false);
        notifier->deleteLater();
        const unsigned char code = ProcessWatchedStatus(watch);
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
