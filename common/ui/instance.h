// Single-instance guard: one per-user local socket named after the
// program's internal name, in the user's private instance folder
// (InstanceSocketDir(), mode 0700). The first instance listens on it; a
// second start connects, sends the greeting "raise", and ends once the first
// has answered "ok" and raised its window.
//
// Only an answer to the greeting counts: a socket nobody listens on (left by
// an instance that ended abruptly) or a listener that stays silent is no
// first instance, so the program starts and takes the socket over. A folder
// that belongs to another user or is open to others is never used: the
// program then runs without the guard and says so once.
#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QLocalServer;

class InstanceGuard : public QObject {
    Q_OBJECT
public:
    // The socket path of a name, with its folder made ready (created when
    // missing). Empty, with the reason in *pError when given, for a folder
    // that is refused.
    static QString SocketPath(const QString& sName, QString* pError = nullptr);

    // Asks a running first instance to raise its window; true when one
    // answered the greeting within nTimeoutMs in all. Usable from any thread
    // (no event loop).
    static bool NotifyRunning(const QString& sName, int nTimeoutMs = 2000);

    // Becomes the first instance: listens, and calls onRaise on the window
    // thread for every later start. false when the socket cannot be made;
    // a refused folder is reported through Error first.
    bool Claim(const QString& sName, std::function<void()> onRaise);

private:
    QLocalServer* pServer = nullptr;
    std::function<void()> fnRaise;
};
