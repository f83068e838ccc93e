#include "ManualClock.h"
#include "PipeWatch.h"
#include "net/Network.h"

#include <QDirIterator>
#include <QPointer>
#include <QRegularExpression>
#include <QSet>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>
#include <numeric>

class TestNetwork : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void decodesByCharset_data();
    void decodesByCharset();
    void everyWholeResponseIsAPage_data();
    void everyWholeResponseIsAPage();
    void followsRedirectsToABound_data();
    void followsRedirectsToABound();
    void bodyOverTheCapFails_data();
    void bodyOverTheCapFails();
    void requestThatTakesTooLongFails_data();
    void requestThatTakesTooLongFails();
    void invalidAddressFailsWithoutARequest_data();
    void invalidAddressFailsWithoutARequest();
    void abortedReplyEmitsNothing_data();
    void abortedReplyEmitsNothing();
    void abortAllEndsEverythingSilently();
    void answersOfOneWorkShareOneBound();
    void refusedBodyEndsAtOnceWithQtsReason_data();
    void refusedBodyEndsAtOnceWithQtsReason();
    void retryAfterBoundsThePause_data();
    void retryAfterBoundsThePause();
    void pauseHoldsOnlyTimedRequests();
    void passingFailuresAreAskedAgain_data();
    void passingFailuresAreAskedAgain();
    void proxyRefusingTheTunnelIsNamed();
    void damagedCacheEntryIsAskedForWhole_data();
    void damagedCacheEntryIsAskedForWhole();
    void cacheKeepsToItsFolderAndBound_data();
    void cacheKeepsToItsFolderAndBound();
};

namespace {

constexpr int wait = 20000;

// Answers each request by its path from a table of canned answers. An
// answer that does not hang up leaves the connection open after its bytes,
// so an answer without bytes is one that never comes.
class CannedServer : public QTcpServer
{
public:
    struct Answer
    {
        QByteArray bytes;
        bool hangUp = true;
    };

    QMap<QByteArray, Answer> answers;
    // A path's first requests take these in turn, before its answer above.
    QMap<QByteArray, QList<Answer>> firstAnswers;
    // A path's answer to a request asking whether a kept copy changed.
    QMap<QByteArray, Answer> confirmations;
    QList<QByteArray> paths;
    QList<QByteArray> heads; // of the requests, whole
    int connections = 0;
    // Connections the client closed while the server still held them open.
    int dropped = 0;

    CannedServer()
    {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = nextPendingConnection()) {
                ++connections;
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { read(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, [this, socket] {
                    if (!socket->property("hungUp").toBool())
                        ++dropped;
                    socket->deleteLater();
                });
            }
        });
    }

    // The connections still open close with the server; by then it is no
    // longer one to count them.
    ~CannedServer() override
    {
        for (QTcpSocket* socket : findChildren<QTcpSocket*>())
            QObject::disconnect(socket, nullptr, socket, nullptr);
    }

    QUrl url(const QByteArray& path) const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(serverPort()) + QString::fromLatin1(path));
    }

    static Answer redirect(const QByteArray& to)
    {
        return {"HTTP/1.1 302 Found\r\nLocation: " + to +
                "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n"};
    }

    static QByteArray page(const QByteArray& body, const QByteArray& status = "200 OK",
                           const QByteArray& contentType = "text/html")
    {
        return "HTTP/1.1 " + status + "\r\nContent-Type: " + contentType +
               "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" +
               body;
    }

private:
    void read(QTcpSocket* socket)
    {
        // A request may arrive in pieces; answer once it is whole.
        const QByteArray request = socket->property("request").toByteArray() + socket->readAll();
        socket->setProperty("request", request);
        if (!request.contains("\r\n\r\n") || socket->property("answered").toBool())
            return;
        socket->setProperty("answered", true);
        const QByteArray path = request.split(' ').value(1);
        paths.append(path);
        heads.append(request.left(request.indexOf("\r\n\r\n")));
        QList<Answer>& inTurn = firstAnswers[path];
        const Answer answer =
            !inTurn.isEmpty() ? inTurn.takeFirst()
            : request.contains("\r\nIf-None-Match:") && confirmations.contains(path)
                ? confirmations.value(path)
                : answers.value(path, {"HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n"});
        socket->write(answer.bytes);
        if (answer.hangUp) {
            socket->setProperty("hungUp", true);
            socket->disconnectFromHost();
        }
    }
};

// One GET, recording what the reply emits to a receiver connected only
// after get() returned, as every user of the network connects. The reply
// deletes itself after it ends, so once it is gone it can emit nothing more.
class Fetch
{
public:
    Fetch(Network& network, const QUrl& url, const RequestOptions& options = {})
        : reply(network.get(url, options))
    {
        QObject::connect(reply, &FetchReply::finished, &m_receiver,
                         [this](const FetchResult& result) { results.append(result); });
    }

