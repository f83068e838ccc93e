#include "TestData.h"
#include "net/Network.h"
#include "pages/PageReadings.h"
#include "pages/WeatherAddresses.h"
#include "settings/StationTable.h"
#include "support/GifEncoder.h"
#include "support/SamplePages.h"
#include "support/SampleServer.h"
#include "support/SatellitePictures.h"
#include "weather/Conditions.h"
#include "weather/SkyClasses.h"
#include "weather/StateForecast.h"
#include "weather/WeatherTexts.h"

#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

using namespace std::chrono_literals;
using Fault = SampleServer::Fault;

namespace {

// The first entry of every station code, in table order.
QStringList firstEntryOfEachCode()
{
    QStringList entries;
    QSet<QString> seen;
    for (const QString& entry : StationTable::entries()) {
        if (!seen.contains(StationTable::stationCode(entry))) {
            seen.insert(StationTable::stationCode(entry));
            entries.append(entry);
        }
    }
    return entries;
}

QStringList stateCodes()
{
    QStringList codes;
    for (const QString& entry : StationTable::entries()) {
        const QString state = StationTable::stateCode(entry);
        if (!codes.contains(state))
            codes.append(state);
    }
    return codes;
}

// The pages fetched through the program's network and read as the program
// reads them, from the sample server standing in for all three hosts.
struct Weather
{
    explicit Weather(const SampleServer& server, std::chrono::milliseconds timeout = 60s)
        : host(server.host()), network(limitsWith(timeout))
    {}

    static NetworkLimits limitsWith(std::chrono::milliseconds timeout)
    {
        NetworkLimits limits;
        limits.timeout = timeout;
        return limits;
    }

    FetchResult fetch(const QUrl& url)
    {
        // Waits in an event loop that ends with the reply, not in polling
        // steps: a thousand pages are fetched here.
        QSignalSpy finished(network.get(url), &FetchReply::finished);
        if (!finished.wait(120000))
            return FetchResult::failure(url, QStringLiteral("never finished"));
        return finished.first().first().value<FetchResult>();
    }

    // True when the station's page came and is a current-conditions page.
    bool GetCurrentConditions()
    {
        const FetchResult result = fetch(WeatherAddresses::conditions(host, station));
        lastError = result.error;
        reading = result.ok ? PageReadings::conditions(result.text).reading : ConditionsReading{};
        return reading.received;
    }

    // The forecast box's text for the state's page.
    QString GetStateForecast()
    {
        const FetchResult result = fetch(WeatherAddresses::stateForecast(host, stateCode));
        return result.ok ? PageReadings::stateForecast(result.text).text
                         : WeatherTexts::forecastError(result.error);
    }

    QString GetLocation() const { return reading.values.location; }
    QString GetTemperature() const { return reading.values.temperature; }
    QString GetHumidity() const { return reading.values.humidity; }
    QString GetDewPoint() const { return reading.values.dewPoint; }
    QString GetWind() const { return reading.values.wind; }
    QString GetPressure() const { return reading.values.pressure; }
    QString GetSkyConditions() const { return reading.values.sky; }
    QString GetVisibility() const { return reading.values.visibility; }

