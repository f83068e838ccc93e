#include "Network.h"

#include <QBasicTimer>
#include <QHostAddress>
#include <QLoggingCategory>
#include <QNetworkProxy>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QStringDecoder>
#include <QTimerEvent>

Q_LOGGING_CATEGORY(lcNetwork, "ventaro.network")

namespace {

// Qt files statuses such as 400, 401, 404, 407, 418 or 500 under content,
// protocol, proxy or server errors, yet the body the server sent is the
// page. A reply with a status and one of these errors arrived whole.
bool isStatusError(QNetworkReply::NetworkError error)
{
    return (error >= QNetworkReply::ContentAccessDenied && error <= QNetworkReply::UnknownContentError) ||
           (error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError) ||
           error == QNetworkReply::ProtocolInvalidOperationError ||
           error == QNetworkReply::ProtocolUnknownError ||
           error == QNetworkReply::ProxyAuthenticationRequiredError;
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

QString seconds(std::chrono::milliseconds duration)
{
    return QString::number(duration.count() / 1000.0);
}

// One GET in flight: the Qt reply, its two deadlines and the body read so
// far. It lives as a child of the FetchReply it serves.
class Transfer : public QObject
{
public:
    Transfer(FetchReply* fetch, QNetworkReply* reply, const NetworkLimits& limits)
        : QObject(fetch), m_fetch(fetch), m_reply(reply), m_limits(limits)
    {
        m_reply->setReadBufferSize(limits.readBufferBytes);
        connect(m_reply, &QNetworkReply::readyRead, this, &Transfer::read);
        connect(m_reply, &QNetworkReply::finished, this, &Transfer::end);
        connect(m_reply, &QNetworkReply::requestSent, this,
                [this] { m_headDeadline.start(int(m_limits.headTimeout.count()), this); });
        connect(m_reply, &QNetworkReply::metaDataChanged, this, [this] { m_headDeadline.stop(); });
        connect(fetch, &FetchReply::aborted, this, [this] { drop(); });
        m_deadline.start(int(m_limits.timeout.count()), this);
    }

    ~Transfer() override { drop(); }

protected:
    // Plain timers rather than QTimer objects: a refresh makes several
    // transfers, and each would otherwise build two objects and wire them.
    void timerEvent(QTimerEvent* event) override
    {
        if (event->timerId() == m_deadline.timerId())
            cutOff(QStringLiteral("No answer came within %1 seconds").arg(seconds(m_limits.timeout)));
        else if (event->timerId() == m_headDeadline.timerId())
            cutOff(QStringLiteral("The server's answer did not begin within %1 seconds")
                       .arg(seconds(m_limits.headTimeout)));
        else
            QObject::timerEvent(event);
    }

private:
    void read()
    {
        if (!m_reply)
            return;
        // Never more than one byte past the cap is taken in, and the body's
        // room grows by doubling but never past the cap, so the cap bounds
        // what the answer costs (left to itself a buffer near the cap would
        // grow to twice it). An everyday page needs only a few kilobytes.
        const qint64 limit = m_limits.maxBodyBytes + 1;
        const qint64 wanted = std::min(limit - m_body.size(), m_reply->bytesAvailable());
        const qint64 needed = m_body.size() + wanted;
        if (needed > m_body.capacity())
            m_body.reserve(std::min(limit, std::max(needed, 2 * m_body.capacity())));
        m_body += m_reply->read(wanted);
        if (m_body.size() > m_limits.maxBodyBytes)
            cutOff(QStringLiteral("The answer is larger than %1 bytes").arg(m_limits.maxBodyBytes));
    }

    // Ends the transfer early; the reason stands in for Qt's own.
    void cutOff(const QString& reason)
    {
        if (!m_reply || !m_reason.isEmpty())
            return;
        m_reason = reason;
        m_reply->abort(); // emits finished(), which ends the fetch
    }

    void end()
    {
        if (!m_reply)
            return;
        m_deadline.stop();
        m_headDeadline.stop();
        // An aborted reply is closed; reading it would only draw a warning.
        if (m_reply->isOpen())
            m_body += m_reply->readAll();

        FetchResult result;
        result.url = m_reply->request().url();
        const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        result.status = status.isValid() ? status.toInt() : 0;
        result.reasonPhrase = m_reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
        const QNetworkReply::NetworkError error = m_reply->error();

        if (!m_reason.isEmpty())
            result.error = m_reason;
        else if (error != QNetworkReply::NoError && !(status.isValid() && isStatusError(error)))
            result.error = m_reply->errorString();
        else if (endedShort(*m_reply, m_body.size()))
            result.error = QStringLiteral("The connection closed before the whole answer had arrived");

        if (result.error.isEmpty()) {
            result.ok = true;
            result.text = Network::decodeBody(
                m_body, m_reply->header(QNetworkRequest::ContentTypeHeader).toByteArray());
            result.body = std::move(m_body);
        } else {
            qCInfo(lcNetwork).noquote() << "GET" << result.url.toString() << "failed:" << result.error;
        }
        m_body.clear();
        release();
        // Qt's reply ends from the event loop; the answer goes out at once.
        m_fetch->finishNow(result);
    }

    void drop()
    {
        if (!m_reply)
            return;
        m_deadline.stop();
        m_headDeadline.stop();
        // Disconnected first: abort() emits finished() at once, and a
        // dropped request must leave nothing behind.
        m_reply->disconnect(this);
        m_reply->abort();
        release();
    }

    void release()
    {
        if (QNetworkReply* reply = m_reply.data()) {
            m_reply = nullptr;
            reply->deleteLater();
        }
    }

    FetchReply* m_fetch;
    QPointer<QNetworkReply> m_reply;
    const NetworkLimits m_limits;
    QBasicTimer m_deadline;
    QBasicTimer m_headDeadline;
    QByteArray m_body;
    QString m_reason;
};

// The system's proxies for every host but the ones reached directly: the
// configured servers of the old pages, and this machine, which no proxy
// elsewhere could reach.
class SystemProxies final : public QNetworkProxyFactory
{
public:
    explicit SystemProxies(QStringList directHosts) : m_directHosts(std::move(directHosts)) {}

    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery& query) override
    {
        const QString host = query.peerHostName();
        const QString hostAndPort = QStringLiteral("%1:%2").arg(host).arg(query.peerPort());
        const QHostAddress address(host);
        if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 || address.isLoopback() ||
            m_directHosts.contains(host, Qt::CaseInsensitive) ||
            m_directHosts.contains(hostAndPort, Qt::CaseInsensitive))
            return {QNetworkProxy(QNetworkProxy::NoProxy)};
        return systemProxyForQuery(query);
    }

private:
    QStringList m_directHosts;
};

} // namespace