    bool waitForEnd()
    {
        return QTest::qWaitFor([this] { return !results.isEmpty() && reply.isNull(); }, wait);
    }

    QPointer<FetchReply> reply;
    QList<FetchResult> results;

private:
    QObject m_receiver;
};

// The retries the network's log has told of, and the lines that carried a
// control character, the messages passed on.
int retriesLogged = 0;
int rawLinesLogged = 0;
QtMessageHandler earlierHandler = nullptr;
void countRetries(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    retriesLogged += message.contains(QLatin1String(": asking again in ")) ? 1 : 0;
    rawLinesLogged += std::any_of(message.begin(), message.end(), [](QChar c) { return c < u' '; }) ? 1 : 0;
    if (earlierHandler)
        earlierHandler(type, context, message);
}

// Pauses short enough for a test: the tries are counted, never timed.
const NetworkLimits quickRetries{
    .retryPauses = {std::chrono::milliseconds(10), std::chrono::milliseconds(30)}};

RequestOptions cachedRequest()
{
    RequestOptions options;
    options.cached = true;
    return options;
}

// A cacheable answer of `body`: kept ten minutes, confirmed by its tag.
QByteArray keptAnswer(const QByteArray& body, const QByteArray& contentType, bool declared = true)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: " + contentType +
           (declared ? "\r\nContent-Length: " + QByteArray::number(body.size()) : QByteArray()) +
           "\r\nETag: \"v1\"\r\nCache-Control: max-age=600\r\nConnection: close\r\n\r\n" + body;
}

// Every name under `folder` (none followed) and what stands there: a
// file's bytes, or its kind.
QMap<QString, QByteArray> contents(const QString& folder)
{
    QMap<QString, QByteArray> found;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info = it.nextFileInfo();
        QFile file(info.filePath());
        found.insert(info.filePath(), info.isSymLink()                                  ? "link"
                                      : info.isDir()                                    ? "folder"
                                      : info.isFile() && file.open(QIODevice::ReadOnly) ? file.readAll()
                                                                                        : "other");
    }
    return found;
}

} // namespace

Q_DECLARE_METATYPE(CannedServer::Answer)

// Runs one request to its end: exactly one finished(), then the reply is
// gone.
#define FETCH_TO_END(network, url, result)                                                                   \
    FetchResult result;                                                                                      \
    {                                                                                                        \
        Fetch fetch_((network), (url));                                                                      \
        QVERIFY2(fetch_.waitForEnd(), "the request did not end");                                            \
        QCOMPARE(fetch_.results.size(), 1);                                                                  \
        result = fetch_.results.first();                                                                     \
    }

void TestNetwork::initTestCase()
{
    earlierHandler = qInstallMessageHandler(countRetries);
}

void TestNetwork::decodesByCharset_data()
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

void TestNetwork::decodesByCharset()
{
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, contentType);
    QFETCH(QString, expected);
    QCOMPARE(Network::decodeBody(body, contentType), expected);
}

void TestNetwork::everyWholeResponseIsAPage_data()
{
    QTest::addColumn<QByteArray>("response");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("text");

    const QByteArray body = "<p>a page</p>";
    const QString text = QString::fromLatin1(body);
    for (const char* status : {"200 OK", "400 Bad Request", "401 Unauthorized", "404 Not Found",
                               "407 Proxy Authentication Required", "418 I'm a teapot",
                               "500 Internal Server Error", "503 Service Unavailable", "599 Whatever"}) {
        const QByteArray line(status);
        QTest::newRow(status) << CannedServer::page(body, line) << true << line.left(3).toInt()
                              << QString::fromLatin1(line.mid(4)) << text;
    }
    QTest::newRow("text decoded by the server's charset")
        << CannedServer::page(QStringLiteral("<p>Zürich</p>").toUtf8(), "200 OK", "text/html; charset=utf-8")
        << true << 200 << QStringLiteral("OK") << QStringLiteral("<p>Zürich</p>");
    // Cut short of its length by the closing server: never a whole page.
    QTest::newRow("200 with its body cut short")
        << CannedServer::page(body).chopped(4) << false << 0 << QString() << QString();
    QTest::newRow("400 with its body cut short")
        << CannedServer::page(body, "400 Bad Request").chopped(4) << false << 0 << QString() << QString();
    QTest::newRow("no HTTP at all") << QByteArray("garbage\r\n\r\n") << false << 0 << QString() << QString();
}

