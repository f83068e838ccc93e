#pragma once

#include "live/SourceTemplates.h"

#include <QObject>
#include <QStringList>
#include <QTcpServer>
#include <chrono>
#include <optional>

// A small HTTP/1.1 server on 127.0.0.1 that stands in for the weather
// service's three servers: the current-conditions pages of the stations
// in the station table, the state forecast pages of their states and the
// satellite pictures. In live mode it stands in for today's services
// instead, with the fixtures under tests/data/live (built into the server)
// at the paths of the live layer's default addresses:
// - /data/observations/metar/decoded/<ID>.TXT: a decoded observation, as
//   text/plain;
// - /products/types/ZFP/locations/<OFFICE>/latest: the office's zone
//   forecast product in the weather service's JSON answer;
// - /stations/<ID> and /zones/forecast/<ZONE>: the API's station and zone
//   records (GeoJSON);
// - /alerts/active?zone=<AREA>,<AREA>,... and /alerts/active/zone/<ZONE>:
//   the active alerts (GeoJSON) of the fixtures chosen (one Winter Storm
//   Warning in Denver's zone, COZ039, at first) that are filed under any of
//   the forecast zones, counties or fire weather zones asked;
// - /<satellite>/ABI/<sector>/<band>/<size>.jpg: a satellite picture.
// Anything else, an unknown station or office included, gets the 404 of
// the service that would have been asked, the API's as a problem document.
// Live answers carry the validators and caching rules the service sends
// (ETag, Last-Modified, Cache-Control: public, max-age) and a request that
// names the current validator gets 304 Not Modified.
//
// Each response carries Content-Length and closes its connection. All
// socket work is asynchronous on the thread that owns the server, so it can
// serve a client that waits in a local event loop of the same thread.
// Drawing the pictures needs a QGuiApplication.
class SampleServer : public QObject
{
    Q_OBJECT
public:
    // Ways to misbehave, each applying to every request from the moment it
    // is set:
    // - Refuse: nothing listens on the port (until another fault is set;
    //   then the server listens on the same port again);
    // - Hang: the request is read and never answered;
    // - ResetMidBody: headers and about half of the body, then a reset;
    // - Trickle: the normal response, trickleChunkBytes per interval;
    // - NotFound, ServerError: a 404 or 500 error page for every path;
    // - NoMarkup: status 200 with a plain-text body without any "<";
    // - Huge: status 200 and a text/html body of hugeBodyBytes, written as
    //   the connection drains;
    // - TooManyRequests: 429 with Retry-After (retryAfterSeconds) and the
    //   API's problem document, as the service's CDN answers a client that
    //   asks too often;
    // - Unavailable: 503 without Retry-After and the API's problem
    //   document, as the API answers now and then for a moment.
    enum class Fault
    {
        None,
        Refuse,
        Hang,
        ResetMidBody,
        Trickle,
        NotFound,
        ServerError,
        NoMarkup,
        Huge,
        TooManyRequests,
        Unavailable
    };

    static constexpr qint64 hugeBodyBytes = 50 * 1024 * 1024;
    static constexpr qsizetype trickleChunkBytes = 8;

    explicit SampleServer(QObject* parent = nullptr);
    ~SampleServer() override;

    // Listens on 127.0.0.1; port 0 picks a free port. False when the port
    // cannot be bound.
    bool listen(quint16 port = 0);
    quint16 port() const;
    QString host() const; // "127.0.0.1:<port>"
    QString errorString() const;

    void setFault(Fault fault);
    Fault fault() const { return m_fault; }

    // Line ends of served pages: CR LF instead of LF. Header lines always
    // end in CR LF, as HTTP wants.
    void setCrlf(bool crlf);

    void setTrickleInterval(std::chrono::milliseconds interval);

    // Serves the live fixtures instead of the sample pages; faults apply
    // as in the other mode.
    void setLive(bool live);

    // The live layer's address templates, each pointed at the path this
    // server serves in live mode (the service's own paths).
    SourceTemplates liveTemplates() const;

    // Every request target in the order received, as sent (still
    // percent-encoded, with any query).
    QStringList requestedPaths() const;

    // The head of every request in the order received: request line and
    // header lines, as sent.
    QList<QByteArray> requestHeads() const { return m_requestHeads; }

    // The max-age live answers carry (default 300 seconds, as the API's
    // products do).
    void setMaxAge(int seconds) { m_maxAge = seconds; }
    // The Retry-After of TooManyRequests, in seconds.
    void setRetryAfter(int seconds) { m_retryAfter = seconds; }

    // Which fixtures of tests/data/live/alerts are in force, comma-
    // separated: "none", "one", "two", "update", "cancel" (Denver's zone),
    // "county" (a Snow Squall Warning of Denver County), "firezone" (a Red
    // Flag Warning of Denver's fire weather zone), "twice" (one warning
    // listed once per area it is filed under); "fail" answers every alerts
    // request with the API's 500 problem instead.
    void setAlerts(const QString& fixture) { m_alerts = fixture; }
    // Whether the alerts' times are moved by whole days to lie around the
    // present (their headlines' dates with them), so that a demonstration
    // shows alerts in effect on any day; the fixtures' own dates otherwise.
    void setAlertsCurrent(bool current) { m_alertsCurrent = current; }

    // The fault of a command-line name: none, refuse, hang, reset,
    // trickle, 404, 500, 503, nomarkup, huge, 429.
    static std::optional<Fault> faultFromName(const QString& name);

Q_SIGNALS:
    void requestReceived(const QString& path);

private:
    class Exchange;

    struct Response
    {
        int status = 200;
        QByteArray contentType;
        QByteArray body;
        QByteArray extraHeaders; // whole header lines, each ending in CR LF
    };

    void acceptConnections();
    void answer(Exchange& exchange, const QByteArray& method, const QByteArray& target,
                const QByteArray& head);
    Response route(const QByteArray& method, const QByteArray& target, const QByteArray& head) const;
    Response routeLive(const QString& path, const QByteArray& target) const;
    Response cacheable(Response response, const QByteArray& head) const;
    // The areas an alerts request asks for; empty when it is none or names
    // anything but zone and county codes.
    static QStringList alertAreas(const QString& path, const QByteArray& target);
    QByteArray alertsFor(const QStringList& areas) const;
    Response page(int status, const QByteArray& body) const;

    QTcpServer m_server;
    quint16 m_port = 0;
    Fault m_fault = Fault::None;
    bool m_crlf = false;
    bool m_live = false;
    std::chrono::milliseconds m_trickleInterval{20};
    QStringList m_requestedPaths;
    QList<QByteArray> m_requestHeads;
    int m_maxAge = 300;
    int m_retryAfter = 5;
    QString m_alerts = QStringLiteral("one");
    bool m_alertsCurrent = false;
};
