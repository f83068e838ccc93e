#include "SampleServer.h"

#include "SamplePages.h"
#include "SatellitePictures.h"
#include "settings/StationTable.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QPointer>
#include <QRegularExpression>
#include <QSet>
#include <QTcpSocket>
#include <QTimer>
#include <QUrlQuery>
#include <QUuid>
#include <functional>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#endif

namespace {

// A request head larger than this is not a client of ours.
constexpr qsizetype maxRequestHead = 64 * 1024;

// The Huge body goes out in these pieces, at most two of them waiting in
// the socket's buffer, so it never exists whole in memory.
constexpr qsizetype streamChunk = 64 * 1024;

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 304:
        return "Not Modified";
    case 429:
        return "Too Many Requests";
    case 400:
        return "Bad Request";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 503:
        return "Service Unavailable";
    default:
        return "Internal Server Error";
    }
}

QByteArray responseHead(int status, const QByteArray& contentType, qint64 contentLength,
                        const QByteArray& extraHeaders = {})
{
    const QString date = QLocale::c().toString(QDateTime::currentDateTimeUtc(),
                                               QStringLiteral("ddd, dd MMM yyyy hh:mm:ss 'GMT'"));
    QByteArray head = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonPhrase(status) + "\r\n";
    head += "Date: " + date.toLatin1() + "\r\n";
    head += "Server: ventaro-sample-server\r\n";
    head += "Content-Type: " + contentType + "\r\n";
    head += "Content-Length: " + QByteArray::number(contentLength) + "\r\n";
    if (status == 405)
        head += "Allow: GET\r\n";
    head += extraHeaders;
    head += "Connection: close\r\n\r\n";
    return head;
}

const QByteArray htmlType = QByteArrayLiteral("text/html; charset=ISO-8859-1");

// The station entry of each code and the state codes, from the table the
// program picks its stations from; the first entry of a code wins.
struct Directory
{
    QHash<QString, QString> entryByCode;
    QSet<QString> states;
};

const Directory& directory()
{
    static const Directory built = [] {
        Directory d;
        for (const QString& entry : StationTable::entries()) {
            const QString code = StationTable::stationCode(entry);
            if (!d.entryByCode.contains(code))
                d.entryByCode.insert(code, entry);
            d.states.insert(StationTable::stateCode(entry));
        }
        return d;
    }();
    return built;
}

// A header's value in a request head; empty when it has none.
QByteArray headerValue(const QByteArray& head, const QByteArray& name)
{
    for (const QByteArray& line : head.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(colon + 1).trimmed();
    }
    return {};
}

// When the fixtures were issued, as Last-Modified says it.
const QByteArray fixturesModified = QByteArrayLiteral("Mon, 07 Dec 2026 15:30:00 GMT");

// The API's answer for something it does not have.
QByteArray problemAnswer(int status, const QString& title, const QString& detail)
{
    const QJsonObject problem{
        {QStringLiteral("type"),
         QStringLiteral("https://api.weather.gov/problems/%1").arg(QString(title).remove(u' '))},
        {QStringLiteral("title"), title},
        {QStringLiteral("status"), status},
        {QStringLiteral("detail"), detail},
    };
    return QJsonDocument(problem).toJson();
}