void TestNetwork::everyWholeResponseIsAPage()
{
    QFETCH(QByteArray, response);
    QFETCH(bool, ok);
    QFETCH(int, status);
    QFETCH(QString, reason);
    QFETCH(QString, text);

    CannedServer server;
    QVERIFY(server.isListening());
    server.answers.insert("/page", {response});
    Network network;
    FETCH_TO_END(network, server.url("/page"), result);

    QCOMPARE(result.ok, ok);
    QCOMPARE(result.url, server.url("/page"));
    if (ok) {
        QCOMPARE(result.status, status);
        QCOMPARE(result.reasonPhrase, reason);
        QCOMPARE(result.text, text);
        QCOMPARE(result.body, response.mid(response.indexOf("\r\n\r\n") + 4));
        QVERIFY(result.error.isEmpty());
    } else {
        QVERIFY(!result.error.isEmpty());
    }
}

void TestNetwork::followsRedirectsToABound_data()
{
    QTest::addColumn<int>("maxRedirects");
    QTest::addColumn<int>("hops");
    QTest::addColumn<bool>("ok");

    const int bound = NetworkLimits{}.maxRedirects;
    QTest::newRow("one redirect") << bound << 1 << true;
    QTest::newRow("as many as allowed") << bound << bound << true;
    QTest::newRow("one too many") << bound << bound + 1 << false;
    QTest::newRow("a bound of one, two hops") << 1 << 2 << false;
}

void TestNetwork::followsRedirectsToABound()
{
    QFETCH(int, maxRedirects);
    QFETCH(int, hops);
    QFETCH(bool, ok);

    CannedServer server;
    QVERIFY(server.isListening());
    for (int hop = 0; hop < hops; ++hop)
        server.answers.insert("/hop" + QByteArray::number(hop),
                              CannedServer::redirect("/hop" + QByteArray::number(hop + 1)));
    server.answers.insert("/hop" + QByteArray::number(hops), {CannedServer::page("<p>arrived</p>")});

    NetworkLimits limits;
    limits.maxRedirects = maxRedirects;
    Network network(limits);
    FETCH_TO_END(network, server.url("/hop0"), result);
    QCOMPARE(result.ok, ok);
    // Qt's client may send a request again when the server closed the
    // connection under it, so the hops are counted, not the requests.
    const auto visited = QSet<QByteArray>(server.paths.cbegin(), server.paths.cend());
    const int followed = ok ? hops : maxRedirects;
    QCOMPARE(visited.size(), followed + 1);
    QVERIFY(visited.contains("/hop" + QByteArray::number(followed)));
    if (ok)
        QCOMPARE(result.text, QStringLiteral("<p>arrived</p>"));
    else
        QVERIFY(!result.error.isEmpty());
}

void TestNetwork::bodyOverTheCapFails_data()
{
    QTest::addColumn<CannedServer::Answer>("answer");
    QTest::addColumn<bool>("ok");

    const auto withoutLength = [](const QByteArray& body) {
        return "HTTP/1.1 200 OK\r\nContent-Type: image/jpeg\r\nConnection: close\r\n\r\n" + body;
    };
    QTest::newRow("exactly the cap") << CannedServer::Answer{CannedServer::page(QByteArray(1024, 'x'))}
                                     << true;
    QTest::newRow("one byte over, length declared")
        << CannedServer::Answer{CannedServer::page(QByteArray(1025, 'x'))} << false;
    QTest::newRow("over, no length declared")
        << CannedServer::Answer{withoutLength(QByteArray(4096, 'x'))} << false;
    QTest::newRow("over, on an error status")
        << CannedServer::Answer{CannedServer::page(QByteArray(4096, 'x'), "404 Not Found")} << false;
    // Refused as it arrives, not when the sender is done: this one never is.
    QTest::newRow("over, and the body never ends")
        << CannedServer::Answer{withoutLength(QByteArray(1024 * 1024, 'x')), false} << false;
}

void TestNetwork::bodyOverTheCapFails()
{
    QFETCH(CannedServer::Answer, answer);
    QFETCH(bool, ok);

    CannedServer server;
    QVERIFY(server.isListening());
    server.answers.insert("/big", answer);
    NetworkLimits limits;
    limits.maxBodyBytes = 1024;
    Network network(limits);
    FETCH_TO_END(network, server.url("/big"), result);

    QCOMPARE(result.ok, ok);
    if (ok)
        QCOMPARE(result.body.size(), 1024);
    else
        QVERIFY2(result.error.contains(QStringLiteral("1024")), qPrintable(result.error));
}

