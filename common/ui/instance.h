// Single-instance guard: one per-user local socket named after the
// program's internal name. The first instance listens on it; a second start
// connects, asks the first to raise its window and ends.
#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QLocalServer;

class InstanceGuard : public QObject {
    Q_OBJECT
public:
    // The socket path of a name: under $XDG_RUNTIME_DIR (private to the
    // user) when set, else in the temporary folder with the user id.
    static QString SocketPath(const QString& sName);

    // Asks a running first instance to raise its window; true when one
    // answered within uTimeoutMs. Usable from any thread (no event loop).
    static bool NotifyRunning(const QString& sName, int nTimeoutMs = 2000);

    // Becomes the first instance: listens, and calls onRaise on the window
    // thread for every later start. false when the socket cannot be made.
    bool Claim(const QString& sName, std::function<void()> onRaise);

private:
    QLocalServer* pServer = nullptr;
    std::function<void()> fnRaise;
};