// The alerts of a fixture with every time moved by whole days so that the
// first expiry falls within the coming day: the alerts are in effect now,
// at the time of day they were written for. The headlines' dates ("issued
// December 7 at 9:12AM MST") move with them.
QByteArray currentAlerts(const QByteArray& fixture, const QDateTime& now)
{
    static const QRegularExpression stamp(
        QStringLiteral("\"(\\d{4}-\\d{2}-\\d{2}T\\d{2}:\\d{2}:\\d{2}(?:[+-]\\d{2}:\\d{2}|Z))\""));
    static const QRegularExpression expires(QStringLiteral("\"expires\": ") + stamp.pattern());
    static const QRegularExpression headlineDate(
        QStringLiteral("\\b(January|February|March|April|May|June|July|August|September|October|November|"
                       "December) (\\d{1,2}) at "));
    QString text = QString::fromUtf8(fixture);
    const QDateTime firstExpiry = QDateTime::fromString(expires.match(text).captured(1), Qt::ISODate);
    if (!firstExpiry.isValid())
        return fixture;
    qint64 days = firstExpiry.daysTo(now);
    if (firstExpiry.addDays(days) <= now)
        ++days;
    QString shifted;
    qsizetype at = 0;
    for (auto it = stamp.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const QDateTime time = QDateTime::fromString(match.captured(1), Qt::ISODate);
        shifted += QStringView(text).mid(at, match.capturedStart(1) - at);
        shifted += time.isValid() ? time.addDays(days).toString(Qt::ISODate) : match.captured(1);
        at = match.capturedEnd(1);
    }
    shifted += QStringView(text).mid(at);
    const QLocale c = QLocale::c();
    QString result;
    at = 0;
    for (auto it = headlineDate.globalMatch(shifted); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        int month = 1;
        while (month < 12 && c.monthName(month) != match.captured(1))
            ++month;
        const QDate date = QDate(firstExpiry.date().year(), month, match.captured(2).toInt()).addDays(days);
        result += QStringView(shifted).mid(at, match.capturedStart() - at);
        result += QStringLiteral("%1 %2 at ").arg(c.monthName(date.month())).arg(date.day());
        at = match.capturedEnd();
    }
    result += QStringView(shifted).mid(at);
    return result.toUtf8();
}

