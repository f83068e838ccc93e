#include "InstanceChannel.h"

#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSocketNotifier>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

// A later start finding the program running is an everyday event: told
// only when asked for (QT_LOGGING_RULES="ventaro.instance.info=true").
Q_LOGGING_CATEGORY(lcInstance, "ventaro.instance", QtWarningMsg)

namespace {

const QByteArray showWord = QByteArrayLiteral("show");
const QByteArray answer = QByteArrayLiteral("ok\n");

// The longest request: the word, a blank, a token and the line end. What
// goes beyond it is not one of ours.
constexpr qint64 maxRequestLength = 4 + 1 + InstanceChannel::maxTokenLength + 1;

// Connections taken in one turn of the event loop: a flood of them leaves
// the window's own events their turn.
constexpr int acceptsPerTurn = 8;

// How long the channel leaves a connection in the socket's queue when no
// descriptor is free for it and none can be freed.
constexpr std::chrono::milliseconds starvedPause{200};

bool hungUp(int descriptor)
{
    pollfd state = {descriptor, POLLIN, 0};
    return ::poll(&state, 1, 0) == 1 && (state.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

// The token of a request line without its line end, or nothing for a line
// that is not a request; an empty token for a plain "show".
std::optional<QByteArray> tokenOf(QByteArrayView line)
{
    if (line == showWord)
        return QByteArray();
    if (!line.startsWith(showWord + ' '))
        return std::nullopt;
    const QByteArrayView token = line.sliced(showWord.size() + 1);
    if (!InstanceChannel::isActivationToken(token))
        return std::nullopt;
    return token.toByteArray();
}

} // namespace

InstanceChannel::InstanceChannel(QString socketPath, QObject* parent)
    : QObject(parent), m_socketPath(std::move(socketPath)), m_server(new QLocalServer(this))
{
    m_resume.setSingleShot(true);
    m_resume.setInterval(starvedPause);
    connect(&m_resume, &QTimer::timeout, this, [this] {
        if (m_incoming)
            m_incoming->setEnabled(true);
    });
    m_expiry.setSingleShot(true);
    connect(&m_expiry, &QTimer::timeout, this, &InstanceChannel::closeExpired);
}

// The server's closing removes the socket file, before the lock is let go:
// a socket there always belongs to the lock's holder or to a program that
// died.
InstanceChannel::~InstanceChannel()
{
    for (Connection& connection : m_waiting) {
        delete connection.readable;
        ::close(connection.descriptor);
    }
    delete m_incoming;
    m_server->close();
}

bool InstanceChannel::listen()
{
    if (m_incoming) {
        // It may be the notifier whose signal is being handled.
        m_incoming->setEnabled(false);
        m_incoming->deleteLater();
        m_incoming = nullptr;
    }
    m_server->close();
    // The lock's folder is private already; the socket is too, should the
    // lock have gone to a folder others may enter.
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // The server makes, guards and removes the socket file, but the channel
    // takes the connections itself: QLocalServer closes its socket and
    // removes the file at the first connection it fails to take (as when
    // the program is out of file descriptors), and no later start could
    // reach the program again. Allowed no pending connection, it takes
    // none.
    m_server->setMaxPendingConnections(0);
    QLocalServer::removeServer(m_socketPath);
    if (!m_server->listen(m_socketPath))
        return false;
    // Taking connections until none is left must not wait for the next.
    const int listening = int(m_server->socketDescriptor());
    ::fcntl(listening, F_SETFL, ::fcntl(listening, F_GETFL) | O_NONBLOCK);
    m_incoming = new QSocketNotifier(listening, QSocketNotifier::Read, this);
    connect(m_incoming, &QSocketNotifier::activated, this, &InstanceChannel::acceptConnections);
    return true;
}

QString InstanceChannel::errorString() const
{
    return m_server->errorString();
}

void InstanceChannel::acceptConnections()
{
    const int listening = int(m_server->socketDescriptor());
    for (int taken = 0; taken < acceptsPerTurn; ++taken) {
        const int descriptor = ::accept4(listening, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (descriptor >= 0) {
            m_starved = false;
            take(descriptor);
            continue;
        }
        const int failure = errno;
        switch (failure) {
        case EAGAIN:
#if EWOULDBLOCK != EAGAIN
        case EWOULDBLOCK:
#endif
            // A listening socket that wakes the loop with nothing to take
            // has been shut down, and would wake it without end.
            if (taken == 0 && hungUp(listening))
                listenAnew(QStringLiteral("its socket was shut down"));
            return;
        case EINTR:
        case ECONNABORTED:
        case EPROTO:
            // That connection is gone; the next one may be there.
            continue;
        case EMFILE:
        case ENFILE:
        case ENOBUFS:
        case ENOMEM:
            if (makeRoom())
                continue;
            // The descriptors are held elsewhere in the program. The
            // connection stays queued; trying again at once would spin.
            if (!m_starved)
                qCWarning(lcInstance, "later starts wait: %s", std::strerror(failure));
            m_starved = true;
            m_incoming->setEnabled(false);
            m_resume.start();
            return;
        default:
            listenAnew(QString::fromLocal8Bit(std::strerror(failure)));
            return;
        }
    }
}

// The listening socket itself has failed: a new one at the same path keeps
// later starts reaching the program.
void InstanceChannel::listenAnew(const QString& why)
{
    qCWarning(lcInstance, "listening anew: %s", qPrintable(why));
    if (!listen())
        qCWarning(lcInstance, "a later start cannot reach this one: %s", qPrintable(errorString()));
}

void InstanceChannel::take(int descriptor)
{
    const auto connection = m_waiting.insert(
        m_waiting.end(), {descriptor, nullptr, {}, std::chrono::steady_clock::now() + m_requestTime});
    // Mostly the request is there already: a later start writes its line
    // as soon as it has connected, before the program takes the connection.
    if (serve(connection))
        return;
    // Room is made after the newcomer has had its chance, so that a request
    // never costs a waiting connection its place.
    if (m_waiting.size() > size_t(maxWaiting)) {
        makeRoom();
        if (find(descriptor) == m_waiting.end())
            return;
    }
    connection->readable = new QSocketNotifier(descriptor, QSocketNotifier::Read, this);
    connect(connection->readable, &QSocketNotifier::activated, this, [this, descriptor] {
        if (const auto found = find(descriptor); found != m_waiting.end())
            serve(found);
    });
    if (!m_expiry.isActive())
        timeNextExpiry();
}

InstanceChannel::Connections::iterator InstanceChannel::find(int descriptor)
{
    return std::find_if(m_waiting.begin(), m_waiting.end(), [descriptor](const Connection& connection) {
        return connection.descriptor == descriptor;
    });
}

// Reads what the connection has sent and, once its first line is there,
// answers it. True when the connection is done with and closed.
bool InstanceChannel::serve(Connections::iterator connection)
{
    char buffer[maxRequestLength + 1];
    QByteArray& received = connection->received;
    while (received.size() <= maxRequestLength && !received.contains('\n')) {
        const ssize_t size = ::recv(connection->descriptor, buffer,
                                    size_t(maxRequestLength + 1 - received.size()), MSG_DONTWAIT);
        if (size > 0) {
            received.append(buffer, size);
            continue;
        }
        if (size < 0 && errno == EINTR)
            continue;
        if (size < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return false;
        // Gone before its line was finished.
        close(connection);
        return true;
    }
    const qsizetype end = received.indexOf('\n');
    const std::optional<QByteArray> token =
        end < 0 ? std::nullopt : tokenOf(QByteArrayView(received).first(end));
    const int descriptor = release(connection);
    if (token) {
        emit showRequested(*token);
        // Tells the later start that it was heard. A start that did not
        // wait for it (one of an older version) is gone already, which
        // does no harm.
        [[maybe_unused]] const ssize_t sent =
            ::send(descriptor, answer.constData(), size_t(answer.size()), MSG_DONTWAIT | MSG_NOSIGNAL);
    }
    ::close(descriptor);
    return true;
}

// Closes one waiting connection to make room for another: one whose
// request has come meanwhile is served rather than closed; else the one
// that has waited longest without a word, else the one that has waited
// longest. False when none waits.
bool InstanceChannel::makeRoom()
{
    for (auto connection = m_waiting.begin(); connection != m_waiting.end(); ++connection) {
        if (serve(connection))
            return true;
        if (connection->received.isEmpty()) {
            close(connection);
            return true;
        }
    }
    if (m_waiting.empty())
        return false;
    close(m_waiting.begin());
    return true;
}

void InstanceChannel::close(Connections::iterator connection)
{
    ::close(release(connection));
}

int InstanceChannel::release(Connections::iterator connection)
{
    const bool first = connection == m_waiting.begin();
    if (connection->readable) {
        // It may be the notifier whose signal is being handled.
        connection->readable->setEnabled(false);
        connection->readable->deleteLater();
    }
    const int descriptor = connection->descriptor;
    m_waiting.erase(connection);
    if (first)
        timeNextExpiry();
    return descriptor;
}

void InstanceChannel::closeExpired()
{
    const auto now = std::chrono::steady_clock::now();
    while (!m_waiting.empty() && m_waiting.front().closesAt <= now)
        close(m_waiting.begin());
    timeNextExpiry();
}

void InstanceChannel::timeNextExpiry()
{
    if (m_waiting.empty()) {
        m_expiry.stop();
        return;
    }
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(m_waiting.front().closesAt -
                                                                   std::chrono::steady_clock::now());
    m_expiry.start(std::max(left, std::chrono::milliseconds(0)));
}

bool InstanceChannel::isActivationToken(QByteArrayView text)
{
    if (text.isEmpty() || text.size() > maxTokenLength)
        return false;
    return std::all_of(text.begin(), text.end(), [](char c) { return c > ' ' && c < 0x7f; });
}

namespace {

QString secondsOf(std::chrono::milliseconds time)
{
    return QString::number(std::chrono::duration<double>(time).count());
}

// Connects `socket` to the program at `socketPath`, trying again until
// `connecting` expires while nothing listens there yet. Why not, in words,
// or nothing once connected.
std::optional<QString> connectToProgram(QLocalSocket& socket, const QString& socketPath,
                                        std::chrono::milliseconds connectTime)
{
    const QDeadlineTimer connecting(connectTime);
    for (;;) {
        socket.connectToServer(socketPath);
        if (socket.waitForConnected(int(connecting.remainingTime())))
            return std::nullopt;
        const QLocalSocket::LocalSocketError error = socket.error();
        socket.abort();
        // Nothing there, or a socket nobody listens on: a program still
        // starting listens only once its window is up.
        const bool notYet =
            error == QLocalSocket::ServerNotFoundError || error == QLocalSocket::ConnectionRefusedError;
        if (notYet && !connecting.hasExpired()) {
            QThread::msleep(static_cast<unsigned long>(std::min<qint64>(100, connecting.remainingTime())));
            continue;
        }
        switch (error) {
        case QLocalSocket::ServerNotFoundError:
            return QStringLiteral("its socket %1 is missing").arg(socketPath);
        case QLocalSocket::ConnectionRefusedError:
            return QStringLiteral("nobody listens at its socket %1").arg(socketPath);
        case QLocalSocket::SocketTimeoutError:
            return QStringLiteral("it took no connection within %1 seconds").arg(secondsOf(connectTime));
        default:
            return QStringLiteral("%1: %2").arg(socketPath, socket.errorString());
        }
    }
}

// What the program made of one request.
struct Reply
{
    InstanceChannel::Delivery delivery;
    // It read the request and closed the connection without a word.
    bool closedUnanswered = false;
};

Reply sendRequest(QLocalSocket& socket, const QByteArray& request, const QDeadlineTimer& answering,
                  std::chrono::milliseconds answerTime)
{
    socket.write(request);
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(int(answering.remainingTime())))
            return {
                {false,
                 QStringLiteral("it did not take the request within %1 seconds").arg(secondsOf(answerTime))}};
    }
    while (!socket.canReadLine() && socket.bytesAvailable() <= answer.size()) {
        if (socket.waitForReadyRead(int(answering.remainingTime())))
            continue;
        if (socket.state() != QLocalSocket::ConnectedState)
            return {{false, QStringLiteral("it closed the connection without answering")}, true};
        return {{false, QStringLiteral("it did not answer within %1 seconds").arg(secondsOf(answerTime))}};
    }
    if (socket.readLine(answer.size() + 1) != answer)
        return {{false, QStringLiteral("it answered something other than \"ok\"")}};
    return {{true, QString()}};
}

} // namespace

InstanceChannel::Delivery InstanceChannel::requestShow(const QString& socketPath,
                                                       const QByteArray& activationToken,
                                                       std::chrono::milliseconds connectTime,
                                                       std::chrono::milliseconds answerTime)
{
    if (socketPath.isEmpty())
        return {false, QStringLiteral("it has no socket to reach it by")};
    QLocalSocket socket;
    if (const std::optional<QString> problem = connectToProgram(socket, socketPath, connectTime))
        return {false, *problem};

    const QDeadlineTimer answering(answerTime);
    const QByteArray plainRequest = showWord + '\n';
    const QByteArray request =
        isActivationToken(activationToken) ? showWord + ' ' + activationToken + '\n' : plainRequest;
    Reply reply = sendRequest(socket, request, answering, answerTime);
    if (!reply.closedUnanswered)
        return reply.delivery;

    // A program of the version before this one, still running after an
    // upgrade, shows its window for a plain "show" alone and then closes
    // the connection without answering: it is asked that way before the
    // start gives up on it. Asked again even when the request was plain
    // already, so that this version, had it dropped the first connection
    // unread (as it drops silent ones in a flood), answers the second.
    // One attempt: the program listened a moment ago, and one that no
    // longer does is ending, not starting.
    socket.abort();
    if (connectToProgram(socket, socketPath, std::chrono::milliseconds(0)))
        return reply.delivery;
    reply = sendRequest(socket, plainRequest, answering, answerTime);
    socket.abort();
    if (!reply.closedUnanswered)
        return reply.delivery;
    // A program that is ending closes its connections in the same way, but
    // has stopped listening: only one that still takes a connection took
    // the request.
    QLocalSocket probe;
    if (connectToProgram(probe, socketPath, std::chrono::milliseconds(0)))
        return reply.delivery;
    probe.abort();
    qCInfo(lcInstance, "the running program is of an earlier version: it took the request without answering");
    return {true, QString()};
}
