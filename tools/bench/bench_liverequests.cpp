// What one live refresh asks of the weather service, and what it holds:
// for the Dallas/Fort Worth station (Texas, thirteen offices), requests and
// bytes per refresh the way the live layer used to ask (the observation and
// every office's zone forecast at once, all held together) and the way it
// asks now (the observation, the station's records once, the zone's
// office's product and the zone's alerts; later, by the service's caching
// rules, conditional requests or none at all); and the peak memory of a
// refresh when every answer is as large as the network lets one be (16 MiB).
//
// A server on loopback answers every address the layer asks: zone forecast
// products of sixty groups (some 40 KB), or, for the memory runs, of 16 MiB.
// Each run is a process of its own, so that one run's peak does not hide
// another's, and so is its server: building and sending 16 MiB answers
// takes memory of its own, which is no part of the client's peak.
//
// usage: bench_liverequests               (every run, each in its own process)
//        bench_liverequests --run NAME    (one run: old, new, old-peak, new-peak, by-name-peak)
//        bench_liverequests --serve SIZE RECORDS
//                                         (the server alone: prints its port, answers until ended)
#include "app/Refresh.h"
#include "live/ForecastOffices.h"
#include "live/LiveWeatherSource.h"
#include "net/Network.h"
#include "support/PeakMemory.h"
#include "support/ShortTemplates.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>

namespace {

const QString stationCode = QStringLiteral("DFW");
const QString stateCode = QStringLiteral("tx");
// As large as a product can be and still leave room, within what one
// refresh may take in, for the observation and the records.
constexpr qint64 largest = 16 * 1024 * 1024 - 64 * 1024;

// An office's zone forecast product in the API's JSON: sixty zone groups,
// Dallas/Fort Worth's zone (TXZ119) among FWD's; padded to `size` bytes
// when that is given.
QByteArray product(const QString& office, qint64 size)
{
    QString text = QStringLiteral("\n000\nFPUS54 K%1 071530\nZFP%1\n\nZone Forecast Product for Texas\n"
                                  "National Weather Service %1\n930 AM CST Mon Dec 7 2026\n\n")
                       .arg(office);
    const QString periods = QStringLiteral(".TODAY...Partly sunny. Highs in the upper 50s. South winds 10 to "
                                           "15 mph.\n.TONIGHT...Mostly cloudy. Lows in the lower 40s.\n")
                                .repeated(3);
    const int first = office == QLatin1StringView("FWD") ? 100 : 300;
    for (int group = 0; group < 60; ++group)
        text += QStringLiteral(
                    "TXZ%1-080000-\nZone %1-\nIncluding Town %1\n930 AM CST Mon Dec 7 2026\n\n%2\n$$\n\n")
                    .arg(first + group, 3, 10, QLatin1Char('0'))
                    .arg(periods);
    if (size > 0)
        text += QStringLiteral("TXZ999-080000-\nPadding-\n") +
                QString(std::max<qint64>(0, size - text.size() - 64), QLatin1Char('x')) +
                QStringLiteral("\n$$\n");
    return QJsonDocument(QJsonObject{{QStringLiteral("productCode"), QStringLiteral("ZFP")},
                                     {QStringLiteral("productText"), text}})
        .toJson(QJsonDocument::Compact);
}

// Answers the live layer's addresses under "/" with what a Texas station
// gets, counting requests and the bytes of the answers it sends; "/counts"
// tells the counts so far (uncounted) and starts them again.
class TexasServer : public QTcpServer
{
public:
    TexasServer(qint64 productSize, bool records) : m_productSize(productSize), m_records(records)
    {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { answer(socket); });
            }
        });
    }

