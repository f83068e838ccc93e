#include "QtHttpClient.h"

#include <QSet>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

class TestHttpClient : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void decodesByCharset_data();
    void decodesByCharset();
    void followsRedirectsToABound_data();
    void followsRedirectsToABound();
    void everyWholeResponseIsAPage_data();
    void everyWholeResponseIsAPage();
};

namespace {

// Answers each request by its path from a table of canned responses.
class CannedServer : public QTcpServer
{
public:
    QMap<QByteArray, QByteArray> responses;
    QList<QByteArray> paths;

    CannedServer()
    {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    // A request may arrive in pieces; answer once it is whole.
                    const QByteArray request = socket->property("request").toByteArray() + socket->readAll();
                    socket->setProperty("request", request);
                    if (!request.contains("\r\n\r\n") || socket->property("answered").toBool())
                        return;
                    socket->setProperty("answered", true);
                    const QByteArray path = request.split(' ').value(1);
                    paths.append(path);
                    socket->write(
                        responses.value(path, "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n"));
                    socket->disconnectFromHost();
                });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }

    QUrl url(const QByteArray& path) const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(serverPort()) + QString::fromLatin1(path));
    }

    static QByteArray redirect(const QByteArray& to)
    {
        return "HTTP/1.1 302 Found\r\nLocation: " + to + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
    }

    static QByteArray page(const QByteArray& body, const QByteArray& status = "200 OK")
    {
        return "HTTP/1.1 " + status +
               "\r\nContent-Type: text/html\r\nContent-Length: " + QByteArray::number(body.size()) +
               "\r\nConnection: close\r\n\r\n" + body;
    }
};

} // namespace

void TestHttpClient::decodesByCharset_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<QString>("expected");

    const QByteArray utf8 = QStringLiteral("Zürich °F").toUtf8();
    QTest::newRow("UTF-8 named") << utf8 << QByteArray("text/html; charset=UTF-8")
                                 << QStringLiteral("Zürich °F");
    QTest::newRow("quoted charset") << utf8 << QByteArray("text/html; charset=\"utf-8\"")
                                    << QStringLiteral("Zürich °F");
    QTest::newRow("no charset is Latin-1") << QByteArray("Z\xfcrich \xb0"
                                                         "F")
                                           << QByteArray("text/html") << QStringLiteral("Zürich °F");
    QTest::newRow("UTF-8 bytes without a charset stay Latin-1")
        << utf8 << QByteArray() << QString::fromLatin1(utf8);
    QTest::newRow("unknown charset falls back to Latin-1")
        << QByteArray("\xe9t\xe9") << QByteArray("text/html; charset=x-no-such") << QStringLiteral("été");
    QTest::newRow("charset among other parameters")
        << QByteArray("\xe9") << QByteArray("text/html;level=1; Charset=ISO-8859-1") << QStringLiteral("é");
}

void TestHttpClient::decodesByCharset()
{
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, contentType);
    QFETCH(QString, expected);
    QCOMPARE(QtHttpClient::decodeBody(body, contentType), expected);
}

void TestHttpClient::followsRedirectsToABound_data()
{
    QTest::addColumn<int>("hops");
    QTest::addColumn<bool>("ok");
    QTest::newRow("one redirect") << 1 << true;
    QTest::newRow("as many as allowed") << QtHttpClient::maxRedirects << true;
    QTest::newRow("one too many") << QtHttpClient::maxRedirects + 1 << false;
}

void TestHttpClient::followsRedirectsToABound()
{
    QFETCH(int, hops);
    QFETCH(bool, ok);
    CannedServer server;
    QVERIFY(server.isListening());
    for (int hop = 0; hop < hops; ++hop)
        server.responses.insert("/hop" + QByteArray::number(hop),
                                CannedServer::redirect("/hop" + QByteArray::number(hop + 1)));
    server.responses.insert("/hop" + QByteArray::number(hops), CannedServer::page("<p>arrived</p>"));

    QtHttpClient client(std::chrono::seconds(10));
    const FetchResult result = client.FetchPage(server.url("/hop0"));
    QCOMPARE(result.ok, ok);
    // Qt's client may send a request again when the server closed the
    // connection under it, so the hops are counted, not the requests.
    const auto visited = QSet<QByteArray>(server.paths.cbegin(), server.paths.cend());
    const int followed = ok ? hops : QtHttpClient::maxRedirects;
    QCOMPARE(visited.size(), followed + 1);
    QVERIFY(visited.contains("/hop" + QByteArray::number(followed)));
    if (ok)
        QCOMPARE(result.body, QStringLiteral("<p>arrived</p>"));
    else
        QVERIFY(!result.error.isEmpty());
}

void TestHttpClient::everyWholeResponseIsAPage_data()
{
    QTest::addColumn<QByteArray>("response");
    QTest::addColumn<bool>("ok");
    const QByteArray body = "<p>a page</p>";
    for (const char* status :
         {"400 Bad Request", "401 Unauthorized", "404 Not Found", "407 Proxy Authentication Required",
          "418 I'm a teapot", "500 Internal Server Error", "503 Service Unavailable", "599 Whatever"})
        QTest::newRow(status) << CannedServer::page(body, status) << true;
    // Cut short of its length by the closing server: never a whole page.
    QTest::newRow("400 with its body cut short")
        << CannedServer::page(body, "400 Bad Request").chopped(4) << false;
    QTest::newRow("no HTTP at all") << QByteArray("garbage\r\n\r\n") << false;
}

void TestHttpClient::everyWholeResponseIsAPage()
{
    QFETCH(QByteArray, response);
    QFETCH(bool, ok);
    CannedServer server;
    QVERIFY(server.isListening());
    server.responses.insert("/page", response);
    QtHttpClient client(std::chrono::seconds(10));
    const FetchResult result = client.FetchPage(server.url("/page"));
    QCOMPARE(result.ok, ok);
    if (ok)
        QCOMPARE(result.body, QStringLiteral("<p>a page</p>"));
    else
        QVERIFY(!result.error.isEmpty());
}

QTEST_GUILESS_MAIN(TestHttpClient)
#include "tst_httpclient.moc"
