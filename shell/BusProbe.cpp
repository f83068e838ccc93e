#include "BusProbe.h"

#include <QByteArrayList>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#endif

Q_LOGGING_CATEGORY(lcBus, "ventaro.bus")

namespace BusProbe {

namespace {

// A key's value in one of an address's transports ("unix:path=/x,guid=y"),
// with the address syntax's %-escapes undone; nothing when absent.
std::optional<QByteArray> valueOf(const QByteArray& transport, const QByteArray& key)
{
    const qsizetype colon = transport.indexOf(':');
    for (const QByteArray& pair : transport.mid(colon + 1).split(',')) {
        if (pair.startsWith(key + '='))
            return QByteArray::fromPercentEncoding(pair.mid(key.size() + 1));
    }
    return std::nullopt;
}

} // namespace

QByteArray sessionAddress()
{
    return qgetenv("DBUS_SESSION_BUS_ADDRESS");
}

QByteArray systemAddress()
{
    const QByteArray named = qgetenv("DBUS_SYSTEM_BUS_ADDRESS");
    return named.isEmpty() ? QByteArrayLiteral("unix:path=/var/run/dbus/system_bus_socket") : named;
}

std::optional<QString> silence(const QByteArray& address, std::chrono::milliseconds timeout)
{
#ifdef Q_OS_UNIX
    // The library tries the address's transports in order; the first local
    // socket is the one it would reach first on a desktop.
    for (const QByteArray& transport : address.split(';')) {
        if (!transport.startsWith("unix:"))
            continue;
        const std::optional<QByteArray> path = valueOf(transport, "path");
        const std::optional<QByteArray> abstract = valueOf(transport, "abstract");
        if (!path && !abstract)
            continue;
        const QByteArray name = path ? *path : *abstract;
        sockaddr_un peer{};
        if (name.size() + 1 > qsizetype(sizeof(peer.sun_path)))
            return std::nullopt;
        peer.sun_family = AF_UNIX;
        // An abstract name begins with a NUL byte and is not NUL-ended.
        const qsizetype offset = abstract && !path ? 1 : 0;
        std::memcpy(peer.sun_path + offset, name.constData(), size_t(name.size()));
        const socklen_t length =
            socklen_t(offsetof(sockaddr_un, sun_path) + offset + name.size() + (offset ? 0 : 1));

        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return std::nullopt;
        const auto closing = qScopeGuard([fd] { ::close(fd); });
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&peer), length) != 0 && errno != EINPROGRESS &&
            errno != EAGAIN)
            return std::nullopt; // refused or absent: the library fails as fast
        // A NUL byte, then "AUTH" without a mechanism, which any bus answers
        // at once with the mechanisms it takes.
        static constexpr char ask[] = "\0AUTH\r\n";
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        qsizetype sent = 0;
        while (true) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                break;
            pollfd wait{fd, short(sent < qsizetype(sizeof(ask) - 1) ? POLLOUT : POLLIN), 0};
            const int ready = ::poll(&wait, 1, int(left.count()));
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready <= 0)
                break;
            if (wait.revents & (POLLERR | POLLHUP))
                return std::nullopt; // closed: the library fails as fast
            if (sent < qsizetype(sizeof(ask) - 1)) {
                const ssize_t wrote = ::send(fd, ask + sent, sizeof(ask) - 1 - size_t(sent), MSG_NOSIGNAL);
                if (wrote < 0 && errno != EAGAIN && errno != EINTR)
                    return std::nullopt;
                sent += wrote > 0 ? wrote : 0;
                continue;
            }
            char reply[64];
            const ssize_t got = ::recv(fd, reply, sizeof(reply), 0);
            if (got >= 0 || (errno != EAGAIN && errno != EINTR))
                return std::nullopt; // answered, or closed
        }
        return QStringLiteral("the bus at %1 took the connection and did not answer within %2 ms")
            .arg(QString::fromLocal8Bit(transport.left(200)))
            .arg(timeout.count());
    }
#else
    Q_UNUSED(address);
    Q_UNUSED(timeout);
#endif
    return std::nullopt;
}

} // namespace BusProbe