// The live fixtures, built into the server from tests/data/live.
QByteArray liveFixture(const QString& name)
{
    QFile file(QStringLiteral(":/live/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The weather service API's answer for one product: the product's text
// with the fields the API derives from its heading ("FPUS55 KBOU 071530")
// and issue time line ("830 AM MST Mon Dec 7 2026").
QByteArray productAnswer(const QString& text, const QString& base)
{
    static const QRegularExpression heading(
        QStringLiteral("^([A-Z]{4}\\d{2}) ([A-Z]{4}) (\\d{2})(\\d{2})(\\d{2})$"),
        QRegularExpression::MultilineOption);
    static const QRegularExpression issued(QStringLiteral(" ([A-Z][a-z]{2}) \\d{1,2} (\\d{4})$"),
                                           QRegularExpression::MultilineOption);
    const QRegularExpressionMatch head = heading.match(text);
    const QRegularExpressionMatch date = issued.match(text);
    const QString id = QUuid::createUuidV5(QUuid(), text).toString(QUuid::WithoutBraces);

    QJsonObject answer{
        {QStringLiteral("@context"),
         QJsonObject{{QStringLiteral("@version"), QStringLiteral("1.1")},
                     {QStringLiteral("@vocab"), QStringLiteral("https://api.weather.gov/ontology#")}}},
        {QStringLiteral("@id"), base + QStringLiteral("/products/") + id},
        {QStringLiteral("id"), id},
        {QStringLiteral("productCode"), QStringLiteral("ZFP")},
        {QStringLiteral("productName"), QStringLiteral("Zone Forecast Product")},
        // The API's text begins with the line end before the sequence number.
        {QStringLiteral("productText"), QLatin1Char('\n') + text},
    };
    if (head.hasMatch()) {
        answer.insert(QStringLiteral("wmoCollectiveId"), head.captured(1));
        answer.insert(QStringLiteral("issuingOffice"), head.captured(2));
        const int month = QLocale::c().toDate(date.captured(1), QStringLiteral("MMM")).month();
        const QDateTime time(QDate(date.captured(2).toInt(), month, head.captured(3).toInt()),
                             QTime(head.captured(4).toInt(), head.captured(5).toInt()), Qt::UTC);
        if (time.isValid())
            answer.insert(QStringLiteral("issuanceTime"),
                          time.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss+00:00")));
    }
    return QJsonDocument(answer).toJson();
}

QByteArray hugeChunk()
{
    static const QByteArray chunk = [] {
        const QByteArray line = "<P>Observations continue. The same filler line, again and again, "
                                "to make a page far larger than any weather page.</P>\n";
        QByteArray bytes;
        while (bytes.size() < streamChunk)
            bytes += line;
        bytes.truncate(streamChunk);
        return bytes;
    }();
    return chunk;
}

} // namespace

// One accepted connection: reads one request head, hands it to the
// server, then delivers whatever the server decided in the manner asked.
// It deletes itself when the connection is gone.
class SampleServer::Exchange : public QObject
{
public:
    using Handler = std::function<void(Exchange&, const QByteArray& method, const QByteArray& target,
                                       const QByteArray& head)>;

    Exchange(QTcpSocket* socket, QObject* parent, Handler handler)
        : QObject(parent), m_socket(socket), m_handler(std::move(handler))
    {
        m_socket->setParent(this);
        connect(m_socket, &QTcpSocket::readyRead, this, &Exchange::readRequest);
        connect(m_socket, &QTcpSocket::disconnected, this, &Exchange::finish);
        connect(m_socket, &QTcpSocket::errorOccurred, this, &Exchange::finish);
        connect(m_socket, &QTcpSocket::bytesWritten, this, &Exchange::drained);
        connect(&m_trickle, &QTimer::timeout, this, &Exchange::trickle);
        // Data may have arrived before the signals were connected.
        if (m_socket->bytesAvailable() > 0)
            QTimer::singleShot(0, this, &Exchange::readRequest);
    }

    void sendWhole(const QByteArray& response)
    {
        m_socket->write(response);
        m_socket->disconnectFromHost();
    }

    void sendTrickled(const QByteArray& response, std::chrono::milliseconds interval)
    {
        m_pending = response;
        m_trickle.start(interval);
    }

    void sendThenReset(const QByteArray& response, qsizetype cutAt)
    {
        m_resetWhenDrained = true;
        m_socket->write(response.left(cutAt));
    }

    void sendStreamed(const QByteArray& head, qint64 bodyBytes)
    {
        m_streamLeft = bodyBytes;
        m_socket->write(head);
        drained();
    }

    // Closes at once, as if nobody were listening.
    void drop() { m_socket->abort(); }

private:
    void readRequest()
    {
        if (m_answered) {
            m_socket->readAll(); // a hung exchange keeps draining what comes
            return;
        }
        m_head += m_socket->readAll();
        qsizetype end = m_head.indexOf("\r\n\r\n");
        if (end < 0)
            end = m_head.indexOf("\n\n");
        if (end < 0) {
            if (m_head.size() > maxRequestHead) {
                m_answered = true;
                m_handler(*this, QByteArray(), QByteArray(), QByteArray());
            }
            return;
        }
        m_answered = true;
        const QByteArray requestLine = m_head.left(m_head.indexOf('\n')).trimmed();
        const QList<QByteArray> parts = requestLine.split(' ');
        m_handler(*this, parts.value(0), parts.size() >= 3 ? parts.value(1) : QByteArray(), m_head.left(end));
    }

    void trickle()
    {
        if (m_pending.isEmpty()) {
            m_trickle.stop();
            m_socket->disconnectFromHost();
            return;
        }
        m_socket->write(m_pending.left(trickleChunkBytes));
        m_pending.remove(0, std::min(trickleChunkBytes, m_pending.size()));
    }

    void drained()
    {
        if (m_resetWhenDrained && m_socket->bytesToWrite() == 0) {
            m_resetWhenDrained = false;
            reset();
            return;
        }
        if (m_streamLeft <= 0)
            return;
        while (m_streamLeft > 0 && m_socket->bytesToWrite() < 2 * streamChunk) {
            const QByteArray chunk = hugeChunk();
            const qsizetype size = static_cast<qsizetype>(std::min<qint64>(chunk.size(), m_streamLeft));
            m_socket->write(chunk.constData(), size);
            m_streamLeft -= size;
        }
        if (m_streamLeft <= 0)
            m_socket->disconnectFromHost();
    }

    // A linger time of zero makes the close send a reset instead of the
    // orderly end of stream, so the client sees a broken transfer rather
    // than a short one.
    void reset()
    {
#ifdef Q_OS_UNIX
        const linger abortive{1, 0};
        ::setsockopt(static_cast<int>(m_socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &abortive,
                     sizeof abortive);
#endif
        m_socket->abort();
    }

    void finish()
    {
        m_trickle.stop();
        m_streamLeft = 0;
        deleteLater();
    }

    QTcpSocket* m_socket;
    Handler m_handler;
    QByteArray m_head;
    bool m_answered = false;
    QTimer m_trickle;
    QByteArray m_pending;
    bool m_resetWhenDrained = false;
    qint64 m_streamLeft = 0;
};

SampleServer::SampleServer(QObject* parent) : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &SampleServer::acceptConnections);
}

SampleServer::~SampleServer() = default;

bool SampleServer::listen(quint16 port)
{
    if (!m_server.listen(QHostAddress::LocalHost, port))
        return false;
    m_port = m_server.serverPort();
    if (m_fault == Fault::Refuse)
        m_server.close();
    return true;
}

quint16 SampleServer::port() const
{
    return m_port;
}

QString SampleServer::host() const
{
    return QStringLiteral("127.0.0.1:%1").arg(m_port);
}

QString SampleServer::errorString() const
{
    return m_server.errorString();
}

void SampleServer::setFault(Fault fault)
{
    m_fault = fault;
    if (fault == Fault::Refuse) {
        m_server.close();
    } else if (m_port != 0 && !m_server.isListening()) {
        if (!m_server.listen(QHostAddress::LocalHost, m_port))
            qWarning("sample server: cannot listen on %s again: %s", qPrintable(host()),
                     qPrintable(m_server.errorString()));
    }
}

void SampleServer::setCrlf(bool crlf)
{
    m_crlf = crlf;
}

void SampleServer::setLive(bool live)
{
    m_live = live;
}

void SampleServer::setTrickleInterval(std::chrono::milliseconds interval)
{
    m_trickleInterval = interval;
}

QStringList SampleServer::requestedPaths() const
{
    return m_requestedPaths;
}

std::optional<SampleServer::Fault> SampleServer::faultFromName(const QString& name)
{
    static const QHash<QString, Fault> names{
        {QStringLiteral("none"), Fault::None},       {QStringLiteral("refuse"), Fault::Refuse},
        {QStringLiteral("hang"), Fault::Hang},       {QStringLiteral("reset"), Fault::ResetMidBody},
        {QStringLiteral("trickle"), Fault::Trickle}, {QStringLiteral("404"), Fault::NotFound},
        {QStringLiteral("500"), Fault::ServerError}, {QStringLiteral("nomarkup"), Fault::NoMarkup},
        {QStringLiteral("huge"), Fault::Huge},       {QStringLiteral("429"), Fault::TooManyRequests},
        {QStringLiteral("503"), Fault::Unavailable},
    };
    const auto found = names.constFind(name);
    if (found == names.constEnd())
        return std::nullopt;
    return *found;
}

void SampleServer::acceptConnections()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        new Exchange(socket, this,
                     [this](Exchange& exchange, const QByteArray& method, const QByteArray& target,
                            const QByteArray& head) { answer(exchange, method, target, head); });
    }
}

