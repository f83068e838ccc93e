#include "QtPageViewer.h"

#include "QtHttpClient.h"
#include "Twips.h"

#include <QBuffer>
#include <QImageReader>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPainter>
#include <algorithm>

namespace {

const QColor background(0x1e, 0x1e, 0x1e);
const QColor messageColour(0xdc, 0xdc, 0xdc);
constexpr int messageMarginTwips = 180;

} // namespace

QtPageViewer::QtPageViewer(QWidget* parent, std::chrono::milliseconds timeout, qint64 maxBodyBytes)
    : QWidget(parent), m_timeout(timeout), m_maxBodyBytes(maxBodyBytes)
{
    m_manager.setProxy(QNetworkProxy::NoProxy);
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, &QtPageViewer::onDeadline);
    m_headDeadline.setSingleShot(true);
    m_headDeadline.setInterval(QtHttpClient::headTimeout);
    connect(&m_headDeadline, &QTimer::timeout, this, [this] {
        if (!m_reply)
            return;
        m_abortReason = QStringLiteral("The server's answer did not begin within %1 seconds.")
                            .arg(QtHttpClient::headTimeout.count() / 1000.0);
        m_reply->abort();
    });
    // The whole area is painted every time, so Qt need not clear it first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QtPageViewer::~QtPageViewer()
{
    // A load still running must not call back into a half-destroyed viewer.
    dropLoad();
}

void QtPageViewer::Navigate(const QString& url)
{
    dropLoad();
    m_url = QUrl(url);
    m_body.clear();
    m_abortReason.clear();

    QNetworkRequest request(m_url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(maxRedirects);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);

    QNetworkReply* reply = m_manager.get(request);
    reply->setReadBufferSize(QtHttpClient::readBufferBytes);
    m_reply = reply;
    // Qt reads an answer's head without a size bound; one that has not
    // ended well after the request went out is cut off.
    connect(reply, &QNetworkReply::requestSent, &m_headDeadline, qOverload<>(&QTimer::start));
    connect(reply, &QNetworkReply::metaDataChanged, &m_headDeadline, &QTimer::stop);
    connect(reply, &QNetworkReply::readyRead, this, &QtPageViewer::onReadyRead);
    connect(reply, &QNetworkReply::finished, this, &QtPageViewer::onFinished);
    m_deadline.start(m_timeout);

    // A reply refused on the spot may already be finished; its end is still
    // reported from the event loop so that callers never see the
    // notification before Navigate() has returned.
    if (reply->isFinished()) {
        QMetaObject::invokeMethod(
            this,
            [this, finished = QPointer<QNetworkReply>(reply)] {
                if (finished && finished == m_reply)
                    onFinished();
            },
            Qt::QueuedConnection);
    }
}

bool QtPageViewer::Busy() const
{
    return m_reply != nullptr;
}

void QtPageViewer::setSizeTwips(int width, int height)
{
    resize(Twips::size(std::max(0, width), std::max(0, height)));
}

void QtPageViewer::dropLoad()
{
    if (!m_reply)
        return;
    QNetworkReply* reply = m_reply;
    m_reply = nullptr;
    m_deadline.stop();
    m_headDeadline.stop();
    // Disconnected first: abort() emits finished() at once, and a dropped
    // load must leave neither a picture nor a notification behind.
    reply->disconnect(this);
    reply->abort();
    reply->deleteLater();
}

void QtPageViewer::onReadyRead()
{
    if (!m_reply)
        return;
    // Reading as the bytes arrive keeps memory bounded: a body past the
    // limit is refused instead of being buffered whole.
    m_body += m_reply->readAll();
    if (m_body.size() > m_maxBodyBytes) {
        m_abortReason = QStringLiteral("The picture is larger than %1 bytes.").arg(m_maxBodyBytes);
        m_reply->abort();
    }
}

void QtPageViewer::onDeadline()
{
    if (!m_reply)
        return;
    m_abortReason = QStringLiteral("No answer came within %1 seconds.").arg(m_timeout.count() / 1000.0);
    m_reply->abort();
}

QString QtPageViewer::transferFailure() const
{
    // The status line is the clearest reason when the server gave one; a
    // 3xx left over means a redirect that was not followed.
    const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid() && (status.toInt() < 200 || status.toInt() >= 300)) {
        const QString phrase =
            m_reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString().trimmed();
        const QString line = phrase.isEmpty() ? QString::number(status.toInt())
                                              : QStringLiteral("%1 %2").arg(status.toInt()).arg(phrase);
        return QStringLiteral("The server answered %1.").arg(line);
    }
    if (m_reply->error() != QNetworkReply::NoError)
        return m_reply->errorString();
    return {};
}

void QtPageViewer::onFinished()
{
    if (!m_reply)
        return;
    QNetworkReply* reply = m_reply;
    m_deadline.stop();
    m_headDeadline.stop();

    QString reason = m_abortReason;
    if (reason.isEmpty())
        reason = transferFailure();
    m_reply = nullptr;
    reply->disconnect(this);
    reply->deleteLater();

    QImage image;
    if (reason.isEmpty()) {
        m_body += reply->readAll();
        QBuffer buffer(&m_body);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        if (!reader.read(&image))
            reason = QStringLiteral("The data received is not a picture that can be shown (%1).")
                         .arg(reader.errorString());
    }
    m_body.clear();

    if (reason.isEmpty()) {
        m_picture = image;
        m_failure.clear();
    } else {
        showFailure(reason);
    }
    update();
    // Last, because a receiver may start the next load or close the window.
    emit DownloadComplete();
}

void QtPageViewer::showFailure(const QString& reason)
{
    // The reason may carry the server's own words (its reason phrase), of
    // any length; the viewer shows a piece that fits a few lines.
    constexpr qsizetype maxReason = 300;
    m_picture = QImage();
    m_failure = QStringLiteral("The picture could not be loaded.\n") +
                (reason.size() > maxReason ? reason.left(maxReason) + QChar(0x2026) : reason);
}

void QtPageViewer::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), background);

    if (!m_picture.isNull()) {
        const QSize fitted = m_picture.size().scaled(size(), Qt::KeepAspectRatio);
        if (fitted.isEmpty())
            return;
        const QRect target(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, m_picture);
        return;
    }

    if (!m_failure.isEmpty()) {
        const int margin = Twips::toPixels(messageMarginTwips);
        painter.setPen(messageColour);
        painter.drawText(rect().adjusted(margin, margin, -margin, -margin),
                         Qt::AlignCenter | Qt::TextWordWrap, m_failure);
    }
}
