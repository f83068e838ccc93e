#pragma once

#include "FetchReply.h"

#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QObject>
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

// The program's one HTTP client: asynchronous GETs on one
// QNetworkAccessManager, direct connections, each bounded by the limits.
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

    static QString decodeBody(const QByteArray& body, const QByteArray& contentType);

private:
    NetworkLimits m_limits;
    QNetworkAccessManager m_manager;
};
