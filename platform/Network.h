#pragma once

#include "FetchReply.h"

#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QObject>
#include <QStringList>
#include <chrono>

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
// redirected too often, cut short of its declared length. The body is
// decoded by the charset its Content-Type names, else as Latin-1.
class Network : public QObject
{
    Q_OBJECT
public:
    explicit Network(NetworkLimits limits = {}, QObject* parent = nullptr);
    ~Network() override;

    // Starts a GET and returns at once. The reply belongs to the network
    // until it ends; it deletes itself after finished().
    FetchReply* get(const QUrl& url);

    // Ends every request under way; none of them emits finished().
    void abortAll();

    const NetworkLimits& limits() const { return m_limits; }

    // The User-Agent every request names ("Ventaro/1.0.0 (...)").
    void setUserAgent(const QByteArray& userAgent) { m_userAgent = userAgent; }

    // Whether requests go through the proxies the system names (its
    // settings or the usual proxy environment variables), except to
    // `directHosts` ("host" or "host:port"), which are always reached
    // directly.
    void useSystemProxies(bool use, const QStringList& directHosts = {});

    static QString decodeBody(const QByteArray& body, const QByteArray& contentType);

private:
    NetworkLimits m_limits;
    QNetworkAccessManager m_manager;
    QByteArray m_userAgent;
};
