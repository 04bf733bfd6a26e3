#include "instance.h"

#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <string>

#include "log.h"
#include "portdir.h"

namespace {
constexpr char kRaiseRequest[] = "raise\n";
constexpr char kRaiseAnswer[] = "ok\n";
constexpr qint64 kAnswerSize = sizeof kRaiseAnswer - 1;
}  // namespace

QString InstanceGuard::SocketPath(const QString& sName, QString* pError)
{
    const std::string dir = InstanceSocketDir();
    std::string reason;
    if (!RuntimeDirPrepare(dir, RUNTIME_DIR_REFUSE, &reason)) {
        if (pError != nullptr)
            *pError = QString::fromLocal8Bit(reason.c_str());
        return QString();
    }
    return QString::fromLocal8Bit(dir.c_str()) + "/" + sName + ".instance";
}

bool InstanceGuard::NotifyRunning(const QString& sName, int nTimeoutMs)
{
    const QString path = SocketPath(sName);
    if (path.isEmpty())
        return false;
    QElapsedTimer clock;
    clock.start();
    const auto left = [&] { return static_cast<int>(qMax<qint64>(0, nTimeoutMs - clock.elapsed())); };

    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(left()))
        return false;
    socket.write(kRaiseRequest);
    if (!socket.waitForBytesWritten(left()))
        return false;
    while (socket.bytesAvailable() < kAnswerSize && left() > 0) {
        if (!socket.waitForReadyRead(left()))
            break;
    }
    return socket.read(kAnswerSize) == QByteArray(kRaiseAnswer);
}

bool InstanceGuard::Claim(const QString& sName, std::function<void()> onRaise)
{
    QString reason;
    const QString path = SocketPath(sName, &reason);
    if (path.isEmpty()) {
        Error("%s !\nThe single instance check is off.", reason.toLocal8Bit().constData());
        return false;
    }
    fnRaise = std::move(onRaise);
    pServer = new QLocalServer(this);
    pServer->setSocketOptions(QLocalServer::UserAccessOption);
    if (!pServer->listen(path)) {
        // Left by an instance that ended abruptly, or held by a listener that
        // did not answer the greeting: neither is a first instance.
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
