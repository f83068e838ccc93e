#pragma once

#include "HttpClient.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <chrono>

// FetchPage on QNetworkAccessManager: direct connection, a whole-request
// deadline, a bounded number of redirects and a bounded body. While it
// waits it runs a local event loop, so windows repaint and answer input.
class QtHttpClient final : public HttpClient
{
public:
    static constexpr std::chrono::milliseconds defaultTimeout{60000};
    static constexpr qint64 defaultMaxBodyBytes = 16 * 1024 * 1024;
    static constexpr int maxRedirects = 5;
    // How much Qt's network thread reads ahead of the caller. Without a
    // bound it buffers a body as fast as it arrives, whatever the size cap.
    static constexpr qint64 readBufferBytes = 256 * 1024;
    // The status line and headers of an answer are a few hundred bytes;
    // Qt reads them without a size bound, so an answer whose head has not
    // ended this long after the request went out is cut off.
    static constexpr std::chrono::milliseconds headTimeout{15000};

    explicit QtHttpClient(std::chrono::milliseconds timeout = defaultTimeout,
                          qint64 maxBodyBytes = defaultMaxBodyBytes);

    FetchResult FetchPage(const QUrl& url) override;
    void abort() override;

    // Decodes a body by the charset its Content-Type names, else as Latin-1.
    static QString decodeBody(const QByteArray& body, const QByteArray& contentType);

private:
    QNetworkAccessManager m_manager;
    std::chrono::milliseconds m_timeout;
    qint64 m_maxBodyBytes;
    QList<QPointer<QNetworkReply>> m_running;
};