    QString host;
    Network network;
    QString station;
    QString stateCode;
    ConditionsReading reading;
    QString lastError;
};

// One exchange seen from a plain socket, to look at what the client
// library hides: the status, the headers and how the bytes arrive.
struct RawReply
{
    bool closed = false;
    int status = 0;
    QMap<QByteArray, QByteArray> headers; // names in lower case
    QByteArray body;
    qint64 bodyBytes = 0;
    int reads = 0;
};

RawReply rawRequest(quint16 port, const QByteArray& method, const QByteArray& target, bool keepBody = true,
                    std::chrono::milliseconds timeout = 20s)
{
    RawReply reply;
    QTcpSocket socket;
    QByteArray head;
    bool headDone = false;
    const auto take = [&](const QByteArray& bytes) {
        if (headDone) {
            reply.bodyBytes += bytes.size();
            if (keepBody)
                reply.body += bytes;
            return;
        }
        head += bytes;
        const qsizetype end = head.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        headDone = true;
        const QList<QByteArray> lines = head.left(end).split('\n');
        reply.status = lines.value(0).split(' ').value(1).toInt();
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines[i].indexOf(':');
            reply.headers.insert(lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
        }
        const QByteArray rest = head.mid(end + 4);
        head.clear();
        reply.bodyBytes += rest.size();
        if (keepBody)
            reply.body += rest;
    };
    QObject::connect(&socket, &QTcpSocket::readyRead, [&] {
        ++reply.reads;
        take(socket.readAll());
    });
    QSignalSpy closed(&socket, &QTcpSocket::disconnected);
    socket.connectToHost(QHostAddress::LocalHost, port);
    socket.write(method + ' ' + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");

    QElapsedTimer clock;
    clock.start();
    while (closed.isEmpty() && clock.elapsed() < timeout.count())
        closed.wait(static_cast<int>(timeout.count() - clock.elapsed()));
    take(socket.readAll());
    reply.closed = !closed.isEmpty();
    return reply;
}

// A deterministic sequence for test pictures.
class Lcg
{
public:
    quint32 next()
    {
        m_state = m_state * 1664525u + 1013904223u;
        return m_state >> 8;
    }

private:
    quint32 m_state = 12345;
};

QImage noiseImage(int width, int height, int colours)
{
    Lcg lcg;
    QList<QRgb> palette;
    for (int i = 0; i < colours; ++i)
        palette.append(qRgb(static_cast<int>(lcg.next() & 0xff), static_cast<int>(lcg.next() & 0xff), i));
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, palette[static_cast<qsizetype>(lcg.next() % static_cast<quint32>(colours))]);
    }
    return image;
}

QImage gradientImage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            image.setPixel(
                x, y, qRgb(x * 255 / (width - 1), y * 255 / (height - 1), (x + y) * 255 / (width + height)));
    }
    return image;
}

int distinctColours(const QImage& image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 3) {
        for (int x = 0; x < image.width(); x += 3)
            colours.insert(image.pixel(x, y));
    }
    return static_cast<int>(colours.size());
}

} // namespace