void TestNetwork::requestThatTakesTooLongFails_data()
{
    QTest::addColumn<CannedServer::Answer>("answer");
    QTest::addColumn<int>("timeoutMs");
    QTest::addColumn<int>("headTimeoutMs");
    QTest::addColumn<QString>("named");

    // The bound that is not under test is far out of reach, and the two
    // bounds differ, so the message shows which one ended the request.
    QTest::newRow("no answer at all, the head's bound")
        << CannedServer::Answer{{}, false} << 60000 << 300 << QStringLiteral("0.3 seconds");
    QTest::newRow("head sent, body stalls, the whole request's bound")
        << CannedServer::Answer{"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nsome", false} << 400 << 60000
        << QStringLiteral("The answer stopped arriving: 4 bytes came within 0.4 seconds");
    QTest::newRow("no answer at all, the whole request's bound")
        << CannedServer::Answer{{}, false} << 400 << 60000 << QStringLiteral("0.4 seconds");
}

void TestNetwork::requestThatTakesTooLongFails()
{
    QFETCH(CannedServer::Answer, answer);
    QFETCH(int, timeoutMs);
    QFETCH(int, headTimeoutMs);
    QFETCH(QString, named);

    CannedServer server;
    QVERIFY(server.isListening());
    server.answers.insert("/slow", answer);
    NetworkLimits limits;
    limits.timeout = std::chrono::milliseconds(timeoutMs);
    limits.headTimeout = std::chrono::milliseconds(headTimeoutMs);
    Network network(limits);
    FETCH_TO_END(network, server.url("/slow"), result);

    QVERIFY(!result.ok);
    QVERIFY2(result.error.contains(named), qPrintable(result.error));
    // Given up, not left open.
    QTRY_COMPARE_WITH_TIMEOUT(server.dropped, 1, wait);
}

void TestNetwork::invalidAddressFailsWithoutARequest_data()
{
    // %1 stands for the test server.
    QTest::addColumn<QString>("address");
    QTest::newRow("empty") << QString();
    QTest::newRow("no scheme or host") << QStringLiteral("/page");
    QTest::newRow("not HTTP") << QStringLiteral("ftp://%1/page");
    QTest::newRow("malformed") << QStringLiteral("http://127.0.0.1:port/page");
}

void TestNetwork::invalidAddressFailsWithoutARequest()
{
    QFETCH(QString, address);

    CannedServer server;
    QVERIFY(server.isListening());
    server.answers.insert("/page", {CannedServer::page("<p>a page</p>")});
    Network network;
    const QUrl url(
        address.replace(QStringLiteral("%1"), QStringLiteral("127.0.0.1:%1").arg(server.serverPort())));
    FETCH_TO_END(network, url, result);
    QVERIFY(!result.ok);
    QVERIFY(!result.error.isEmpty());
    QCOMPARE(result.url, url);

    // A request that does reach the server shows it has had its chance to
    // see anything the invalid one sent.
    FETCH_TO_END(network, server.url("/page"), page);
    QVERIFY(page.ok);
    QCOMPARE(server.paths, QList<QByteArray>{"/page"});
    QCOMPARE(server.connections, 1);
}

void TestNetwork::abortedReplyEmitsNothing_data()
{
    QTest::addColumn<bool>("held");
    QTest::addColumn<bool>("pausing"); // a 503 was had, the retry waits
    QTest::newRow("while the server holds the answer") << true << false;
    // finish() has run, its finished() is still queued.
    QTest::newRow("after it failed, before finished() went out") << false << false;
    QTest::newRow("while a retry waits its pause") << false << true;
}

void TestNetwork::abortedReplyEmitsNothing()
{
    QFETCH(bool, held);
    QFETCH(bool, pausing);

    CannedServer server;
    QVERIFY(server.isListening());
    server.answers.insert("/held", {{}, false});
    server.answers.insert("/busy", {CannedServer::page("busy", "503 Service Unavailable")});
    Network network; // a pause of a second
    RequestOptions options;
    options.retryPassingFailures = true;
    retriesLogged = 0;
    Fetch fetch(network, held ? server.url("/held") : pausing ? server.url("/busy") : QUrl(), options);
    if (held)
        QTRY_COMPARE_WITH_TIMEOUT(server.paths.size(), 1, wait);
    if (pausing)
        QTRY_COMPARE_WITH_TIMEOUT(retriesLogged, 1, wait);

    fetch.reply->abort();
    // Once the reply is gone nothing can come from it any more.
    QTRY_VERIFY_WITH_TIMEOUT(fetch.reply.isNull(), wait);
    QVERIFY(fetch.results.isEmpty());
    if (held)
        QTRY_COMPARE_WITH_TIMEOUT(server.dropped, 1, wait);
    // Past the pause: a retry left behind would have gone by then.
    QTest::qWait(pausing ? 1500 : 0);
    QCOMPARE(server.paths.size(), held || pausing ? 1 : 0);
}

