#include "PictureViewer.h"

#include "PictureDecoder.h"
#include "net/Network.h"
#include "net/OffThread.h"
#include "shell/Twips.h"

#include <QCoreApplication>
#include <QPainter>
#include <algorithm>

namespace {

const QColor background(0x1e, 0x1e, 0x1e);
const QColor messageColour(0xdc, 0xdc, 0xdc);
constexpr int messageMarginTwips = 180;
// The reason may carry the server's own words (its reason phrase), of any
// length; the viewer shows a piece that fits a few lines.
constexpr qsizetype maxReason = 300;

} // namespace

PictureViewer::PictureViewer(Network& network, QWidget* parent) : QWidget(parent), m_network(network)
{
    // The whole area is painted every time, so Qt need not clear it first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The application waits for its workers when it ends; a decoding
    // stopped now keeps that wait short even while the viewer lives on.
    if (QCoreApplication* application = QCoreApplication::instance())
        connect(application, &QCoreApplication::aboutToQuit, this, &PictureViewer::cancelDecoding);
}

PictureViewer::~PictureViewer()
{
    // A load still running must not call back into a half-destroyed viewer.
    if (m_reply)
        m_reply->abort();
    cancelDecoding();
}

void PictureViewer::Navigate(const QString& url)
{
    if (m_reply)
        m_reply->abort();
    cancelDecoding();
    m_url = QUrl(url);
    FetchReply* reply = m_network.get(m_url);
    m_reply = reply;
    connect(reply, &FetchReply::finished, this, [this, reply](const FetchResult& result) {
        if (reply == m_reply)
            loaded(result);
    });
}

bool PictureViewer::Busy() const
{
    return m_reply != nullptr || m_decoding != nullptr;
}

void PictureViewer::setSizeTwips(int width, int height)
{
    resize(Twips::size(std::max(0, width), std::max(0, height)));
}

void PictureViewer::loaded(const FetchResult& result)
{
    m_reply = nullptr;
    QString reason;
    if (!result.ok) {
        reason = result.error;
    } else if (result.status < 200 || result.status >= 300) {
        // The status line is the clearest reason when the server gave one.
        const QString phrase = result.reasonPhrase.trimmed();
        reason = QStringLiteral("The server answered %1.")
                     .arg(phrase.isEmpty() ? QString::number(result.status)
                                           : QStringLiteral("%1 %2").arg(result.status).arg(phrase));
    }

    if (!reason.isEmpty()) {
        showFailure(reason);
        ended();
        return;
    }

    // Even a small picture may take long to decode, so none is decoded
    // here. The worker's result is dropped unless it is still the one
    // awaited.
    auto cancelled = std::make_shared<std::atomic_bool>(false);
    m_decoding = cancelled;
    OffThread::onWorker<DecodedPicture>(
        this, [body = result.body, cancelled] { return PictureDecoder::decode(body, *cancelled); },
        [this, cancelled](const DecodedPicture& picture) {
            if (cancelled == m_decoding)
                decoded(picture);
        });
}

void PictureViewer::decoded(const DecodedPicture& picture)
{
    m_decoding.reset();
    if (picture.image.isNull()) {
        showFailure(picture.failure);
    } else {
        m_picture = picture.image;
        m_failure.clear();
    }
    ended();
}

void PictureViewer::cancelDecoding()
{
    if (m_decoding)
        m_decoding->store(true);
    m_decoding.reset();
}

void PictureViewer::ended()
{
    update();
    // Last, because a receiver may start the next load or close the window.
    emit DownloadComplete();
}

void PictureViewer::showFailure(const QString& reason)
{
    m_picture = QImage();
    m_failure = QStringLiteral("The picture could not be loaded.\n") +
                (reason.size() > maxReason ? reason.left(maxReason) + QChar(0x2026) : reason);
}

void PictureViewer::paintEvent(QPaintEvent*)
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