class TestSampleServer : public QObject
{
    Q_OBJECT

private:
    SampleServer m_server;

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_server.listen()); }

    void init()
    {
        m_server.setFault(Fault::None);
        m_server.setCrlf(false);
        m_server.setLive(false);
        m_server.setTrickleInterval(1ms);
    }

    void routes_data()
    {
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("contentType");

        const QByteArray html = "text/html; charset=ISO-8859-1";
        QTest::newRow("station page")
            << QByteArray("GET") << QByteArray("/weather/current/KDEN.html") << 200 << html;
        QTest::newRow("station code with a digit")
            << QByteArray("GET") << QByteArray("/weather/current/KE23.html") << 200 << html;
        QTest::newRow("station code percent-encoded")
            << QByteArray("GET") << QByteArray("/weather/current/K%44EN.html") << 200 << html;
        QTest::newRow("station page with a query")
            << QByteArray("GET") << QByteArray("/weather/current/KDEN.html?refresh=1") << 200 << html;
        QTest::newRow("unknown station")
            << QByteArray("GET") << QByteArray("/weather/current/KXYZ.html") << 404 << html;
        QTest::newRow("station code in lower case")
            << QByteArray("GET") << QByteArray("/weather/current/Kden.html") << 404 << html;
        QTest::newRow("state page") << QByteArray("GET") << QByteArray("/iwin/co/state.html") << 200 << html;
        QTest::newRow("territory state page")
            << QByteArray("GET") << QByteArray("/iwin/pr/state.html") << 200 << html;
        QTest::newRow("unknown state")
            << QByteArray("GET") << QByteArray("/iwin/zz/state.html") << 404 << html;
        QTest::newRow("state code in upper case")
            << QByteArray("GET") << QByteArray("/iwin/CO/state.html") << 404 << html;
        QTest::newRow("JPEG picture")
            << QByteArray("GET") << QByteArray("/GIFS/WCIR.JPG") << 200 << QByteArray("image/jpeg");
        QTest::newRow("GIF picture") << QByteArray("GET") << QByteArray("/GIFS/NHWV.GIF") << 200
                                     << QByteArray("image/gif");
        QTest::newRow("infrared has no GIF")
            << QByteArray("GET") << QByteArray("/GIFS/ECIR.GIF") << 404 << html;
        QTest::newRow("root") << QByteArray("GET") << QByteArray("/") << 404 << html;
        QTest::newRow("other method")
            << QByteArray("POST") << QByteArray("/weather/current/KDEN.html") << 405 << html;
    }

    void routes()
    {
        QFETCH(QByteArray, method);
        QFETCH(QByteArray, target);
        QFETCH(int, status);
        QFETCH(QByteArray, contentType);

        QSignalSpy received(&m_server, &SampleServer::requestReceived);
        const RawReply reply = rawRequest(m_server.port(), method, target);
        QVERIFY(reply.closed);
        QCOMPARE(reply.status, status);
        QCOMPARE(reply.headers.value("content-type"), contentType);
        QCOMPARE(reply.headers.value("content-length").toLongLong(), reply.body.size());
        QCOMPARE(reply.headers.value("connection"), QByteArray("close"));
        QCOMPARE(m_server.requestedPaths().constLast(), QString::fromLatin1(target));
        QCOMPARE(received.size(), 1);
        QCOMPARE(received.first().first().toString(), QString::fromLatin1(target));
        if (status == 404)
            QVERIFY(reply.body.contains("<TITLE>404 Not Found</TITLE>"));
    }

    void liveRoutes_data()
    {
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<QString>("fixture"); // the body, when it is a fixture as it stands

        const QByteArray html = "text/html; charset=ISO-8859-1";
        QTest::newRow("decoded observation")
            << QByteArray("/data/observations/metar/decoded/KDEN.TXT") << 200 << QByteArray("text/plain")
            << QStringLiteral("live/observations/KDEN.TXT");
        QTest::newRow("a name reaching outside the fixtures")
            << QByteArray("/data/observations/metar/decoded/..%2F..%2Fzfp%2FBOU.txt") << 404 << html
            << QString();
        QTest::newRow("office without a product")
            << QByteArray("/products/types/ZFP/locations/GLD/latest") << 404
            << QByteArray("application/problem+json") << QString();
    }

    void liveRoutes()
    {
        QFETCH(QByteArray, target);
        QFETCH(int, status);
        QFETCH(QByteArray, contentType);
        QFETCH(QString, fixture);
        m_server.setLive(true);
        const RawReply reply = rawRequest(m_server.port(), "GET", target);
        QCOMPARE(reply.status, status);
        QCOMPARE(reply.headers.value("content-type"), contentType);
        if (!fixture.isEmpty())
            QCOMPARE(reply.body, TestData::bytes(fixture));
    }

    void everyStationGivesItsValues_data()
    {
        QTest::addColumn<bool>("crlf");
        QTest::newRow("LF pages") << false;
        QTest::newRow("CR LF pages") << true;
    }

    void everyStationGivesItsValues()
    {
        QFETCH(bool, crlf);
        m_server.setCrlf(crlf);
        Weather weather(m_server);
        const QString end = crlf ? QStringLiteral("\r") : QString();

        QSet<int> classesSeen;
        int unmatched = 0;
        const QStringList entries = firstEntryOfEachCode();
        for (const QString& entry : entries) {
            const QString code = StationTable::stationCode(entry);
            weather.station = code;
            QVERIFY2(weather.GetCurrentConditions(), qPrintable(code));

            const SamplePages::Observation expected = SamplePages::observationFor(entry);
            const QStringList got{
                weather.GetLocation(),      weather.GetTemperature(), weather.GetHumidity(),
                weather.GetDewPoint(),      weather.GetWind(),        weather.GetPressure(),
                weather.GetSkyConditions(), weather.GetVisibility(),
            };
            const QStringList want{
                expected.location, expected.temperature, expected.humidity, expected.dewPoint,
                expected.wind,     expected.pressure,    expected.sky,      expected.visibility,
            };
            for (qsizetype i = 0; i < got.size(); ++i) {
                QVERIFY2(!want[i].isEmpty(), qPrintable(code));
                QCOMPARE(got[i], want[i] + end);
            }
            QVERIFY2(got[0].contains(QStringLiteral("(K") + code + QLatin1Char(')')), qPrintable(got[0]));

            QString sky = weather.GetSkyConditions();
            sky.chop(end.size());
            const SkyClasses::Choice choice = SkyClasses::classify(sky);
            for (const int index : choice.shown)
                classesSeen.insert(index);
            if (choice.shown.isEmpty())
                ++unmatched;
        }
        for (const int index : {SkyClasses::Overcast, SkyClasses::Cloud, SkyClasses::Rain, SkyClasses::Snow,
                                SkyClasses::ClearOrSun, SkyClasses::Thunder})
            QVERIFY2(classesSeen.contains(index), qPrintable(QString::number(index)));
        QVERIFY(unmatched > 0);
    }

    void firstStartStationIsFixed()
    {
        Weather weather(m_server);
        weather.station = QStringLiteral("DEN");
        QVERIFY(weather.GetCurrentConditions());
        QCOMPARE(weather.GetLocation(),
                 QStringLiteral("Denver, CO, United States (KDEN) 39-50-N 104-39-W 1655M"));
        QCOMPARE(weather.GetTemperature(), QStringLiteral("45 F (7 C)"));
        QCOMPARE(weather.GetSkyConditions(), QStringLiteral("partly cloudy"));
        QCOMPARE(weather.GetWind(), QStringLiteral("from the S (180 degrees) at 8 MPH (7 KT)"));
        QCOMPARE(weather.GetPressure(), QStringLiteral("30.12 in. Hg (1020 hPa)"));
    }

    void locationNeverPosesAsALabel_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("location");
        QTest::newRow("Wind in the city name") << QStringLiteral("BDL         WINDSOR LOCKS, CT")
                                               << QStringLiteral("WINDSOR LOCKS, CT, United States (KBDL)");
        QTest::newRow("Dew Point in the city name") << QStringLiteral("DPX         DEW POINT, GA")
                                                    << QStringLiteral("DEW POINT, GA, United States (KDPX)");
        QTest::newRow("an ordinary name") << QStringLiteral("BDL         HARTFORD, CT")
                                          << QStringLiteral("Hartford, CT, United States (KBDL)");
        QTest::newRow("the entry abroad")
            << QStringLiteral("CUN         CANCUN, MEXICO") << QStringLiteral("Cancun, Mexico (KCUN)");
    }

    void locationNeverPosesAsALabel()
    {
        QFETCH(QString, entry);
        QFETCH(QString, location);
        const SamplePages::Observation expected = SamplePages::observationFor(entry);
        QVERIFY2(expected.location.startsWith(location + QLatin1Char(' ')), qPrintable(expected.location));

        // The page read by the program's own routines: every value must
        // still be found below its label.
        const ConditionsReading reading =
            PageReadings::conditions(QString::fromLatin1(SamplePages::conditionsPage(entry, false))).reading;
        QVERIFY(reading.received);
        QCOMPARE(reading.values.location, expected.location);
        QCOMPARE(reading.values.wind, expected.wind);
        QCOMPARE(reading.values.dewPoint, expected.dewPoint);
        QCOMPARE(reading.values.temperature, expected.temperature);
    }

    void everyStateForecast_data()
    {
        QTest::addColumn<bool>("crlf");
        QTest::newRow("LF pages") << false;
        QTest::newRow("CR LF pages") << true;
    }

    void everyStateForecast()
    {
        QFETCH(bool, crlf);
        m_server.setCrlf(crlf);
        Weather weather(m_server);
        const QString lineEnd = crlf ? QStringLiteral("\r\n") : QStringLiteral("\n");
        const QRegularExpression issueLine(QStringLiteral("^\\d{3,4} AM [A-Z]{3,4} MON DEC 7 1998$"));

        for (const QString& state : stateCodes()) {
            weather.stateCode = state;
            const QString forecast = weather.GetStateForecast();
            QVERIFY2(!forecast.contains(QStringLiteral("$$")), qPrintable(state));
            QVERIFY2(!forecast.contains(QStringLiteral("NNNN")), qPrintable(state));

            const QStringList product = SamplePages::forecastProduct(state);
            const QStringList lines = forecast.split(lineEnd);
            if (crlf) {
                QVERIFY2(issueLine.match(lines.value(0)).hasMatch(),
                         qPrintable(state + ": " + lines.value(0)));
            } else {
                // With LF line ends the year cut finds no CR to cut at: the
                // text keeps the 28 characters before the year, which
                // reach back into the office line.
                QVERIFY2(issueLine.match(lines.value(1)).hasMatch(),
                         qPrintable(state + ": " + lines.value(1)));
                QVERIFY2(product.value(4).endsWith(lines.value(0)),
                         qPrintable(state + ": " + lines.value(0)));
            }
            const QString lastZoneLine = product.value(product.indexOf(QStringLiteral("$$")) - 2);
            QVERIFY2(forecast.endsWith(lastZoneLine + (crlf ? lineEnd : QString())), qPrintable(state));
        }
    }

    void coloradoForecastIsCutExactly_data()
    {
        QTest::addColumn<bool>("crlf");
        QTest::addColumn<QString>("expected");

        // The product the server publishes, from its issue line to the zone
        // text before "$$": what a reader of the state's forecast is given.
        const QStringList product = SamplePages::forecastProduct(QStringLiteral("co"));
        const qsizetype issue = product.indexOf(QStringLiteral("830 AM MST MON DEC 7 1998"));
        const qsizetype end = product.indexOf(QStringLiteral("$$"));
        QVERIFY(issue > 0 && end > issue + 2);
        const QStringList forecast = product.mid(issue, end - issue - 1);
        // CR LF: from the issue line to the line end before the blank line
        // that precedes "$$".
        QTest::newRow("CR LF pages") << true
                                     << forecast.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
        // LF: the end of the office line stays in front, and the two
        // characters cut before "$$" are the two LFs.
        QTest::newRow("LF pages") << false
                                  << product.value(issue - 1).right(6) + QLatin1Char('\n') +
                                         forecast.join(QStringLiteral("\n"));
    }

    void coloradoForecastIsCutExactly()
    {
        QFETCH(bool, crlf);
        QFETCH(QString, expected);
        m_server.setCrlf(crlf);
        Weather weather(m_server);
        weather.stateCode = QStringLiteral("co");
        QCOMPARE(weather.GetStateForecast(), expected);
    }

    void conditionsThroughTheClient_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<int>("timeoutMs");
        QTest::addColumn<bool>("usable");
        QTest::addColumn<QString>("error"); // "*": any description
        QTest::addColumn<int>("requests");

        QTest::newRow("usable page") << Fault::None << 30000 << true << QString() << 1;
        QTest::newRow("trickled page") << Fault::Trickle << 30000 << true << QString() << 1;
        QTest::newRow("page without markup") << Fault::NoMarkup << 30000 << false << QString() << 1;
        QTest::newRow("404 page") << Fault::NotFound << 30000 << false << QString() << 1;
        QTest::newRow("500 page") << Fault::ServerError << 30000 << false << QString() << 1;
        QTest::newRow("refused connection")
            << Fault::Refuse << 30000 << false << QStringLiteral("Connection refused") << 0;
        QTest::newRow("reset mid-body") << Fault::ResetMidBody << 30000 << false << QStringLiteral("*") << 1;
        QTest::newRow("50 MB body") << Fault::Huge << 30000 << false
                                    << QStringLiteral("The answer is larger than 16777216 bytes") << 1;
        QTest::newRow("no answer") << Fault::Hang << 1000 << false
                                   << QStringLiteral("No answer came within 1 seconds") << 1;
    }

    void conditionsThroughTheClient()
    {
        QFETCH(Fault, fault);
        QFETCH(int, timeoutMs);
        QFETCH(bool, usable);
        QFETCH(QString, error);
        QFETCH(int, requests);

        m_server.setFault(fault);
        Weather weather(m_server, std::chrono::milliseconds(timeoutMs));
        weather.station = QStringLiteral("DEN");
        const qsizetype before = m_server.requestedPaths().size();

        QCOMPARE(weather.GetCurrentConditions(), usable);

        if (error == QLatin1String("*"))
            QVERIFY(!weather.lastError.isEmpty());
        else
            QCOMPARE(weather.lastError, error);
        QCOMPARE(m_server.requestedPaths().size() - before, requests);
        if (requests > 0)
            QCOMPARE(m_server.requestedPaths().constLast(), QStringLiteral("/weather/current/KDEN.html"));
        if (usable)
            QCOMPARE(weather.GetTemperature(), QStringLiteral("45 F (7 C)"));
    }

    void refusedForecastReportsTheClientsDescription()
    {
        m_server.setFault(Fault::Refuse);
        Weather weather(m_server);
        weather.stateCode = QStringLiteral("co");
        QCOMPARE(weather.GetStateForecast(),
                 QStringLiteral(
                     "Error Recieving State Forecast Data\r\n\r\nError Description : Connection refused"));

        // Serving again on the same port.
        m_server.setFault(Fault::None);
        QVERIFY(weather.GetStateForecast().startsWith(QStringLiteral("VER CO\n830 AM MST")));
    }

    void forecastWithoutMarkupIsNotReceived()
    {
        m_server.setFault(Fault::NoMarkup);
        Weather weather(m_server);
        weather.stateCode = QStringLiteral("tx");
        QCOMPARE(weather.GetStateForecast(), WeatherTexts::forecastNotReceived);
    }

    void trickleSendsTheSameBytesInPieces()
    {
        const RawReply whole = rawRequest(m_server.port(), "GET", "/iwin/co/state.html");
        m_server.setFault(Fault::Trickle);
        const RawReply trickled = rawRequest(m_server.port(), "GET", "/iwin/co/state.html");
        QVERIFY(trickled.closed);
        QCOMPARE(trickled.body, whole.body);
        QVERIFY2(trickled.reads > 20, qPrintable(QString::number(trickled.reads)));
    }

    void resetEndsTheBodyEarly()
    {
        m_server.setFault(Fault::ResetMidBody);
        const RawReply reply = rawRequest(m_server.port(), "GET", "/weather/current/KDEN.html");
        QVERIFY(reply.closed);
        const qint64 length = reply.headers.value("content-length").toLongLong();
        QVERIFY(length > 0);
        QVERIFY2(reply.bodyBytes < length, qPrintable(QString::number(reply.bodyBytes)));
    }

    void hugeBodyIsSentInFull()
    {
        m_server.setFault(Fault::Huge);
        const RawReply reply = rawRequest(m_server.port(), "GET", "/iwin/co/state.html", false, 120s);
        QVERIFY(reply.closed);
        QCOMPARE(reply.status, 200);
        QCOMPARE(reply.headers.value("content-length").toLongLong(), qint64(52428800));
        QCOMPARE(reply.bodyBytes, qint64(52428800));
    }

    void pagesFollowTheLineEnds_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<QByteArray>("target");
        QTest::newRow("conditions page") << Fault::None << QByteArray("/weather/current/KORD.html");
        QTest::newRow("forecast page") << Fault::None << QByteArray("/iwin/il/state.html");
        QTest::newRow("404 page") << Fault::None << QByteArray("/nowhere");
        QTest::newRow("500 page") << Fault::ServerError << QByteArray("/iwin/il/state.html");
        QTest::newRow("page without markup") << Fault::NoMarkup << QByteArray("/iwin/il/state.html");
    }

    void pagesFollowTheLineEnds()
    {
        QFETCH(Fault, fault);
        QFETCH(QByteArray, target);
        m_server.setFault(fault);
        for (const bool crlf : {false, true}) {
            m_server.setCrlf(crlf);
            const RawReply reply = rawRequest(m_server.port(), "GET", target);
            QVERIFY(reply.closed);
            const qsizetype lineFeeds = reply.body.count('\n');
            QVERIFY(lineFeeds > 2);
            QCOMPARE(reply.body.count("\r\n"), crlf ? lineFeeds : 0);
            QCOMPARE(reply.body.count('\r'), crlf ? lineFeeds : 0);
        }
    }

    void picturesDecode_data()
    {
        QTest::addColumn<QString>("path");
        for (const QString& path : SatellitePictures::paths())
            QTest::newRow(qPrintable(path)) << path;
    }

    void picturesDecode()
    {
        QFETCH(QString, path);
        QCOMPARE(SatellitePictures::paths().size(), 12);
        const RawReply reply = rawRequest(m_server.port(), "GET", path.toLatin1());
        QCOMPARE(reply.status, 200);
        const bool gif = path.endsWith(QLatin1String(".GIF"));
        QVERIFY(reply.body.startsWith(gif ? QByteArray("GIF89a") : QByteArray("\xff\xd8")));
        const QImage image = QImage::fromData(reply.body, gif ? "GIF" : "JPG");
        QVERIFY(!image.isNull());
        QCOMPARE(image.size(), QSize(640, 480));
        QVERIFY(distinctColours(image) > 32); // a drawn picture, not a blank
    }

    void gifRoundTrip_data()
    {
        QTest::addColumn<QImage>("image");
        QTest::addColumn<bool>("exact");

        QImage single(1, 1, QImage::Format_RGB32);
        single.fill(qRgb(10, 200, 30));
        QTest::newRow("one pixel") << single << true;

        QImage checker(7, 5, QImage::Format_RGB32);
        for (int y = 0; y < checker.height(); ++y) {
            for (int x = 0; x < checker.width(); ++x)
                checker.setPixel(x, y, (x + y) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
        }
        QTest::newRow("two colours, smallest code size") << checker << true;
        QTest::newRow("five colours, palette padded to eight") << noiseImage(33, 17, 5) << true;

        QImage flat(640, 480, QImage::Format_RGB32);
        flat.fill(qRgb(0, 40, 120));
        QTest::newRow("one colour, long runs") << flat << true;
        QTest::newRow("256 colours of noise, many table resets") << noiseImage(300, 200, 256) << true;
        QTest::newRow("more than 256 colours, reduced") << gradientImage(320, 240) << false;
    }

    void gifRoundTrip()
    {
        QFETCH(QImage, image);
        QFETCH(bool, exact);
        const QByteArray gif = GifEncoder::encode(image);
        const QImage decoded = QImage::fromData(gif, "GIF").convertToFormat(QImage::Format_RGB32);
        QVERIFY(!decoded.isNull());
        QCOMPARE(decoded.size(), image.size());

        qint64 totalError = 0;
        int worst = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb a = image.pixel(x, y);
                const QRgb b = decoded.pixel(x, y);
                if (exact && a != b)
                    QFAIL(qPrintable(QStringLiteral("pixel %1,%2: %3 became %4")
                                         .arg(x)
                                         .arg(y)
                                         .arg(a, 8, 16)
                                         .arg(b, 8, 16)));
                const int error = std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                                  std::abs(qBlue(a) - qBlue(b));
                totalError += error;
                worst = std::max(worst, error);
            }
        }
        // A smooth gradient over 256 colours: small errors everywhere.
        QVERIFY2(totalError < 16LL * image.width() * image.height(), qPrintable(QString::number(totalError)));
        QVERIFY2(worst < 48, qPrintable(QString::number(worst)));
    }

    // Qt's reader forgives much (bytes after the trailer, overlong blocks);
    // stricter readers do not, so the stream's block structure is walked
    // here byte by byte, independently of any decoder.
    void gifBlockStructureIsStrict_data()
    {
        QTest::addColumn<QImage>("image");
        QImage single(1, 1, QImage::Format_RGB32);
        single.fill(qRgb(10, 200, 30));
        QTest::newRow("one pixel") << single;
        QTest::newRow("256 colours of noise") << noiseImage(300, 200, 256);
        QTest::newRow("more than 256 colours") << gradientImage(320, 240);
    }

    void gifBlockStructureIsStrict()
    {
        QFETCH(QImage, image);
        const QByteArray gif = GifEncoder::encode(image);
        const auto byte = [&gif](qsizetype at) { return static_cast<uchar>(gif.at(at)); };
        QVERIFY(gif.startsWith("GIF89a"));
        QVERIFY(gif.size() > 13);
        QCOMPARE(byte(6) | (byte(7) << 8), image.width());
        QCOMPARE(byte(8) | (byte(9) << 8), image.height());
        qsizetype at = 13;
        if (byte(10) & 0x80)
            at += 3 * (qsizetype(2) << (byte(10) & 7));
        // Data sub-blocks: a length of 1 to 255 and its bytes, ended by a 0.
        const auto skipSubBlocks = [&] {
            while (at < gif.size() && byte(at) != 0)
                at += 1 + byte(at);
            return at++ < gif.size();
        };
        int images = 0;
        while (at < gif.size() && byte(at) != 0x3B) {
            if (byte(at) == 0x21) { // extension: introducer, label, sub-blocks
                at += 2;
                QVERIFY2(skipSubBlocks(), "extension runs past the end");
            } else {
                QCOMPARE(byte(at), uchar(0x2C)); // image descriptor
                QVERIFY(at + 10 < gif.size());
                QCOMPARE(byte(at + 5) | (byte(at + 6) << 8), image.width());
                QCOMPARE(byte(at + 7) | (byte(at + 8) << 8), image.height());
                const uchar flags = byte(at + 9);
                at += 10;
                if (flags & 0x80)
                    at += 3 * (qsizetype(2) << (flags & 7));
                QVERIFY(at < gif.size());
                const uchar codeSize = byte(at++);
                QVERIFY2(codeSize >= 2 && codeSize <= 8, qPrintable(QString::number(codeSize)));
                QVERIFY2(skipSubBlocks(), "image data runs past the end");
                ++images;
            }
        }
        QCOMPARE(images, 1);
        // The trailer is the very last byte.
        QCOMPARE(at, gif.size() - 1);
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("crlf");
        const QByteArray page = "/weather/current/KDEN.html";
        const QByteArray observation = "/data/observations/metar/decoded/KDEN.TXT";
        QTest::newRow("plain") << QStringList() << page << 200 << false;
        QTest::newRow("CR LF") << QStringList{QStringLiteral("--crlf")} << page << 200 << true;
        QTest::newRow("404 for everything")
            << QStringList{QStringLiteral("--fault"), QStringLiteral("404")} << page << 404 << false;
        QTest::newRow("500 for everything")
            << QStringList{QStringLiteral("--fault"), QStringLiteral("500")} << page << 500 << false;
        QTest::newRow("live") << QStringList{QStringLiteral("--live")} << observation << 200 << false;
        QTest::newRow("live, 500 for everything")
            << QStringList{QStringLiteral("--live"), QStringLiteral("--fault"), QStringLiteral("500")}
            << observation << 500 << false;
    }

    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, target);
        QFETCH(int, status);
        QFETCH(bool, crlf);

        QProcess process;
        process.start(QStringLiteral(VENTARO_SAMPLE_SERVER),
                      QStringList{QStringLiteral("--port"), QStringLiteral("0")} + arguments);
        QVERIFY(process.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(process.canReadLine(), 20000);
        const QString line = QString::fromLatin1(process.readLine()).trimmed();
        const QRegularExpressionMatch match =
            QRegularExpression(QStringLiteral("^listening on 127\\.0\\.0\\.1:(\\d+)$")).match(line);
        QVERIFY2(match.hasMatch(), qPrintable(line));

        const RawReply reply = rawRequest(match.captured(1).toUShort(), "GET", target);
        QCOMPARE(reply.status, status);
        QCOMPARE(reply.body.contains("\r\n"), crlf);

        process.terminate(); // SIGTERM ends it cleanly
        QVERIFY(process.waitForFinished(20000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
    }

    void commandLineRejectsAnUnknownFault()
    {
        QProcess process;
        process.start(QStringLiteral(VENTARO_SAMPLE_SERVER),
                      {QStringLiteral("--fault"), QStringLiteral("sometimes")});
        QVERIFY(process.waitForFinished(20000));
        QCOMPARE(process.exitCode(), 2);
        QVERIFY(process.readAllStandardOutput().isEmpty());
    }
};

QTEST_MAIN(TestSampleServer)
#include "tst_sampleserver.moc"