void TestNetwork::abortAllEndsEverythingSilently()
{
    CannedServer server;
    QVERIFY(server.isListening());
    server.answers.insert("/held1", {{}, false});
    server.answers.insert("/held2", {"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nsome", false});
    server.answers.insert("/page", {CannedServer::page("<p>a page</p>")});
    Network network;
    Fetch first(network, server.url("/held1"));
    Fetch second(network, server.url("/held2"));
    QTRY_COMPARE_WITH_TIMEOUT(server.paths.size(), 2, wait);
    // Failed at once, its finished() still queued.
    Fetch invalid(network, QUrl());

    network.abortAll();
    QTRY_VERIFY_WITH_TIMEOUT(first.reply.isNull() && second.reply.isNull() && invalid.reply.isNull(), wait);
    QVERIFY(first.results.isEmpty());
    QVERIFY(second.results.isEmpty());
    QVERIFY(invalid.results.isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(server.dropped, 2, wait);

    // The network takes new requests afterwards.
    FETCH_TO_END(network, server.url("/page"), result);
    QVERIFY(result.ok);
    QCOMPARE(result.text, QStringLiteral("<p>a page</p>"));
}

// However many requests one piece of work makes, their answers together
// stay within its budget: the request that would go past it fails.
void TestNetwork::answersOfOneWorkShareOneBound()
{
    CannedServer server;
    QVERIFY(server.isListening());
    server.answers.insert("/first", {CannedServer::page(QByteArray(600, 'a'))});
    server.answers.insert("/second", {CannedServer::page(QByteArray(600, 'b'))});
    Network network;
    RequestOptions options;
    options.budget = std::make_shared<TransferBudget>(1000);
    FetchResult first;
    FetchResult second;
    {
        Fetch fetch(network, server.url("/first"), options);
        QVERIFY(fetch.waitForEnd());
        first = fetch.results.value(0);
    }
    {
        Fetch fetch(network, server.url("/second"), options);
        QVERIFY(fetch.waitForEnd());
        second = fetch.results.value(0);
    }
    QVERIFY(first.ok);
    QCOMPARE(first.body.size(), 600);
    QVERIFY(!second.ok);
    QVERIFY2(second.error.contains(QStringLiteral("together are larger than 1000 bytes")),
             qPrintable(second.error));
    // Without the shared budget the same answer is whole.
    FETCH_TO_END(network, server.url("/second"), alone);
    QVERIFY(alone.ok);
}

void TestNetwork::refusedBodyEndsAtOnceWithQtsReason_data()
{
    QTest::addColumn<QByteArray>("encoding");
    // 64 MiB of zeros pack into some 64 KiB; Qt refuses to unpack an answer
    // that grows this far past what was sent, and never ends the reply.
    QTest::newRow("deflate") << QByteArray("deflate");
    // The same stream wrapped as gzip: its header, the raw stream, and a
    // trailer Qt never reaches.
    QTest::newRow("gzip") << QByteArray("gzip");
}

void TestNetwork::refusedBodyEndsAtOnceWithQtsReason()
{
    QFETCH(QByteArray, encoding);
    const QByteArray zlib = qCompress(QByteArray(64 * 1024 * 1024, '\0'), 9).mid(4);
    const QByteArray body = encoding == "gzip" ? QByteArray::fromHex("1f8b0800000000000003") +
                                                     zlib.mid(2, zlib.size() - 6) + QByteArray(8, '\0')
                                               : zlib;
    CannedServer server;
    QVERIFY(server.isListening());
    server.answers.insert("/bomb", {"HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Encoding: " +
                                    encoding + "\r\nContent-Length: " + QByteArray::number(body.size()) +
                                    "\r\nConnection: close\r\n\r\n" + body});
    // The whole request's bound is out of reach of this test's own wait:
    // only an end Qt's refusal brings about can end it in time.
    NetworkLimits limits;
    limits.timeout = std::chrono::minutes(10);
    Network network(limits);
    FETCH_TO_END(network, server.url("/bomb"), result);
    QVERIFY(!result.ok);
    QVERIFY2(result.error.contains(QStringLiteral("ecompress")), qPrintable(result.error));
}

void TestNetwork::retryAfterBoundsThePause_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<qint64>("seconds"); // -1: no pause
    QTest::newRow("seconds") << QByteArray("120") << qint64(120);
    QTest::newRow("blanks around") << QByteArray(" 5 ") << qint64(5);
    QTest::newRow("zero") << QByteArray("0") << qint64(-1);
    QTest::newRow("negative") << QByteArray("-30") << qint64(-1);
    QTest::newRow("a day, held to an hour") << QByteArray("86400") << qint64(3600);
    QTest::newRow("twenty digits, held to an hour") << QByteArray("99999999999999999999") << qint64(3600);
    QTest::newRow("twenty zeros") << QByteArray("00000000000000000000") << qint64(-1);
    QTest::newRow("an HTTP date ten minutes on")
        << QByteArray("Mon, 07 Dec 2026 18:10:00 GMT") << qint64(600);
    QTest::newRow("an HTTP date gone by") << QByteArray("Mon, 07 Dec 2026 17:00:00 GMT") << qint64(-1);
    QTest::newRow("words") << QByteArray("soon") << qint64(-1);
    QTest::newRow("empty") << QByteArray() << qint64(-1);
}

