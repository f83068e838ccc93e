#include "Network.h"

#include "LogText.h"
#include "SystemClock.h"

#include "HttpCache.h"

#include <QHostAddress>
#include <QLoggingCategory>
#include <QNetworkProxy>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QStringDecoder>
#include <QTimer>
#include <functional>
#include <optional>

Q_LOGGING_CATEGORY(lcNetwork, "ventaro.network")

namespace {

// Qt files statuses such as 400, 401, 404, 407, 418 or 500 under content,
// protocol, proxy or server errors, yet the body the server sent is the
// page. A reply with an error status and one of these errors arrived
// whole; the same errors with a success status (a body Qt refused to
// unpack) are failures of the transfer.
bool isStatusError(QNetworkReply::NetworkError error, int status)
{
    if (status < 400)
        return false;
    return (error >= QNetworkReply::ContentAccessDenied && error <= QNetworkReply::UnknownContentError) ||
           (error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError) ||
           error == QNetworkReply::ProtocolInvalidOperationError ||
           error == QNetworkReply::ProtocolUnknownError ||
           error == QNetworkReply::ProxyAuthenticationRequiredError;
}

bool isProxyError(QNetworkReply::NetworkError error)
{
    return error >= QNetworkReply::ProxyConnectionRefusedError && error <= QNetworkReply::UnknownProxyError;
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

// "host", or "host:port" when the address names a port.
QString hostOf(const QUrl& url)
{
    return url.port() < 0 ? url.host() : QStringLiteral("%1:%2").arg(url.host()).arg(url.port());
}

// Statuses a server gives for a failure of its own that may pass: its
// application failed, or a gateway or the server itself could not serve
// just then.
bool isPassingStatus(int status)
{
    return status == 500 || status == 502 || status == 503 || status == 504;
}

// "answered 503 Service Unavailable", or "failed: <why>".
QString outcome(const FetchResult& result)
{
    // The server's words go to the log: escaped, so that they stay on it.
    if (!result.ok)
        return QStringLiteral("failed: %1").arg(logText(result.error));
    const QString phrase = logText(result.reasonPhrase.trimmed());
    return phrase.isEmpty() ? QStringLiteral("answered %1").arg(result.status)
                            : QStringLiteral("answered %1 %2").arg(result.status).arg(phrase);
}

// An alarm on the network's clock that can be set again or stopped; a
// ring left from an earlier setting is ignored. It rings only while its
// context lives.
class Alarm
{
public:
    Alarm(Clock& clock, QObject* context, std::function<void()> ring)
        : m_clock(clock), m_context(context), m_ring(std::move(ring))
    {}

    void start(std::chrono::milliseconds after)
    {
        const quint64 setting = ++m_setting;
        m_at = m_clock.monotonicTime() + after;
        m_active = true;
        m_clock.callAt(m_at, m_context, [this, setting] {
            if (setting != m_setting || !m_active)
                return;
            m_active = false;
            m_ring();
        });
    }
    void stop()
    {
        m_active = false;
        ++m_setting;
    }
    bool isActive() const { return m_active; }
    // How long until it rings, by the clock.
    std::chrono::milliseconds left() const { return m_at - m_clock.monotonicTime(); }

private:
    Clock& m_clock;
    QObject* m_context;
    std::function<void()> m_ring;
    std::chrono::milliseconds m_at{0};
    quint64 m_setting = 0;
    bool m_active = false;
};

// One GET, from its first try to its last: the Qt reply of the try under
// way, the deadlines and the body read so far. It lives as a child of the
// FetchReply it serves.
class Transfer : public QObject
{
public:
    using Hold = std::function<void(const QString& host, const QDateTime& until)>;
    // Sends the request (again); the reply is the manager's child.
    using Send = std::function<QNetworkReply*()>;

    Transfer(FetchReply* fetch, Send send, const NetworkLimits& limits, RequestOptions options, QString proxy,
             Hold hold, Clock& clock)
        : QObject(fetch), m_fetch(fetch), m_send(std::move(send)), m_limits(limits),
          m_options(std::move(options)), m_proxy(std::move(proxy)), m_hold(std::move(hold)), m_clock(clock),
          m_deadline(clock, this, [this] { deadlinePassed(); }),
          m_headDeadline(clock, this,
                         [this] {
                             cutOff(QStringLiteral("The server's answer did not begin within %1 seconds")
                                        .arg(seconds(m_limits.headTimeout)));
                         }),
          m_pause(clock, this, [this] {
              ++m_try;
              attach(m_send());
          })
    {
        connect(fetch, &FetchReply::aborted, this, [this] { drop(); });
        m_deadline.start(m_limits.timeout);
        attach(m_send());
    }

    ~Transfer() override { drop(); }

private:
    void deadlinePassed()
    {
        if (m_try > 1 || m_pause.isActive()) {
            keepAnswerBefore();
            return;
        }
        // A transfer that had begun is told apart from silence: the server
        // answered, and then its answer stopped coming.
        cutOff(m_began ? QStringLiteral("The answer stopped arriving: %1 bytes came within %2 seconds")
                             .arg(m_body.size())
                             .arg(seconds(m_limits.timeout))
                       : QStringLiteral("No answer came within %1 seconds").arg(seconds(m_limits.timeout)));
    }

    int tries() const { return m_options.retryPassingFailures ? int(m_limits.retryPauses.size()) + 1 : 1; }

    // Takes on the reply of one try, afresh.
    void attach(QNetworkReply* reply)
    {
        m_reply = reply;
        m_body.clear();
        m_reason.clear();
        m_cutOff = false;
        m_began = false;
        m_error = QNetworkReply::NoError;
        m_reply->setReadBufferSize(m_limits.readBufferBytes);
        connect(m_reply, &QNetworkReply::readyRead, this, &Transfer::read);
        connect(m_reply, &QNetworkReply::finished, this, &Transfer::end);
        connect(m_reply, &QNetworkReply::errorOccurred, this, &Transfer::failed);
        connect(m_reply, &QNetworkReply::requestSent, this,
                [this] { m_headDeadline.start(m_limits.headTimeout); });
        connect(m_reply, &QNetworkReply::metaDataChanged, this, [this] {
            m_headDeadline.stop();
            m_began = true;
        });
    }

    void read()
    {
        if (!m_reply)
            return;
        m_began = true;
        // Never more than one byte past the cap is taken in, and the body's
        // room grows by doubling but never past the cap, so the cap bounds
        // what the answer costs (left to itself a buffer near the cap would
        // grow to twice it). An everyday page needs only a few kilobytes.
        const qint64 limit = m_limits.maxBodyBytes + 1;
        const qint64 wanted = std::min(limit - m_body.size(), m_reply->bytesAvailable());
        if (m_options.budget && !m_options.budget->take(wanted)) {
            m_options.budget->exhaust();
            cutOff(QStringLiteral("The answers of this refresh together are larger than %1 bytes")
                       .arg(m_options.budget->total()));
            return;
        }
        const qint64 needed = m_body.size() + wanted;
        if (needed > m_body.capacity())
            m_body.reserve(std::min(limit, std::max(needed, 2 * m_body.capacity())));
        m_body += m_reply->read(wanted);
        if (m_body.size() > m_limits.maxBodyBytes)
            cutOff(QStringLiteral("The answer is larger than %1 bytes").arg(m_limits.maxBodyBytes));
    }

    // Qt tells of an error before (or instead of) ending the reply. An
    // error status still carries its page, which is waited for; any other
    // error ends the transfer now, with Qt's own words: a body Qt refuses to
    // unpack, for one, is never followed by the reply's end.
    void failed(QNetworkReply::NetworkError error)
    {
        if (!m_reply || !m_reason.isEmpty() || error == QNetworkReply::OperationCanceledError)
            return;
        const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (status.isValid() && isStatusError(error, status.toInt()))
            return;
        // Qt mostly ends the reply itself right after; where it does not,
        // the transfer is ended from the event loop, outside Qt's own
        // error handling, which must not be re-entered. By then a retry may
        // have another reply under way, which is left alone.
        m_reason = describe(error, m_reply->errorString());
        m_error = error;
        QTimer::singleShot(0, this, [this, reply = m_reply] {
            if (reply && reply == m_reply && !reply->isFinished())
                reply->abort();
        });
    }

    // Qt's description of a failure, with what it leaves out: the host
    // when it names none, and the proxy the request went through.
    QString describe(QNetworkReply::NetworkError error, QString text) const
    {
        const QString host = hostOf(m_reply->request().url());
        text.replace(QStringLiteral("Host  not found"), QStringLiteral("Host %1 not found").arg(host));
        // Qt's refusal to unpack a compressed body ends in a colon with
        // nothing after it.
        const QByteArray encoding = m_reply->rawHeader("Content-Encoding").trimmed();
        if (text.trimmed().endsWith(u':') && !encoding.isEmpty())
            text = QStringLiteral("%1 the %2 answer would unpack to far more than was sent")
                       .arg(text.trimmed(), QString::fromLatin1(encoding.left(40)));
        if (m_proxy.isEmpty())
            return text;
        // Qt files a proxy's refusal of the tunnel under more than one code;
        // its words tell it apart.
        if (isProxyError(error) || text.contains(QLatin1StringView("roxy")))
            return QStringLiteral("The proxy %1 did not connect to %2: %3").arg(m_proxy, host, text);
        return QStringLiteral("%1 (asking %2 through the proxy %3)").arg(text, host, m_proxy);
    }

    // Ends the transfer early; the reason stands in for Qt's own.
    void cutOff(const QString& reason)
    {
        if (!m_reply || !m_reason.isEmpty())
            return;
        m_reason = reason;
        m_cutOff = true;
        m_reply->abort(); // emits finished(), which ends the fetch
    }

    void end()
    {
        if (!m_reply)
            return;
        m_headDeadline.stop();
        // An aborted reply is closed; reading it would only draw a warning.
        if (m_reply->isOpen() && m_reason.isEmpty()) {
            read();
            if (!m_reply) // cut off, and ended from inside
                return;
        }

        FetchResult result;
        result.url = m_reply->request().url();
        const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        result.status = status.isValid() ? status.toInt() : 0;
        result.reasonPhrase = m_reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
        result.fromCache = m_reply->attribute(QNetworkRequest::SourceIsFromCacheAttribute).toBool();
        const QNetworkReply::NetworkError error = m_reply->error();

        if (!m_reason.isEmpty())
            result.error = m_reason;
        else if (error != QNetworkReply::NoError &&
                 !(status.isValid() && isStatusError(error, result.status)))
            result.error = describe(error, m_reply->errorString());
        else if (endedShort(*m_reply, m_body.size()))
            result.error = QStringLiteral("The connection closed before the whole answer had arrived");

        // A pause the server asked for is the server's to set: the answer
        // is neither held by nor asked again without it.
        QDateTime asked;
        if ((result.status == 429 || isPassingStatus(result.status)) && m_reply->hasRawHeader("Retry-After"))
            asked = Network::retryAfter(m_reply->rawHeader("Retry-After"), m_clock.wallTime());
        if (asked.isValid() && (result.status == 429 || result.status == 503) && m_hold)
            m_hold(hostOf(result.url), asked);

        const qint64 received = m_body.size();
        if (result.error.isEmpty()) {
            result.ok = true;
            if (!m_options.bytesOnly)
                result.text = Network::decodeBody(
                    m_body, m_reply->header(QNetworkRequest::ContentTypeHeader).toByteArray());
            result.body = std::move(m_body);
        }
        m_body.clear();
        const bool passing = result.ok ? isPassingStatus(result.status) && !asked.isValid()
                                       : !m_cutOff && !m_began &&
                                             (m_error == QNetworkReply::RemoteHostClosedError ||
                                              error == QNetworkReply::RemoteHostClosedError);
        release();

        if (passing && m_try < tries()) {
            if (const std::optional<std::chrono::milliseconds> pause = pauseBeforeRetry(result, received)) {
                qCInfo(lcNetwork).noquote()
                    << QStringLiteral("GET %1 %2: asking again in %3 s (try %4 of %5)")
                           .arg(result.url.toString(), outcome(result), seconds(*pause),
                                QString::number(m_try + 1), QString::number(tries()));
                m_before = std::move(result);
                m_pause.start(*pause);
                return;
            }
        }
        m_deadline.stop();
        if (m_try > 1)
            qCInfo(lcNetwork).noquote() << QStringLiteral("GET %1 at try %2 of %3 %4")
                                               .arg(result.url.toString(), QString::number(m_try),
                                                    QString::number(tries()), outcome(result));
        else if (!result.ok)
            qCInfo(lcNetwork).noquote() << "GET" << result.url.toString() << outcome(result);
        // Qt's reply ends from the event loop; the answer goes out at once.
        m_fetch->finishNow(result);
    }

    // The pause before the next try, or none when the request's budget or
    // time would not hold it (logged).
    std::optional<std::chrono::milliseconds> pauseBeforeRetry(const FetchResult& result, qint64 received)
    {
        const std::chrono::milliseconds pause = m_limits.retryPauses.at(m_try - 1);
        QString why;
        if (const TransferBudget* budget = m_options.budget.get()) {
            const qint64 room = budget->total() - budget->used();
            if (room <= 0 || room < received)
                why = QStringLiteral("the answers of this refresh have %1 of their %2 bytes left")
                          .arg(std::max<qint64>(room, 0))
                          .arg(budget->total());
        }
        // The whole bound's time left.
        if (why.isEmpty() && m_deadline.left() <= pause)
            why = QStringLiteral("a pause of %1 s would end past the request's bound of %2 seconds")
                      .arg(seconds(pause), seconds(m_limits.timeout));
        if (why.isEmpty())
            return pause;
        qCInfo(lcNetwork).noquote() << QStringLiteral("GET %1 %2: not asked again, %3")
                                           .arg(result.url.toString(), outcome(result), why);
        return std::nullopt;
    }

    // The whole bound ran out during a retry: the answer had before is
    // more telling than a try cut off.
    void keepAnswerBefore()
    {
        const int cut = m_pause.isActive() ? m_try + 1 : m_try;
        drop();
        qCInfo(lcNetwork).noquote()
            << QStringLiteral("GET %1: its bound of %2 seconds ran out before try %3 of %4 ended; the answer "
                              "before stands: %5")
                   .arg(m_before.url.toString(), seconds(m_limits.timeout), QString::number(cut),
                        QString::number(tries()), outcome(m_before));
        m_fetch->finishNow(std::exchange(m_before, {}));
    }

    void drop()
    {
        m_deadline.stop();
        m_headDeadline.stop();
        m_pause.stop();
        if (!m_reply)
            return;
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
            reply->disconnect(this);
            reply->deleteLater();
        }
    }

    FetchReply* m_fetch;
    const Send m_send;
    QPointer<QNetworkReply> m_reply;
    const NetworkLimits m_limits;
    const RequestOptions m_options;
    const QString m_proxy; // "host:port" of the proxy in use; empty: direct
    const Hold m_hold;
    Clock& m_clock;
    Alarm m_deadline; // the whole request, every try and pause
    Alarm m_headDeadline;
    Alarm m_pause;
    QByteArray m_body;
    QString m_reason;
    // The reason is the transfer's own (a bound), not Qt's.
    bool m_cutOff = false;
    bool m_began = false;
    QNetworkReply::NetworkError m_error = QNetworkReply::NoError;
    int m_try = 1;
    // The last try's result while the next waits its pause or runs.
    FetchResult m_before;
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

bool TransferBudget::take(qint64 bytes)
{
    if (bytes > m_total - m_used)
        return false;
    m_used += bytes;
    return true;
}

Network::Network(NetworkLimits limits, Clock* clock, QObject* parent)
    : QObject(parent), m_limits(limits), m_ownClock(clock ? nullptr : std::make_unique<SystemClock>()),
      m_clock(clock ? *clock : *m_ownClock)
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

void Network::useCache(const QString& directory, qint64 maximumBytes)
{
    auto* cache = new HttpCache(directory, maximumBytes, &m_manager);
    if (!cache->isUsable()) {
        delete cache;
        return;
    }
    m_manager.setCache(cache); // the manager owns it from here
    m_cache = cache;
}

Network::~Network()
{
    abortAll();
}

QString Network::proxyFor(const QUrl& url)
{
    QNetworkProxy proxy = m_manager.proxy();
    if (QNetworkProxyFactory* factory = m_manager.proxyFactory())
        proxy = factory->queryProxy(QNetworkProxyQuery(url)).value(0);
    if (proxy.type() == QNetworkProxy::NoProxy || proxy.type() == QNetworkProxy::DefaultProxy ||
        proxy.hostName().isEmpty())
        return {};
    return QStringLiteral("%1:%2").arg(proxy.hostName()).arg(proxy.port());
}

FetchReply* Network::get(const QUrl& url, const RequestOptions& options)
{
    auto* fetch = new FetchReply(this);
    const QString scheme = url.scheme();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        qCInfo(lcNetwork).noquote() << "no request made for" << url.toString();
        fetch->finish(FetchResult::failure(url, QStringLiteral("Invalid request address")));
        return fetch;
    }
    // Work that has taken in all it may gets nothing more: asking would only
    // make the server send what is then thrown away.
    if (options.budget && options.budget->used() >= options.budget->total()) {
        fetch->finish(FetchResult::failure(
            url, QStringLiteral("The answers of this refresh together are larger than %1 bytes")
                     .arg(options.budget->total())));
        return fetch;
    }
    if (options.timed) {
        const QDateTime until = heldUntil(hostOf(url));
        if (until.isValid()) {
            FetchResult held = FetchResult::failure(
                url, QStringLiteral("%1 asked for a pause until %2")
                         .arg(hostOf(url), until.toLocalTime().toString(QStringLiteral("HH:mm:ss"))));
            held.heldUntil = until;
            fetch->finish(held);
            return fetch;
        }
    }

    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(m_limits.maxRedirects);
    if (options.cached && m_cache) {
        if (!options.timed) {
            // Qt takes an entry still within its max-age without asking the
            // server; an entry marked expired is asked about with its
            // validators, which is what a refresh the user asks for wants.
            QNetworkCacheMetaData entry = m_cache->metaData(url);
            if (entry.isValid() && entry.expirationDate() > m_clock.wallTime()) {
                entry.setExpirationDate(m_clock.wallTime().addSecs(-1));
                m_cache->updateMetaData(entry);
            }
        }
        request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::PreferNetwork);
    } else {
        request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
        request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    }
    if (!m_userAgent.isEmpty())
        request.setHeader(QNetworkRequest::UserAgentHeader, m_userAgent);
    if (!options.accept.isEmpty())
        request.setRawHeader("Accept", options.accept);
    new Transfer(
        fetch, [this, request] { return m_manager.get(request); }, m_limits, options, proxyFor(url),
        [this](const QString& host, const QDateTime& until) { hold(host, until); }, m_clock);
    return fetch;
}

