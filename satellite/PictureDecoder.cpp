#include "PictureDecoder.h"

#include "PictureCost.h"

#include <QElapsedTimer>
#include <QIODevice>
#include <QImageReader>
#include <algorithm>
#include <cstring>

// How long each picture took is told only when asked for
// (QT_LOGGING_RULES="ventaro.satellite.debug=true").
Q_LOGGING_CATEGORY(lcSatellite, "ventaro.satellite", QtInfoMsg)

namespace {

// How much the JPEG decoder gets at one read: small enough that a
// cancelled decoding notices within a few scans even of the costliest
// picture let through (a scan header is ten bytes), large enough that the
// reads cost little beside the decoding (a quarter of a million for
// 16 MiB). The GIF and PNG decoders ask for a few kilobytes at a time,
// which they decode in well under a millisecond, and get what they ask:
// Qt's PNG reader cannot take a shorter read than it asked for.
constexpr qint64 jpegReadSize = 64;

// The picture's bytes, which stop the decoder once `cancelled` is set. A plain QIODevice rather than a
// QBuffer: Qt's JPEG reader takes a QBuffer's bytes directly and would never read here.
class CancellableSource : public QIODevice
{
public:
    CancellableSource(const QByteArray& bytes, PictureCost::Format format, const std::atomic_bool& cancelled)
        : m_bytes(bytes), m_format(format), m_cancelled(cancelled)
    {}

    qint64 size() const override { return m_bytes.size(); }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        if (m_cancelled.load(std::memory_order_relaxed))
            return endCancelled(data, maxSize);
        const qint64 most = m_format == PictureCost::Format::Jpeg ? std::min(maxSize, jpegReadSize) : maxSize;
        const qint64 count = std::min(most, m_bytes.size() - pos());
        if (count <= 0)
            return -1;
        std::memcpy(data, m_bytes.constData() + pos(), size_t(count));
        return count;
    }

    qint64 writeData(const char*, qint64) override { return -1; }

private:
    // The GIF and PNG readers give up at a failed read. The JPEG reader
    // takes one for the end of the data and would still turn every block
    // read so far into pixels; a second start of picture is an error that
    // ends it at once.
    qint64 endCancelled(char* data, qint64 maxSize)
    {
        if (m_format != PictureCost::Format::Jpeg || maxSize < 2)
            return -1;
        const qint64 count = std::min(maxSize, jpegReadSize) & ~qint64(1);
        for (qint64 n = 0; n < count; n += 2) {
            data[n] = char(0xFF);
            data[n + 1] = char(0xD8);
        }
        return count;
    }

    const QByteArray m_bytes;
    const PictureCost::Format m_format;
    const std::atomic_bool& m_cancelled;
};

} // namespace

namespace PictureDecoder {

DecodedPicture decode(const QByteArray& bytes, const std::atomic_bool& cancelled)
{
    QElapsedTimer clock;
    clock.start();
    const PictureCost cost = PictureCost::measure(bytes);
    const QString refusal = cost.refusal();
    if (!refusal.isEmpty()) {
        qCInfo(lcSatellite,
               "picture of %lld bytes refused after %lld ms: %lldx%lld, %d components, %s, "
               "%d scans, %d markers, %lld block visits, %d frames",
               qint64(bytes.size()), clock.elapsed(), cost.width, cost.height, cost.components,
               cost.progressive ? "progressive" : "sequential", cost.scans, cost.markers, cost.blockVisits,
               cost.frames);
        return {QImage(), refusal};
    }

    CancellableSource source(bytes, cost.format, cancelled);
    source.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    // The format is the one the walk found, so no other decoder is tried.
    QImageReader reader(&source, cost.formatName());
    reader.setAutoDetectImageFormat(false);
    QImage image;
    const bool read = reader.read(&image);
    if (cancelled)
        return {};
    if (!read)
        return {QImage(), QStringLiteral("The data received is not a picture that can be shown (%1).")
                              .arg(reader.errorString())};
    qCDebug(lcSatellite, "picture of %lld bytes decoded in %lld ms", qint64(bytes.size()), clock.elapsed());
    return {image, QString()};
}

} // namespace PictureDecoder