void TestNetwork::retryAfterBoundsThePause()
{
    QFETCH(QByteArray, value);
    QFETCH(qint64, seconds);
    const QDateTime now(QDate(2026, 12, 7), QTime(18, 0), QTimeZone::utc());
    const QDateTime until = Network::retryAfter(value, now);
    QCOMPARE(until.isValid() ? now.secsTo(until) : qint64(-1), seconds);
}

// After a 429 with Retry-After, requests a timer makes wait out the pause
// without reaching the server; a request the user makes still goes.
void TestNetwork::pauseHoldsOnlyTimedRequests()
{
    CannedServer server;
    QVERIFY(server.isListening());
    server.answers.insert("/busy",
                          {CannedServer::page("slow down", "429 Too Many Requests")
                               .replace("Connection: close", "Retry-After: 60\r\nConnection: close")});
    server.answers.insert("/page", {CannedServer::page("fine")});
    ManualClock clock;
    Network network({}, &clock);
    FETCH_TO_END(network, server.url("/busy"), busy);
    QCOMPARE(busy.status, 429);
    QVERIFY(network.heldUntil(QStringLiteral("127.0.0.1:%1").arg(server.serverPort())).isValid());

    RequestOptions timed;
    timed.timed = true;
    FetchResult held;
    {
        Fetch fetch(network, server.url("/page"), timed);
        QVERIFY(fetch.waitForEnd());
        held = fetch.results.value(0);
    }
    QVERIFY(!held.ok);
    QVERIFY(held.heldUntil.isValid());
    QVERIFY2(held.error.contains(QStringLiteral("asked for a pause")), qPrintable(held.error));
    QCOMPARE(server.paths, QList<QByteArray>{"/busy"});

    FETCH_TO_END(network, server.url("/page"), asked);
    QVERIFY(asked.ok);
    QCOMPARE(server.paths.size(), 2);

    // The pause over by the clock, a timed request is sent again.
    clock.moveWallClock(std::chrono::seconds(61));
    {
        Fetch fetch(network, server.url("/page"), timed);
        QVERIFY(fetch.waitForEnd());
        QVERIFY(fetch.results.value(0).ok);
    }
    QCOMPARE(server.paths.size(), 3);
}

void TestNetwork::passingFailuresAreAskedAgain_data()
{
    using Answers = QList<CannedServer::Answer>;
    QTest::addColumn<Answers>("answers"); // in turn, the last one for every later request
    QTest::addColumn<qint64>("budget");   // 0: none
    QTest::addColumn<int>("requests");
    QTest::addColumn<int>("status"); // of the answer handed on

    const auto page = [](const QByteArray& status, const QByteArray& body = "<p>a page</p>") {
        return CannedServer::Answer{CannedServer::page(body, status)};
    };
    const CannedServer::Answer ok = page("200 OK");
    const CannedServer::Answer unavailable = page("503 Service Unavailable");
    CannedServer::Answer held = unavailable;
    held.bytes.replace("Connection: close", "Retry-After: 60\r\nConnection: close");
    QTest::newRow("500, then 200 on the second try")
        << Answers{page("500 Internal Server Error"), ok} << qint64(0) << 2 << 200;
    // The server's words reach the log escaped, on one line.
    QTest::newRow("500 with an escape in its words, then 200")
        << Answers{page("500 Internal\x1b[2J\x1b]0;forged\x07 Error"), ok} << qint64(0) << 2 << 200;
    QTest::newRow("503 three times: the last one stands") << Answers{unavailable} << qint64(0) << 3 << 503;
    QTest::newRow("404 asked once") << Answers{page("404 Not Found"), ok} << qint64(0) << 1 << 404;
    QTest::newRow("503 with Retry-After: held, asked once") << Answers{held, ok} << qint64(0) << 1 << 503;
    // 600 of the 1000 bytes taken: another such answer would not fit.
    QTest::newRow("a retry that would pass the budget not made")
        << Answers{page("503 Service Unavailable", QByteArray(600, 'x')), ok} << qint64(1000) << 1 << 503;
}