private:
    QByteArray bodyFor(const QByteArray& path) const
    {
        if (path.startsWith("/obs/"))
            return "Dallas/Fort Worth International Airport, TX, United States (KDFW) 32-54N 097-01W 171M\n"
                   "Dec 07, 2026 - 10:53 AM EST / 2026.12.07 1553 UTC\nWind: from the S (180 degrees) at 13 "
                   "MPH "
                   "(11 KT):0\nVisibility: 10 mile(s):0\nSky conditions: partly cloudy\nTemperature: 57.0 F "
                   "(13.9 "
                   "C)\nDew Point: 41.0 F (5.0 C)\nRelative Humidity: 55%\nPressure (altimeter): 30.05 in. "
                   "Hg "
                   "(1017 hPa)\nob: KDFW 071553Z 18011KT 10SM SCT250 14/05 A3005\ncycle: 16\n";
        if (path.startsWith("/stations/") && m_records)
            return R"({"type": "Feature", "properties": {"stationIdentifier": "KDFW", "name": "Dallas/Fort Worth",)"
                   R"( "forecast": "https://api.weather.gov/zones/forecast/TXZ119"}})";
        if (path.startsWith("/zones/") && m_records)
            return R"({"type": "Feature", "properties": {"id": "TXZ119", "name": "Tarrant", "state": "TX",)"
                   R"( "cwa": ["FWD"]}})";
        if (path.startsWith("/zfp/"))
            return product(QString::fromLatin1(path.mid(5)), m_productSize);
        if (path.startsWith("/alerts/"))
            return R"({"type": "FeatureCollection", "features": []})";
        return {};
    }

    void answer(QTcpSocket* socket)
    {
        const QByteArray head = socket->property("head").toByteArray() + socket->readAll();
        socket->setProperty("head", head);
        if (!head.contains("\r\n\r\n"))
            return;
        const QByteArray path = head.split(' ').value(1);
        if (path == "/counts") {
            const QByteArray counts = QByteArray::number(m_requests) + ' ' +
                                      QByteArray::number(m_notModified) + ' ' + QByteArray::number(m_bytes);
            m_requests = m_notModified = 0;
            m_bytes = 0;
            socket->write("HTTP/1.1 200 OK\r\nCache-Control: no-store\r\nContent-Length: " +
                          QByteArray::number(counts.size()) + "\r\nConnection: close\r\n\r\n" + counts);
            socket->disconnectFromHost();
            return;
        }
        ++m_requests;
        const QByteArray body = bodyFor(path);
        const QByteArray tag =
            '"' + QCryptographicHash::hash(body, QCryptographicHash::Sha1).toHex().left(16) + '"';
        QByteArray response;
        if (body.isEmpty()) {
            response = "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
        } else if (head.contains("If-None-Match: " + tag)) {
            ++m_notModified;
            response = "HTTP/1.1 304 Not Modified\r\nETag: " + tag +
                       "\r\nCache-Control: public, max-age=300\r\nConnection: close\r\n\r\n";
        } else {
            response = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nETag: " + tag +
                       "\r\nCache-Control: public, max-age=300\r\nContent-Length: " +
                       QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
        }
        m_bytes += response.size();
        socket->write(response);
        socket->disconnectFromHost();
    }

    const qint64 m_productSize;
    const bool m_records;
    int m_requests = 0;
    int m_notModified = 0;
    qint64 m_bytes = 0;
};

// A TexasServer in a child process, for one run.
class ServerProcess
{
public:
    ServerProcess(qint64 productSize, bool records)
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(
            QCoreApplication::applicationFilePath(),
            {QStringLiteral("--serve"), QString::number(productSize), QString::number(records ? 1 : 0)});
        // Waiting for the line the server prints once it listens; nothing
        // else runs yet.
        while (!m_process.canReadLine() && m_process.waitForReadyRead(10000)) {
        }
        m_port = m_process.readLine().trimmed().toInt();
        if (m_port <= 0) {
            std::fprintf(stderr, "bench_liverequests: the server did not start\n");
            std::exit(1);
        }
    }
    ~ServerProcess()
    {
        m_process.kill();
        m_process.waitForFinished();
    }

    SourceTemplates templates() const
    {
        return shortTemplates(QStringLiteral("http://127.0.0.1:%1").arg(m_port));
    }
    QUrl countsUrl() const { return QUrl(QStringLiteral("http://127.0.0.1:%1/counts").arg(m_port)); }

private:
    QProcess m_process;
    int m_port = 0;
};

int serve(qint64 productSize, bool records)
{
    TexasServer server(productSize, records);
    std::printf("%d\n", server.serverPort());
    std::fflush(stdout);
    return QCoreApplication::exec();
}