void SampleServer::answer(Exchange& exchange, const QByteArray& method, const QByteArray& target,
                          const QByteArray& head)
{
    if (target.isEmpty()) {
        const QByteArray body = SamplePages::badRequestPage(host(), m_crlf);
        exchange.sendWhole(responseHead(400, htmlType, body.size()) + body);
        return;
    }
    const QString path = QString::fromLatin1(target);
    m_requestedPaths.append(path);
    m_requestHeads.append(head);
    // The fault in force when the request arrived decides, even if the
    // signal's receiver changes it.
    const Fault fault = m_fault;
    Q_EMIT requestReceived(path);

    switch (fault) {
    case Fault::Refuse:
        exchange.drop();
        return;
    case Fault::Hang:
        return;
    case Fault::Huge:
        exchange.sendStreamed(responseHead(200, htmlType, hugeBodyBytes), hugeBodyBytes);
        return;
    case Fault::NotFound: {
        const Response response = page(404, SamplePages::notFoundPage(target, host(), m_crlf));
        exchange.sendWhole(responseHead(response.status, response.contentType, response.body.size()) +
                           response.body);
        return;
    }
    case Fault::ServerError: {
        const Response response = page(500, SamplePages::serverErrorPage(host(), m_crlf));
        exchange.sendWhole(responseHead(response.status, response.contentType, response.body.size()) +
                           response.body);
        return;
    }
    case Fault::NoMarkup: {
        const QByteArray body = SamplePages::plainTextNotice(m_crlf);
        exchange.sendWhole(responseHead(200, "text/plain; charset=ISO-8859-1", body.size()) + body);
        return;
    }
    case Fault::TooManyRequests: {
        const QByteArray body =
            problemAnswer(429, QStringLiteral("Too Many Requests"),
                          QStringLiteral("Rate limit exceeded; retry after the time given"));
        exchange.sendWhole(responseHead(429, "application/problem+json", body.size(),
                                        "Retry-After: " + QByteArray::number(m_retryAfter) + "\r\n") +
                           body);
        return;
    }
    case Fault::Unavailable: {
        const QByteArray body =
            problemAnswer(503, QStringLiteral("Service Unavailable"),
                          QStringLiteral("The service is not able to answer just now; try again shortly"));
        exchange.sendWhole(responseHead(503, "application/problem+json", body.size()) + body);
        return;
    }
    case Fault::None:
    case Fault::Trickle:
    case Fault::ResetMidBody:
        break;
    }

    const Response response = route(method, target, head);
    const QByteArray responseStart =
        responseHead(response.status, response.contentType, response.body.size(), response.extraHeaders);
    if (fault == Fault::Trickle)
        exchange.sendTrickled(responseStart + response.body, m_trickleInterval);
    else if (fault == Fault::ResetMidBody)
        exchange.sendThenReset(responseStart + response.body,
                               responseStart.size() + response.body.size() / 2);
    else
        exchange.sendWhole(responseStart + response.body);
}

