#include "QtHttpClient.h"

#include <QEventLoop>
#include <QNetworkProxy>
#include <QNetworkRequest>
#include <QStringDecoder>
#include <QTimer>

namespace {

// A response that arrived whole carries a page, whatever its status: Qt
// files statuses such as 400, 401, 404, 407, 418 or 500 under content,
// protocol, proxy or server errors, yet the body the server sent is the
// page, and the callers judge it by its content. Only a transfer that
// never completed (refused, reset, timed out, TLS refused) is a failure.
bool isTransferFailure(const QNetworkReply& reply)
{
    const QNetworkReply::NetworkError error = reply.error();
    if (error == QNetworkReply::NoError)
        return false;
    if (!reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid())
        return true;
    const bool statusError =
        (error >= QNetworkReply::ContentAccessDenied && error <= QNetworkReply::UnknownContentError) ||
        (error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError) ||
        error == QNetworkReply::ProtocolInvalidOperationError ||
        error == QNetworkReply::ProtocolUnknownError ||
        error == QNetworkReply::ProxyAuthenticationRequiredError;
    return !statusError;
}

// With an error status Qt may report the status rather than a connection
// that closed mid-body, so a body shorter than its declared length is
// caught here. A compressed body is declared by its compressed length,
// which Qt has already undone, and is left to Qt.
bool endedShort(const QNetworkReply& reply, qint64 received)
{
    const QByteArray encoding = reply.rawHeader("Content-Encoding").trimmed().toLower();
    if (!encoding.isEmpty() && encoding != "identity")
        return false;
    bool ok = false;
    const qint64 declared = reply.header(QNetworkRequest::ContentLengthHeader).toLongLong(&ok);
    return ok && received < declared;
}

} // namespace

QtHttpClient::QtHttpClient(std::chrono::milliseconds timeout, qint64 maxBodyBytes)
    : m_timeout(timeout), m_maxBodyBytes(maxBodyBytes)
{
    m_manager.setProxy(QNetworkProxy::NoProxy);
}

QString QtHttpClient::decodeBody(const QByteArray& body, const QByteArray& contentType)
{
    for (const QByteArray& part : contentType.split(';')) {
        const QByteArray param = part.trimmed();
        if (!param.toLower().startsWith("charset="))
            continue;
        QByteArray name = param.mid(8).trimmed();
        if (name.size() >= 2 && name.startsWith('"') && name.endsWith('"'))
            name = name.mid(1, name.size() - 2);
        QStringDecoder decoder(name.constData());
        if (decoder.isValid())
            return decoder.decode(body);
    }
    return QString::fromLatin1(body);
}

FetchResult QtHttpClient::FetchPage(const QUrl& url)
{
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(maxRedirects);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);

    QNetworkReply* reply = m_manager.get(request);
    reply->setReadBufferSize(readBufferBytes);
    m_running.append(reply);

    QByteArray body;
    bool tooLarge = false;
    bool timedOut = false;
    bool headTooLong = false;
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QTimer headDeadline;
    headDeadline.setSingleShot(true);
    headDeadline.setInterval(headTimeout);
    QObject::connect(reply, &QNetworkReply::requestSent, &headDeadline, qOverload<>(&QTimer::start));
    QObject::connect(reply, &QNetworkReply::metaDataChanged, &headDeadline, &QTimer::stop);
    QObject::connect(&headDeadline, &QTimer::timeout, &loop, [&] {
        headTooLong = true;
        reply->abort();
    });

    // Reading as the bytes arrive keeps memory bounded: a body past the
    // limit is refused instead of being buffered whole.
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, [&] {
        body += reply->readAll();
        if (body.size() > m_maxBodyBytes) {
            tooLarge = true;
            reply->abort();
        }
    });
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);

    deadline.start(m_timeout);
    if (!reply->isFinished())
        loop.exec();
    deadline.stop();
    headDeadline.stop();
    // The loop also ends when the application is told to quit; a reply
    // still running then is cut off rather than taken as complete.
    if (!reply->isFinished())
        reply->abort();

    FetchResult result;
    // An aborted reply is closed; reading it would only draw a warning.
    if (reply->isOpen())
        body += reply->readAll();

    if (tooLarge) {
        result.error = QStringLiteral("Response body exceeds %1 bytes").arg(m_maxBodyBytes);
    } else if (headTooLong) {
        result.error = QStringLiteral("The server's answer did not begin within %1 seconds")
                           .arg(headTimeout.count() / 1000.0);
    } else if (timedOut) {
        result.error = QStringLiteral("Request timed out after %1 seconds").arg(m_timeout.count() / 1000.0);
    } else if (isTransferFailure(*reply)) {
        result.error = reply->errorString();
    } else if (endedShort(*reply, body.size())) {
        result.error = QStringLiteral("The connection closed before the whole answer had arrived");
    } else {
        result.ok = true;
        result.body = decodeBody(body, reply->header(QNetworkRequest::ContentTypeHeader).toByteArray());
    }

    m_running.removeAll(reply);
    reply->deleteLater();
    return result;
}

void QtHttpClient::abort()
{
    const auto running = m_running;
    for (const QPointer<QNetworkReply>& reply : running) {
        if (reply)
            reply->abort();
    }
}