void TestNetwork::passingFailuresAreAskedAgain()
{
    QFETCH(QList<CannedServer::Answer>, answers);
    QFETCH(qint64, budget);
    QFETCH(int, requests);
    QFETCH(int, status);

    CannedServer server;
    QVERIFY(server.isListening());
    server.answers.insert("/api", answers.takeLast());
    server.firstAnswers.insert("/api", answers);
    Network network(quickRetries);
    RequestOptions options;
    options.retryPassingFailures = true;
    if (budget > 0)
        options.budget = std::make_shared<TransferBudget>(budget);
    retriesLogged = 0;
    rawLinesLogged = 0;
    Fetch fetch(network, server.url("/api"), options);
    QVERIFY2(fetch.waitForEnd(), "the request did not end");
    QCOMPARE(fetch.results.size(), 1);
    QCOMPARE(fetch.results.first().status, status);
    QCOMPARE(server.paths.size(), requests);
    QCOMPARE(retriesLogged, requests - 1);
    QCOMPARE(rawLinesLogged, 0);
}

// A proxy that turns the tunnel away: the failure names the proxy and the
// host asked for, not an empty "Host  not found".
void TestNetwork::proxyRefusingTheTunnelIsNamed()
{
    CannedServer proxy;
    QVERIFY(proxy.isListening());
    proxy.answers.insert("weather.invalid:443", {"HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\n\r\n"});
    const QByteArray address = "http://127.0.0.1:" + QByteArray::number(proxy.serverPort());
    qputenv("https_proxy", address);
    qputenv("no_proxy", "");
    Network network;
    network.useSystemProxies(true);
    FETCH_TO_END(network, QUrl(QStringLiteral("https://weather.invalid/stations/KDEN")), result);
    qunsetenv("https_proxy");
    qunsetenv("no_proxy");
    QVERIFY(!result.ok);
    QVERIFY2(result.error.contains(QStringLiteral("127.0.0.1:%1").arg(proxy.serverPort())),
             qPrintable(result.error));
    QVERIFY2(result.error.contains(QStringLiteral("weather.invalid")), qPrintable(result.error));
    QVERIFY2(!result.error.contains(QStringLiteral("Host  ")), qPrintable(result.error));
}

void TestNetwork::damagedCacheEntryIsAskedForWhole_data()
{
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<QString>("damage");
    QTest::newRow("an observation cut short by a byte") << QByteArray("application/geo+json") << "cut";
    QTest::newRow("a product cut short by a byte") << QByteArray("text/plain") << "cut";
    QTest::newRow("cut to its first half") << QByteArray("application/geo+json") << "half";
    QTest::newRow("grown by a byte") << QByteArray("application/geo+json") << "grow";
    QTest::newRow("a named pipe in its place") << QByteArray("application/geo+json") << "pipe";
    QTest::newRow("a folder in its place") << QByteArray("text/plain") << "folder";
}

// A kept answer that cannot be read back whole is never confirmed with 304:
// it is asked for without validators, and the whole answer then kept.
void TestNetwork::damagedCacheEntryIsAskedForWhole()
{
    QFETCH(QByteArray, contentType);
    QFETCH(QString, damage);
    const QByteArray body = QByteArray("a line of the answer\n").repeated(150);
    CannedServer server;
    QVERIFY(server.isListening());
    server.answers.insert("/obs", {keptAnswer(body, contentType)});
    server.confirmations.insert("/obs",
                                {"HTTP/1.1 304 Not Modified\r\nETag: \"v1\"\r\nConnection: close\r\n\r\n"});
    QTemporaryDir home;
    // A bound within this test's wait: a copy the server confirms that is
    // not whole would end the request there.
    Network network(NetworkLimits{.timeout = std::chrono::seconds(5)});
    network.useCache(home.filePath(QStringLiteral("http")), 1024 * 1024);
    const auto fetch = [&] {
        Fetch one(network, server.url("/obs"), cachedRequest());
        return one.waitForEnd() ? one.results.value(0) : FetchResult{};
    };
    QCOMPARE(fetch().body, body);

    const QMap<QString, QByteArray> kept = contents(home.filePath(QStringLiteral("http")));
    const auto found =
        std::find_if(kept.cbegin(), kept.cend(), [](const QByteArray& what) { return what != "folder"; });
    QVERIFY(found != kept.cend());
    const QString entry = found.key();
    QFile file(entry);
    std::unique_ptr<PipeWatch> pipe;
    if (damage == QLatin1String("pipe") || damage == QLatin1String("folder")) {
        QVERIFY(file.remove());
        pipe.reset(damage == QLatin1String("pipe") ? new PipeWatch(entry) : nullptr);
        QVERIFY(pipe ? pipe->made() : QDir().mkpath(entry + QStringLiteral("/inside")));
    } else {
        const QByteArray bytes = kept.value(entry);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(damage == QLatin1String("cut")    ? bytes.chopped(1)
                   : damage == QLatin1String("half") ? bytes.left(bytes.size() / 2)
                                                     : bytes + 'x');
        file.close();
    }

    const FetchResult again = fetch();
    QVERIFY2(again.ok, qPrintable(again.error));
    QCOMPARE(again.body, body);
    QVERIFY2(!server.heads.constLast().contains("If-None-Match"), server.heads.constLast().constData());
    QVERIFY(!pipe || pipe->readers() == 0);
    // Kept whole again: confirmed, and given back whole.
    QCOMPARE(fetch().body, body);
    QVERIFY(server.heads.constLast().contains("If-None-Match"));
}