SampleServer::Response SampleServer::page(int status, const QByteArray& body) const
{
    return {status, htmlType, body, {}};
}

SampleServer::Response SampleServer::route(const QByteArray& method, const QByteArray& target,
                                           const QByteArray& head) const
{
    if (method != "GET")
        return page(405, SamplePages::methodNotAllowedPage(method, host(), m_crlf));

    const qsizetype query = target.indexOf('?');
    const QString path =
        QString::fromLatin1(QByteArray::fromPercentEncoding(query < 0 ? target : target.left(query)));
    if (m_live)
        return cacheable(routeLive(path, target), head);
    const Directory& known = directory();

    static const QString conditionsPrefix = QStringLiteral("/weather/current/K");
    static const QString conditionsSuffix = QStringLiteral(".html");
    if (path.startsWith(conditionsPrefix) && path.endsWith(conditionsSuffix)) {
        const QString code = path.mid(conditionsPrefix.size(),
                                      path.size() - conditionsPrefix.size() - conditionsSuffix.size());
        const auto entry = known.entryByCode.constFind(code);
        if (entry != known.entryByCode.constEnd())
            return page(200, SamplePages::conditionsPage(*entry, m_crlf));
    }

    static const QString forecastPrefix = QStringLiteral("/iwin/");
    static const QString forecastSuffix = QStringLiteral("/state.html");
    if (path.startsWith(forecastPrefix) && path.endsWith(forecastSuffix)) {
        const QString state =
            path.mid(forecastPrefix.size(), path.size() - forecastPrefix.size() - forecastSuffix.size());
        if (known.states.contains(state))
            return page(200, SamplePages::stateForecastPage(state, m_crlf));
    }

    if (const std::optional<SatellitePictures::Picture> picture = SatellitePictures::find(path))
        return {200, picture->contentType, picture->bytes, {}};

    return page(404, SamplePages::notFoundPage(target, host(), m_crlf));
}

