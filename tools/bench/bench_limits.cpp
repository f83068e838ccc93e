// What an endless answer costs the program: a server on loopback that
// never stops sending, once in the body and once in the head, against the
// program's network layer with its own limits. Prints how long until the
// request was refused, why, and how far the process's peak memory rose.
//
// usage: bench_limits
#include "net/Network.h"
#include "support/PeakMemory.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <cstdio>
#include <functional>

namespace {

// Sends `head`, then `unit` again and again for as long as the peer reads,
// never more than a few units ahead of it.
class EndlessServer : public QTcpServer
{
public:
    EndlessServer(QByteArray head, QByteArray unit) : m_head(std::move(head)), m_unit(std::move(unit))
    {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    socket->readAll();
                    if (socket->property("sending").toBool())
                        return;
                    socket->setProperty("sending", true);
                    socket->write(m_head);
                    feed(socket);
                });
                connect(socket, &QTcpSocket::bytesWritten, socket, [this, socket] { feed(socket); });
            }
        });
    }

private:
    void feed(QTcpSocket* socket)
    {
        while (socket->state() == QAbstractSocket::ConnectedState &&
               socket->bytesToWrite() < 4 * m_unit.size())
            socket->write(m_unit);
    }

    QByteArray m_head;
    QByteArray m_unit;
};

struct Case
{
    const char* name;
    QByteArray head;
    QByteArray unit;
};

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const std::vector<Case> cases{
        {"endless body", "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n", QByteArray(64 * 1024, 'x')},
        {"endless header line", "HTTP/1.1 200 OK\r\nX-Endless: ", QByteArray(64 * 1024, 'a')},
    };
    Network network;
    std::printf("limits: body %lld bytes, head %lld s, read-ahead %lld bytes\n",
                static_cast<long long>(network.limits().maxBodyBytes),
                static_cast<long long>(network.limits().headTimeout.count() / 1000),
                static_cast<long long>(network.limits().readBufferBytes));

    size_t next = 0;
    std::function<void()> run;
    std::vector<std::unique_ptr<EndlessServer>> servers;
    run = [&] {
        if (next == cases.size()) {
            QCoreApplication::quit();
            return;
        }
        const Case& c = cases[next++];
        servers.push_back(std::make_unique<EndlessServer>(c.head, c.unit));
        const qint64 before = peakMemoryKiB();
        auto* clock = new QElapsedTimer;
        clock->start();
        const QUrl url(QStringLiteral("http://127.0.0.1:%1/").arg(servers.back()->serverPort()));
        QObject::connect(
            network.get(url), &FetchReply::finished, &app, [&, before, clock, c](const FetchResult& r) {
                std::printf("%-20s ended after %7.1f s: %s; peak memory rose %.1f MiB (to %.1f MiB)\n",
                            c.name, clock->elapsed() / 1000.0, r.ok ? "received" : qPrintable(r.error),
                            (peakMemoryKiB() - before) / 1024.0, peakMemoryKiB() / 1024.0);
                std::fflush(stdout);
                delete clock;
                QTimer::singleShot(0, &app, run);
            });
    };
    QTimer::singleShot(0, &app, run);
    return QCoreApplication::exec();
}