// Prints the server's counts since the last, and `peakRise`, the rise of
// the peak memory in KiB (none when negative); then runs `then`.
void print(Network& network, const ServerProcess& server, const char* what, qint64 peakRise,
           const std::function<void()>& then)
{
    FetchReply* reply = network.get(server.countsUrl());
    QObject::connect(reply, &FetchReply::finished, reply, [what, peakRise, then](const FetchResult& counts) {
        const QList<QByteArray> words = counts.body.split(' ');
        std::printf("%-58s %3d requests (%d not modified) %10lld bytes", what, words.value(0).toInt(),
                    words.value(1).toInt(), words.value(2).toLongLong());
        if (peakRise >= 0)
            std::printf("   peak memory +%.1f MiB", double(peakRise) / 1024.0);
        std::printf("\n");
        std::fflush(stdout);
        then();
    });
}

// The old way: the observation, then every office's product at once, all
// answers held until the last has come (as the old layer held them, before
// any parsing).
int runOld(qint64 productSize)
{
    const ServerProcess server(productSize, true);
    Network network;
    const SourceTemplates templates = server.templates();
    const qint64 before = peakMemoryKiB();
    auto held = std::make_shared<QList<QByteArray>>();
    FetchReply* observation = network.get(templates.observationUrl(QStringLiteral("KDFW")));
    QObject::connect(observation, &FetchReply::finished, &network, [&, held](const FetchResult& first) {
        held->append(first.body);
        const QStringList offices = ForecastOffices::forState(stateCode);
        auto waiting = std::make_shared<qsizetype>(offices.size());
        for (const QString& office : offices) {
            FetchReply* reply = network.get(templates.zoneForecastUrl(office, stateCode));
            QObject::connect(reply, &FetchReply::finished, &network,
                             [&, held, waiting](const FetchResult& r) {
                                 held->append(r.body);
                                 held->append(r.text.toUtf8());
                                 if (--*waiting == 0)
                                     print(network, server,
                                           productSize > 0 ? "old: every office, answers of (nearly) 16 MiB"
                                                           : "old: observation and every office's product",
                                           peakMemoryKiB() - before, [] { QCoreApplication::quit(); });
                             });
        }
    });
    return QCoreApplication::exec();
}

// The live layer as it is, through a refresh: a first one, then a timed one
// and one the user asks for.
int runNew(qint64 productSize, bool records, bool again)
{
    const ServerProcess server(productSize, records);
    QTemporaryDir cache;
    Network network;
    network.useCache(cache.filePath(QStringLiteral("http")), 64 * 1024 * 1024);
    LiveWeatherSource source(network, server.templates(), cache.path());
    Refresh refresh(source);
    const qint64 before = peakMemoryKiB();
    int step = 0;
    QObject::connect(&refresh, &Refresh::finished, &refresh, [&] {
        const char* names[] = {"new: first refresh (records asked)", "new: timed refresh within max-age",
                               "new: refresh the user asks for"};
        const auto next = [&] {
            if (!again || ++step == 3) {
                QCoreApplication::quit();
                return;
            }
            refresh.start(stationCode, stateCode, step == 1);
        };
        if (productSize > 0)
            print(network, server,
                  records ? "new: answers of (nearly) 16 MiB" : "new, records not to be had: (nearly) 16 MiB",
                  peakMemoryKiB() - before, next);
        else
            print(network, server, names[step], -1, next);
    });
    refresh.start(stationCode, stateCode, false);
    return QCoreApplication::exec();
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 4 && std::strcmp(argv[1], "--serve") == 0)
        return serve(QByteArray(argv[2]).toLongLong(), std::strcmp(argv[3], "1") == 0);
    if (argc == 3 && std::strcmp(argv[1], "--run") == 0) {
        const QByteArray run = argv[2];
        if (run == "old")
            return runOld(0);
        if (run == "new")
            return runNew(0, true, true);
        if (run == "old-peak")
            return runOld(largest);
        if (run == "new-peak")
            return runNew(largest, true, false);
        if (run == "by-name-peak")
            return runNew(largest, false, false);
        std::fprintf(stderr, "bench_liverequests: unknown run %s\n", run.constData());
        return 2;
    }
    std::printf("a live refresh for DALLAS/FT.WORTH, TX (thirteen offices)\n");
    std::fflush(stdout);
    for (const char* run : {"old", "new", "old-peak", "new-peak", "by-name-peak"}) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--run"), QString::fromLatin1(run)});
        if (!child.waitForFinished(600000) || child.exitCode() != 0) {
            std::fprintf(stderr, "bench_liverequests: the %s run failed\n", run);
            return 1;
        }
    }
    return 0;
}