SampleServer::Response SampleServer::routeLive(const QString& path, const QByteArray& target) const
{
    // Names are matched before they reach a file name, so that no path can
    // reach outside the fixtures.
    static const QRegularExpression observation(
        QStringLiteral("^/data/observations/metar/decoded/([A-Z0-9]{4})\\.TXT$"));
    static const QRegularExpression product(
        QStringLiteral("^/products/types/ZFP/locations/([A-Z]{2,3})/latest$"));
    static const QRegularExpression picture(
        QStringLiteral("^/(GOES\\d{2})/ABI/(CONUS|FD)/(\\d{2})/(\\d+x\\d+)\\.jpg$"));
    static const QRegularExpression record(QStringLiteral("^/(stations|zones/forecast)/([A-Z0-9]{4,6})$"));

    if (const QRegularExpressionMatch found = record.match(path); found.hasMatch()) {
        const bool station = found.captured(1) == QLatin1StringView("stations");
        const QByteArray body = liveFixture(
            QStringLiteral("%1/%2.json")
                .arg(station ? QStringLiteral("stations") : QStringLiteral("zones"), found.captured(2)));
        if (!body.isEmpty())
            return {200, "application/geo+json", body, {}};
        return {404,
                "application/problem+json",
                problemAnswer(404, QStringLiteral("Not Found"),
                              QStringLiteral("%1 %2 not found")
                                  .arg(station ? QStringLiteral("Station") : QStringLiteral("Zone"),
                                       found.captured(2))),
                {}};
    }
    if (const QStringList areas = alertAreas(path, target); !areas.isEmpty()) {
        if (m_alerts == QLatin1StringView("fail"))
            return {500,
                    "application/problem+json",
                    problemAnswer(500, QStringLiteral("Unexpected Problem"),
                                  QStringLiteral("An unexpected problem has occurred.")),
                    {}};
        QByteArray body = alertsFor(areas);
        if (m_alertsCurrent)
            body = currentAlerts(body, QDateTime::currentDateTimeUtc());
        return {200, "application/geo+json", body, {}};
    }

    if (const QRegularExpressionMatch match = observation.match(path); match.hasMatch()) {
        const QByteArray text = liveFixture(QStringLiteral("observations/%1.TXT").arg(match.captured(1)));
        if (!text.isEmpty())
            return {200, "text/plain", text, {}};
    } else if (const QRegularExpressionMatch found = product.match(path); found.hasMatch()) {
        const QByteArray text = liveFixture(QStringLiteral("zfp/%1.txt").arg(found.captured(1)));
        if (!text.isEmpty())
            return {200,
                    "application/ld+json",
                    productAnswer(QString::fromLatin1(text), QStringLiteral("http://") + host()),
                    {}};
        // The API answers a missing product with a problem document.
        return {404,
                "application/problem+json",
                problemAnswer(404, QStringLiteral("Not Found"),
                              QStringLiteral("No ZFP product for location %1").arg(found.captured(1))),
                {}};
    } else if (const QRegularExpressionMatch image = picture.match(path); image.hasMatch()) {
        const QByteArray bytes =
            liveFixture(QStringLiteral("satellite/%1-ABI-%2-%3-%4.jpg")
                            .arg(image.captured(1), image.captured(2), image.captured(3), image.captured(4)));
        if (!bytes.isEmpty())
            return {200, "image/jpeg", bytes, {}};
    }
    return page(404, SamplePages::notFoundPage(target, host(), m_crlf));
}

