#pragma once

#include <QBuffer>
#include <QColor>
#include <QHash>
#include <QHostAddress>
#include <QImage>
#include <QList>
#include <QMetaType>
#include <QPointer>
#include <QSet>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <utility>

// A minimal HTTP server on 127.0.0.1 for the picture tests. It records the
// path of every request in arrival order, answers each path with a canned
// response (404 for paths it does not know) and can hold the answer to a
// path back until the test releases it.
class PictureServer
{
public:
    struct Response
    {
        int status = 200;
        QByteArray contentType = "image/jpeg";
        QByteArray body;
        // The status line's words; null gives "OK" for 200 and "Not Found"
        // for anything else, empty sends none.
        QByteArray reason{};
    };

    PictureServer()
    {
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] { accept(); });
        m_server.listen(QHostAddress::LocalHost, 0);
    }

    bool listening() const { return m_server.isListening(); }
    QString host() const { return QStringLiteral("127.0.0.1:%1").arg(m_server.serverPort()); }

    void serve(const QString& path, const Response& response) { m_responses.insert(path, response); }
    // Every path not served otherwise gets this answer instead of a 404.
    void serveAll(const Response& response) { m_fallback = response; }
    void hold(const QString& path) { m_holding.insert(path); }
    void release(const QString& path)
    {
        m_holding.remove(path);
        const QList<Pending> held = std::exchange(m_held, {});
        for (const Pending& pending : held) {
            if (pending.path != path)
                m_held.append(pending);
            else if (pending.socket)
                answer(pending.socket, path);
        }
    }

    QStringList requests;
    // Connections the client closed before it had its answer.
    int dropped = 0;

    static QByteArray jpeg(const QColor& colour, const QSize& size = QSize(40, 30))
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(colour);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "JPG", 95);
        return bytes;
    }

    // A 1 x 1 GIF89a whose one pixel is 0x00C000; Qt reads GIF but cannot
    // write it.
    static QByteArray greenGif()
    {
        static const unsigned char bytes[] = {'G',  'I',  'F',  '8',  '9',  'a',  0x01, 0x00, 0x01,
                                              0x00, 0x80, 0x00, 0x00, 0x00, 0xC0, 0x00, 0xFF, 0xFF,
                                              0xFF, 0x2C, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01,
                                              0x00, 0x00, 0x02, 0x02, 0x44, 0x01, 0x00, 0x3B};
        return QByteArray(reinterpret_cast<const char*>(bytes), sizeof bytes);
    }

private:
    struct Pending
    {
        QPointer<QTcpSocket> socket;
        QString path;
    };

    void accept()
    {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { readRequest(socket); });
            QObject::connect(socket, &QTcpSocket::disconnected, socket, [this, socket] {
                if (!socket->property("answered").toBool())
                    ++dropped;
                socket->deleteLater();
            });
        }
    }

    void readRequest(QTcpSocket* socket)
    {
        QByteArray received = socket->property("received").toByteArray() + socket->readAll();
        socket->setProperty("received", received);
        if (!received.contains("\r\n\r\n") || socket->property("path").isValid())
            return;
        const QList<QByteArray> requestLine = received.left(received.indexOf("\r\n")).split(' ');
        const QString path = QString::fromLatin1(requestLine.value(1));
        socket->setProperty("path", path);
        requests.append(path);
        if (m_holding.contains(path))
            m_held.append({socket, path});
        else
            answer(socket, path);
    }

    void answer(QTcpSocket* socket, const QString& path)
    {
        const Response response = m_responses.value(path, m_fallback);
        const QByteArray reason = !response.reason.isNull() ? response.reason
                                  : response.status == 200  ? QByteArray("OK")
                                                            : QByteArray("Not Found");
        QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + " " + reason +
                          "\r\nContent-Type: " + response.contentType +
                          "\r\nContent-Length: " + QByteArray::number(response.body.size()) +
                          "\r\nConnection: close\r\n\r\n";
        socket->setProperty("answered", true);
        socket->write(head + response.body);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    QHash<QString, Response> m_responses;
    Response m_fallback{404, "text/html", "<html><body>Not Found</body></html>"};
    QSet<QString> m_holding;
    QList<Pending> m_held;
};

Q_DECLARE_METATYPE(PictureServer::Response)

// The address of a loopback port where nothing listens, for refused
// connections.
inline QString closedPortHost()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return QStringLiteral("127.0.0.1:%1").arg(port);
}