void Network::abortAll()
{
    for (FetchReply* fetch : findChildren<FetchReply*>(Qt::FindDirectChildrenOnly))
        fetch->abort();
}

void Network::hold(const QString& host, const QDateTime& until)
{
    qCInfo(lcNetwork).noquote() << host << "asked for a pause until" << until.toString(Qt::ISODate);
    m_holds.insert(host, until);
}

QDateTime Network::heldUntil(const QString& host) const
{
    const QDateTime until = m_holds.value(host);
    return until.isValid() && until > m_clock.wallTime() ? until : QDateTime();
}

QDateTime Network::retryAfter(const QByteArray& value, const QDateTime& now)
{
    // A server is trusted with a pause of an hour at most: a longer one, or
    // a date far off, would silence the program for the rest of the day.
    constexpr qint64 longest = 3600;
    const QByteArray text = value.trimmed();
    if (text.isEmpty())
        return {};
    bool number = false;
    const qint64 delay = text.toLongLong(&number);
    if (number)
        return delay > 0 ? now.addSecs(std::min(delay, longest)) : QDateTime();
    // Too many digits for a number of 64 bits: still a pause, and a long one.
    if (std::all_of(text.cbegin(), text.cend(), [](char c) { return c >= '0' && c <= '9'; }) &&
        text.count('0') < text.size())
        return now.addSecs(longest);
    // HTTP dates name their zone "GMT", which the RFC 2822 reader wants
    // as an offset.
    QString date822 = QString::fromLatin1(text);
    if (date822.endsWith(QLatin1StringView(" GMT")))
        date822.replace(date822.size() - 3, 3, QStringLiteral("+0000"));
    const QDateTime date = QDateTime::fromString(date822, Qt::RFC2822Date);
    if (!date.isValid() || date <= now)
        return {};
    return std::min(date.toUTC(), now.addSecs(longest));
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