QStringList SampleServer::alertAreas(const QString& path, const QByteArray& target)
{
    // The API's two ways of asking: one zone in the path, or a list of
    // zones and counties in the query.
    static const QRegularExpression area(QStringLiteral("^[A-Z]{2}[ZC]\\d{3}$"));
    QStringList areas;
    if (path.startsWith(QLatin1StringView("/alerts/active/zone/")))
        areas = {path.mid(20)};
    else if (path == QLatin1StringView("/alerts/active") && target.contains('?'))
        areas = QUrlQuery(QString::fromLatin1(target.mid(target.indexOf('?') + 1)))
                    .queryItemValue(QStringLiteral("zone"), QUrl::FullyDecoded)
                    .split(QLatin1Char(','));
    for (const QString& code : std::as_const(areas)) {
        if (!area.match(code).hasMatch())
            return {};
    }
    return areas;
}

QByteArray SampleServer::alertsFor(const QStringList& areas) const
{
    // As the service does: the alerts of the fixtures in force that are
    // filed under any of the areas asked, in the fixtures' own order.
    QJsonArray features;
    QJsonObject collection;
    for (const QString& name : m_alerts.split(QLatin1Char(','))) {
        const QJsonObject fixture =
            QJsonDocument::fromJson(liveFixture(QStringLiteral("alerts/%1.json").arg(name))).object();
        if (collection.isEmpty())
            collection = fixture;
        for (const QJsonValue& feature : fixture.value(QLatin1StringView("features")).toArray()) {
            const QJsonArray filed = feature.toObject()
                                         .value(QLatin1StringView("properties"))
                                         .toObject()
                                         .value(QLatin1StringView("geocode"))
                                         .toObject()
                                         .value(QLatin1StringView("UGC"))
                                         .toArray();
            if (std::any_of(filed.begin(), filed.end(),
                            [&areas](const QJsonValue& code) { return areas.contains(code.toString()); }))
                features.append(feature);
        }
    }
    if (collection.isEmpty())
        collection = QJsonDocument::fromJson(liveFixture(QStringLiteral("alerts/none.json"))).object();
    collection.insert(QStringLiteral("features"), features);
    collection.insert(
        QStringLiteral("title"),
        QStringLiteral("Current watches, warnings, and advisories for %1").arg(areas.join(u',')));
    return QJsonDocument(collection).toJson(QJsonDocument::Indented);
}

SampleServer::Response SampleServer::cacheable(Response response, const QByteArray& head) const
{
    if (response.status != 200)
        return response;
    // The service's validators: a tag of the content, and when it was issued.
    const QByteArray tag =
        '"' + QCryptographicHash::hash(response.body, QCryptographicHash::Sha1).toHex().left(16) + '"';
    response.extraHeaders = "ETag: " + tag + "\r\nLast-Modified: " + fixturesModified +
                            "\r\nCache-Control: public, max-age=" + QByteArray::number(m_maxAge) + "\r\n";
    if (headerValue(head, "If-None-Match") == tag) {
        response.status = 304;
        response.body.clear();
    }
    return response;
}

SourceTemplates SampleServer::liveTemplates() const
{
    const QString base = QStringLiteral("http://") + host();
    SourceTemplates templates;
    templates.observation = base + QStringLiteral("/data/observations/metar/decoded/{station}.TXT");
    templates.zoneForecast = base + QStringLiteral("/products/types/ZFP/locations/{office}/latest");
    templates.satellite = base + QStringLiteral("/{satellite}/ABI/{sector}/{band}/{size}.jpg");
    templates.station = base + QStringLiteral("/stations/{station}");
    templates.zone = base + QStringLiteral("/zones/forecast/{zone}");
    templates.alerts = base + QStringLiteral("/alerts/active?zone={zones}");
    return templates;
}
