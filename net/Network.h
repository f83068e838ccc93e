#pragma once

#include "FetchReply.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QObject>
#include <QStringList>
#include <chrono>
#include <memory>

class HttpCache;

class Clock;

Q_DECLARE_LOGGING_CATEGORY(lcNetwork)

// What any one request may take. Every request of the program goes through
// one Network and so through these bounds.
struct NetworkLimits
{
    // The whole request, redirects included.
    std::chrono::milliseconds timeout{60000};
    // The status line and headers are a few hundred bytes; Qt reads them
    // without a size bound, so a head that has not ended this long after
    // the request went out is cut off.
    std::chrono::milliseconds headTimeout{15000};
    int maxRedirects = 5;
    // A body past this is refused, not buffered.
    qint64 maxBodyBytes = 16 * 1024 * 1024;
    // How far Qt's network thread reads ahead of us; without a bound it
    // buffers a body as fast as it arrives, whatever the cap above.
    qint64 readBufferBytes = 256 * 1024;
    // The pauses before asking again after a passing failure, one per
    // retry, for the requests that ask for retries (RequestOptions): a
    // request is tried at most once more than there are pauses.
    QList<std::chrono::milliseconds> retryPauses{std::chrono::seconds(1), std::chrono::seconds(3)};
};

// What the answers of one piece of work (a refresh) may hold in all. Each
// byte any of its transfers takes in counts against it, and a transfer that
// would go past it is cut off, so that however many requests the work
// makes, their answers together stay within the bound one answer has.
// Shared by the transfers it is handed to, on the network's thread.
class TransferBudget
{
public:
    explicit TransferBudget(qint64 bytes = NetworkLimits{}.maxBodyBytes) : m_total(bytes) {}

    qint64 total() const { return m_total; }
    qint64 used() const { return m_used; }
    // Counts `bytes` in; false, counting nothing, when they would go past.
    bool take(qint64 bytes);
    // Once an answer was cut off for want of room, nothing more is taken:
    // a later request would only make the server send what is thrown away.
    void exhaust() { m_used = m_total; }

private:
    qint64 m_total;
    qint64 m_used = 0;
};

// How one request is made.
struct RequestOptions
{
    // The media type the endpoint documents, sent as Accept; none: no
    // Accept header.
    QByteArray accept;
    // Whether the answer may come from and go to the program's HTTP cache
    // (when one is set): a timed request takes an answer still fresh by its
    // Cache-Control as it stands and asks the server to confirm a stale one
    // (If-None-Match, If-Modified-Since); any other request confirms it
    // every time.
    bool cached = false;
    // A request made by a timer, not by the user: it waits out a pause the
    // server asked for (429 or 503 with Retry-After) instead of being sent.
    bool timed = false;
    // The answer is used as bytes only (JSON): not decoded to text as well.
    bool bytesOnly = false;
    // A passing failure of the server is asked again after a pause, within
    // the request's own bounds (see Network).
    bool retryPassingFailures = false;
    // Shared with the other requests of the same work; none: only the
    // request's own bound.
    std::shared_ptr<TransferBudget> budget;
};

// The program's one HTTP client: asynchronous GETs (HTTP, or HTTPS with
// Qt's certificate checks) on one QNetworkAccessManager, each bounded by
// the limits and sent with the program's User-Agent.
//
// Connections are direct unless system proxies are switched on; even then
// the hosts named direct, and the local machine, are reached directly.
//
// A response that arrived whole is handed on as a page whatever its status
// (a 404 or a 407 still carries the server's page); only a transfer that
// never completed is a failure: refused, reset, timed out, too large,
// redirected too often, cut short of its declared length, refused by Qt
// (a compressed body that would unpack past its bounds). The failure's
// description names its cause. The body is decoded by the charset its
// Content-Type names, else as Latin-1.
//
// A 429 or 503 answer with Retry-After holds timed requests to its host
// until then (at most an hour).
//
// A request that asks for retries is asked again after a passing failure:
// an answer of 500, 502, 503 or 504 with no usable Retry-After, or a
// connection closed before anything of the answer arrived. Each retry
// waits its pause of NetworkLimits::retryPauses on the event loop first.
// Nothing else is asked again: no other status (a 4xx above all), no
// answer carrying a usable Retry-After (a 503 with one holds as above), no
// answer that stopped or was cut off after it began, no request ended by
// a bound of its own. A retry is not made
// - when the request's budget is spent or has less room left than the
//   bytes the answer just had (another such answer would be cut off and
//   the server's words lost);
// - when its pause would end past the request's whole bound (timeout),
//   which covers every try and pause of the request.
// Every try's bytes count against the budget. The asker sees one
// finished(), with the last try's result, except that when the whole
// bound ends a retry the answer had before stands. Aborting the reply, or
// abortAll(), drops a pending retry with it. The log (ventaro.network)
// tells each retry and the outcome after it with the try's number.
class Network : public QObject
{
    Q_OBJECT
public:
    // `clock`: every reading of the time (deadlines, pauses, the holds a
    // server asks for) goes by it; none: the system's. It must outlive the
    // network.
    explicit Network(NetworkLimits limits = {}, Clock* clock = nullptr, QObject* parent = nullptr);
    ~Network() override;

    // Starts a GET and returns at once. The reply belongs to the network
    // until it ends; it deletes itself after finished().
    FetchReply* get(const QUrl& url, const RequestOptions& options = {});

    // Ends every request under way; none of them emits finished().
    void abortAll();

    const NetworkLimits& limits() const { return m_limits; }
    Clock& clock() const { return m_clock; }

    // The User-Agent every request names ("Ventaro/1.0.0 (...)").
    void setUserAgent(const QByteArray& userAgent) { m_userAgent = userAgent; }

    // Whether requests go through the proxies the system names (its
    // settings or the usual proxy environment variables), except to
    // `directHosts` ("host" or "host:port"), which are always reached
    // directly.
    void useSystemProxies(bool use, const QStringList& directHosts = {});

    // Keeps answers in `directory` (made when missing), at most
    // `maximumBytes` of them, for the requests that ask for the cache; the
    // folder is the cache's alone (see HttpCache). A folder that cannot be
    // had leaves requests uncached.
    void useCache(const QString& directory, qint64 maximumBytes);

    // Until when the server asked for a pause from `host` ("host" or
    // "host:port" as the request names it); invalid when it did not, or
    // the pause is over.
    QDateTime heldUntil(const QString& host) const;

    static QString decodeBody(const QByteArray& body, const QByteArray& contentType);

    // A pause asked for by a Retry-After value (seconds, or an HTTP date),
    // as of `now`, at most an hour, however many digits the seconds have;
    // invalid when the value says nothing usable.
    static QDateTime retryAfter(const QByteArray& value, const QDateTime& now);

private:
    void hold(const QString& host, const QDateTime& until);
    QString proxyFor(const QUrl& url);

    NetworkLimits m_limits;
    std::unique_ptr<Clock> m_ownClock;
    Clock& m_clock;
    QNetworkAccessManager m_manager;
    HttpCache* m_cache = nullptr;
    QByteArray m_userAgent;
    QHash<QString, QDateTime> m_holds;
};
