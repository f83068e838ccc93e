#include "InstanceChannel.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

namespace {

const QByteArray showRequest = QByteArrayLiteral("show");

// Longer than any request; what goes beyond it is not one of ours.
constexpr qint64 maxRequestLength = 64;

} // namespace

InstanceChannel::InstanceChannel(QString socketPath, QObject* parent)
    : QObject(parent), m_socketPath(std::move(socketPath)), m_server(new QLocalServer(this))
{
    connect(m_server, &QLocalServer::newConnection, this, &InstanceChannel::acceptConnections);
}

// The server's own destruction removes the socket file, before the lock
// is let go: a socket there always belongs to the lock's holder or to a
// program that died.
InstanceChannel::~InstanceChannel() = default;

bool InstanceChannel::listen()
{
    // The lock's folder is private already; the socket is too, should the
    // lock have gone to a folder others may enter.
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(m_socketPath);
    return m_server->listen(m_socketPath);
}

QString InstanceChannel::errorString() const
{
    return m_server->errorString();
}

void InstanceChannel::acceptConnections()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readRequest(socket); });
        // A connection that never finishes its request holds nothing for
        // long; the timer goes with the socket.
        QTimer::singleShot(requestTime, socket, [socket] { socket->abort(); });
    }
}

void InstanceChannel::readRequest(QLocalSocket* socket)
{
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > maxRequestLength)
            socket->abort();
        return;
    }
    const QByteArray line = socket->readLine(maxRequestLength + 1);
    socket->abort();
    if (line == showRequest + '\n')
        emit showRequested();
}

bool InstanceChannel::requestShow(const QString& socketPath, std::chrono::milliseconds timeout)
{
    if (socketPath.isEmpty())
        return false;
    QLocalSocket socket;
    socket.connectToServer(socketPath, QIODevice::WriteOnly);
    if (!socket.waitForConnected(int(timeout.count())))
        return false;
    socket.write(showRequest + '\n');
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(int(timeout.count())))
            return false;
    }
    socket.disconnectFromServer();
    return true;
}