void TestNetwork::cacheKeepsToItsFolderAndBound_data()
{
    QTest::addColumn<QString>("before"); // what stands at the folder's path
    QTest::addColumn<int>("answerBytes");
    QTest::addColumn<bool>("declared"); // the answers name their length

    // The bound is 64 KiB.
    QTest::newRow("answers of 5/8 of the bound, one after another") << "nothing" << 40 * 1024 << true;
    QTest::newRow("answers past the bound, length undeclared") << "nothing" << 80 * 1024 << false;
    QTest::newRow("a link to the user's folder") << "link" << 40 * 1024 << true;
    QTest::newRow("files planted past the bound, a pipe, a folder") << "planted" << 8 * 1024 << true;
}

// Whatever the answers and whatever was put in its place or in it, the
// cache's folder holds no more than its bound, and nothing outside it is
// written or removed.
void TestNetwork::cacheKeepsToItsFolderAndBound()
{
    QFETCH(QString, before);
    QFETCH(int, answerBytes);
    QFETCH(bool, declared);
    constexpr qint64 bound = 64 * 1024;
    QTemporaryDir home;
    QTemporaryDir user;
    for (const char* name : {"0.d", "1.d", "notes.txt"}) {
        QFile file(user.filePath(QLatin1StringView(name)));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(bound, 'u')) > 0);
    }
    const QMap<QString, QByteArray> users = contents(user.path());
    const QString folder = home.filePath(QStringLiteral("http"));
    std::unique_ptr<PipeWatch> pipe;
    if (before == QLatin1String("link")) {
        QVERIFY(QFile::link(user.path(), folder));
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("was a symbolic link to .*; replaced")));
    }
    if (before == QLatin1String("planted")) {
        QVERIFY(QDir().mkpath(folder + QStringLiteral("/data8/0")));
        for (const QString& name :
             {QString(40, QLatin1Char('a')), QStringLiteral("notes.txt"), QStringLiteral("data8/0/kept.d")}) {
            QFile file(folder + QLatin1Char('/') + name);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(bound, 'p')) > 0);
        }
        pipe = std::make_unique<PipeWatch>(folder + QLatin1Char('/') + QString(40, QLatin1Char('b')));
    }

    CannedServer server;
    QVERIFY(server.isListening());
    Network network;
    network.useCache(folder, bound);
    for (const QByteArray path : {"/0", "/1", "/2"}) {
        server.answers.insert(path, {keptAnswer(QByteArray(answerBytes, path[1]), "image/jpeg", declared)});
        Fetch fetch(network, server.url(path), cachedRequest());
        QVERIFY(fetch.waitForEnd());
        QCOMPARE(fetch.results.value(0).body.size(), answerBytes);
        const QList<QByteArray> kept = contents(folder).values();
        const qsizetype held =
            std::accumulate(kept.cbegin(), kept.cend(), qsizetype(0),
                            [](qsizetype sum, const QByteArray& bytes) { return sum + bytes.size(); });
        QVERIFY2(held <= bound, QByteArray::number(held).constData());
    }
    QCOMPARE(contents(user.path()), users);
    QVERIFY(!pipe || pipe->readers() == 0);
    const QMap<QString, QByteArray> kept = contents(folder);
    QVERIFY(!kept.values().contains("link") && !kept.values().contains("folder") &&
            !kept.values().contains("other"));
}

QTEST_GUILESS_MAIN(TestNetwork)
#include "tst_network.moc"