Network::Network(NetworkLimits limits, QObject* parent) : QObject(parent), m_limits(limits)
{
    m_manager.setProxy(QNetworkProxy::NoProxy);
}

void Network::useSystemProxies(bool use, const QStringList& directHosts)
{
    if (use) {
        m_manager.setProxyFactory(new SystemProxies(directHosts));
    } else {
        m_manager.setProxyFactory(nullptr);
        m_manager.setProxy(QNetworkProxy::NoProxy);
    }
}

Network::~Network()
{
    abortAll();
}

FetchReply* Network::get(const QUrl& url)
{
    auto* fetch = new FetchReply(this);
    const QString scheme = url.scheme();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        qCInfo(lcNetwork).noquote() << "no request made for" << url.toString();
        fetch->finish(FetchResult::failure(url, QStringLiteral("Invalid request address")));
        return fetch;
    }
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(m_limits.maxRedirects);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    if (!m_userAgent.isEmpty())
        request.setHeader(QNetworkRequest::UserAgentHeader, m_userAgent);
    new Transfer(fetch, m_manager.get(request), m_limits);
    return fetch;
}

void Network::abortAll()
{
    for (FetchReply* fetch : findChildren<FetchReply*>(Qt::FindDirectChildrenOnly))
        fetch->abort();
}

QString Network::decodeBody(const QByteArray& body, const QByteArray& contentType)
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
