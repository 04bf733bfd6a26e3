#include "instance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <unistd.h>

namespace {
constexpr char kRaiseRequest[] = "raise\n";
constexpr char kRaiseAnswer[] = "ok\n";
}  // namespace

QString InstanceGuard::SocketPath(const QString& sName)
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(QString::fromLocal8Bit(runtime)).exists())
        return QString::fromLocal8Bit(runtime) + "/" + sName + ".instance";
    return QDir::tempPath() + "/" + sName + "-" + QString::number(getuid()) + ".instance";
}

bool InstanceGuard::NotifyRunning(const QString& sName, int nTimeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(SocketPath(sName));
    if (!socket.waitForConnected(nTimeoutMs))
        return false;
    socket.write(kRaiseRequest);
    if (!socket.waitForBytesWritten(nTimeoutMs))
        return false;
    // A live first instance answers; a socket left by a crashed one does not
    // accept connections, so reaching here means one is running.
    while (socket.bytesAvailable() < static_cast<qint64>(sizeof kRaiseAnswer - 1)) {
        if (!socket.waitForReadyRead(nTimeoutMs))
            break;
    }
    return true;
}

bool InstanceGuard::Claim(const QString& sName, std::function<void()> onRaise)
{
    fnRaise = std::move(onRaise);
    pServer = new QLocalServer(this);
    pServer->setSocketOptions(QLocalServer::UserAccessOption);
    const QString path = SocketPath(sName);
    if (!pServer->listen(path)) {
        // Left over by an instance that ended abruptly: nobody listens there.
        QLocalServer::removeServer(path);
        if (!pServer->listen(path))
            return false;
    }
    connect(pServer, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* s = pServer->nextPendingConnection()) {
            connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
            connect(s, &QLocalSocket::readyRead, this, [this, s] {
                // Only the fixed request is understood; anything else is dropped.
                const QByteArray request = s->read(64);
                if (request.startsWith(QByteArray(kRaiseRequest).trimmed())) {
                    if (fnRaise)
                        fnRaise();
                    s->write(kRaiseAnswer);
                    s->flush();
                }
                s->disconnectFromServer();
            });
        }
    });
    return true;
}
