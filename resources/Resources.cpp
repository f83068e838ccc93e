#include "Resources.h"

#include "ResourcePaths.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QIconEngine>
#include <QImage>
#include <QMap>
#include <QPainter>
#include <QPixmap>
#include <QResource>
#include <QSize>
#include <QSvgRenderer>
#include <QtEndian>
#include <array>
#include <cstdlib>
#include <cstring>
#include <iterator>

// Q_INIT_RESOURCE declares the initialiser at the enclosing namespace, and
// the generated one lives in the global namespace, so this function must too.
void initVentaroResources()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(resources);
        return true;
    }();
    (void)registered;
}

namespace {

// The disabled look: half as bright and half as opaque.
void greyOut(QImage& image)
{
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int alpha = qAlpha(line[x]) / 2;
            const int grey = qGray(line[x]) / 2;
            line[x] = qRgba(grey, grey, grey, alpha);
        }
    }
}

// Qt's own SVG icon engine keeps one file per mode and state and ignores the
// size given to addFile(), so a 16 pixel drawing added next to a 32 pixel one
// would never be shown. This engine keeps every drawing with its native size
// and renders each request from the one meant for it.
class SizedSvgIconEngine final : public QIconEngine
{
public:
    SizedSvgIconEngine() = default;

    void addFile(const QString& fileName, const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        if (mode != QIcon::Normal || state != QIcon::Off || size.isEmpty())
            return;
        // Only an existing drawing is kept; it is parsed when first shown,
        // which keeps the seven tray icons out of the program's start-up.
        if (QFile::exists(fileName))
            m_drawings.insert(qMax(size.width(), size.height()), fileName);
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        painter->drawPixmap(rect, pixmap((QSizeF(rect.size()) * ratio).toSize(), mode, state));
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        Q_UNUSED(state);
        const int side = qMin(size.width(), size.height());
        if (m_drawings.isEmpty() || side <= 0)
            return {};
        QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            QSvgRenderer(drawingFor(side)).render(&painter);
        }
        if (mode == QIcon::Disabled)
            greyOut(image);
        return QPixmap::fromImage(image);
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override
    {
        const int side = qMin(size.width(), size.height());
        return {side, side};
    }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        QList<QSize> sizes;
        for (int side : m_drawings.keys())
            sizes.append(QSize(side, side));
        return sizes;
    }

    bool isNull() override { return m_drawings.isEmpty(); }

    QString key() const override { return QStringLiteral("VentaroSizedSvg"); }

    QIconEngine* clone() const override { return new SizedSvgIconEngine(*this); }

private:
    SizedSvgIconEngine(const SizedSvgIconEngine& other) : QIconEngine(other), m_drawings(other.m_drawings) {}

    // A pixel drawing enlarged by a fraction looks uneven, while a larger
    // drawing shrunk a little stays smooth; so each request takes the
    // smallest drawing of at least 80 % of its size (the 16 pixel drawing
    // serves up to 20 px) and only beyond the largest one is it enlarged.
    QString drawingFor(int side) const
    {
        for (auto it = m_drawings.cbegin(); it != m_drawings.cend(); ++it) {
            if (it.key() * 5 >= side * 4)
                return it.value();
        }
        return m_drawings.last();
    }

    QMap<int, QString> m_drawings; // native size -> drawing
};

// A picture in the form the build's renderer writes: "VPIX", width and
// height as big-endian 32-bit numbers, then premultiplied RGBA rows. The
// resources holding them are stored uncompressed, so the rows are read in
// place in the program image, and only when the picture is first shown.
struct Rendering
{
    QSize size;
    const char* rows = nullptr;

    // Anything missing or malformed gives a rendering with no size.
    static Rendering find(const QString& path)
    {
        const QResource resource(path);
        if (!resource.isValid() || resource.compressionAlgorithm() != QResource::NoCompression)
            return {};
        const auto* data = reinterpret_cast<const char*>(resource.data());
        const qint64 length = resource.size();
        constexpr qint64 headerSize = 12;
        if (length < headerSize || std::memcmp(data, "VPIX", 4) != 0)
            return {};
        const quint32 width = qFromBigEndian<quint32>(data + 4);
        const quint32 height = qFromBigEndian<quint32>(data + 8);
        if (width == 0 || height == 0 || width > 4096 || height > 4096 ||
            length != headerSize + qint64(width) * qint64(height) * 4)
            return {};
        return {QSize(int(width), int(height)), data + headerSize};
    }

    QImage image() const
    {
        QImage copy(size, QImage::Format_RGBA8888_Premultiplied);
        const size_t row = size_t(size.width()) * 4;
        for (int y = 0; y < size.height(); ++y)
            std::memcpy(copy.scanLine(y), rows + size_t(y) * row, row);
        return copy.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }
};

// The words of a picture put in another ink: every pixel of the drawing's
// word colour, the blended edges included (there the colour is the same, only
// less opaque), takes the new one. Other colours keep theirs; only the
// faintest edge pixels, whose colour rounding has blurred, may go either way.
void reink(QImage& image, const QColor& ink)
{
    if (!ink.isValid())
        return;
    const QColor word = QColor::fromRgb(ResourcePaths::wordInk);
    constexpr int tolerance = 24;
    image.convertTo(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = line[x];
            if (qAlpha(pixel) == 0)
                continue;
            if (std::abs(qRed(pixel) - word.red()) <= tolerance &&
                std::abs(qGreen(pixel) - word.green()) <= tolerance &&
                std::abs(qBlue(pixel) - word.blue()) <= tolerance)
                line[x] = qRgba(ink.red(), ink.green(), ink.blue(), qAlpha(pixel));
        }
    }
    image.convertTo(QImage::Format_ARGB32_Premultiplied);
}

// A picture rendered ahead at its own size and at twice it. Each request
// takes the smallest rendering that needs no enlarging (else the largest)
// and shrinks it to fit; results are kept, since buttons ask again on every
// repaint.
class PrerenderedIconEngine final : public QIconEngine
{
public:
    PrerenderedIconEngine(std::array<Rendering, 2> renderings, const QColor& ink)
        : m_renderings(renderings), m_ink(ink)
    {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        const QPixmap shown = pixmap((QSizeF(rect.size()) * ratio).toSize(), mode, state);
        const QSizeF logical = QSizeF(shown.size()) / ratio;
        const QPointF topLeft(rect.x() + (rect.width() - logical.width()) / 2,
                              rect.y() + (rect.height() - logical.height()) / 2);
        painter->drawPixmap(QRectF(topLeft, logical), shown, QRectF(shown.rect()));
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override
    {
        const QSize fitted = actualSize(size, mode, QIcon::Off);
        if (fitted.isEmpty())
            return {};
        const quint64 key = (quint64(quint32(fitted.width())) << 32) |
                            (quint64(quint32(fitted.height())) << 1) | (mode == QIcon::Disabled ? 1 : 0);
        if (const auto kept = m_kept.constFind(key); kept != m_kept.cend())
            return *kept;
        const Rendering& source =
            fitted.width() > m_renderings[0].size.width() && !m_renderings[1].size.isEmpty()
                ? m_renderings[1]
                : m_renderings[0];
        QImage image = source.image();
        reink(image, m_ink);
        if (image.size() != fitted)
            image = image.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (mode == QIcon::Disabled)
            greyOut(image);
        const QPixmap result = QPixmap::fromImage(std::move(image));
        m_kept.insert(key, result);
        return result;
    }

    // The drawing's proportions fitted into the request.
    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override
    {
        return m_renderings[0].size.scaled(size, Qt::KeepAspectRatio);
    }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        QList<QSize> sizes;
        for (const Rendering& rendering : m_renderings) {
            if (!rendering.size.isEmpty())
                sizes.append(rendering.size);
        }
        return sizes;
    }

    bool isNull() override { return m_renderings[0].size.isEmpty(); }

    QString key() const override { return QStringLiteral("VentaroPrerendered"); }

    QIconEngine* clone() const override { return new PrerenderedIconEngine(m_renderings, m_ink); }

private:
    std::array<Rendering, 2> m_renderings; // own size, twice it
    QColor m_ink;                          // of the words; invalid: the drawing's own
    QHash<quint64, QPixmap> m_kept;
};

// The drawings go into the engine before it is wrapped: QIcon::addFile()
// would discard an engine that is still empty and fall back to Qt's own.
QIcon sizedIcon(const QString& base)
{
    auto* engine = new SizedSvgIconEngine;
    for (int size : {16, 32})
        engine->addFile(base + QStringLiteral("-%1.svg").arg(size), QSize(size, size), QIcon::Normal,
                        QIcon::Off);
    return QIcon(engine);
}

} // namespace

QIcon trayIcon(int index)
{
    if (index < 0 || index >= static_cast<int>(std::size(ResourcePaths::trayBase)))
        return {};
    initVentaroResources();
    return sizedIcon(ResourcePaths::trayBase[index]);
}

QIcon programIcon()
{
    initVentaroResources();
    auto* engine = new SizedSvgIconEngine;
    engine->addFile(ResourcePaths::windowIcon16, QSize(16, 16), QIcon::Normal, QIcon::Off);
    engine->addFile(ResourcePaths::windowIcon32, QSize(32, 32), QIcon::Normal, QIcon::Off);
    return QIcon(engine);
}

QIcon buttonPicture(const QString& drawing)
{
    return buttonPicture(drawing, QColor());
}

QIcon buttonPicture(const QString& drawing, const QColor& ink)
{
    initVentaroResources();
    const QString base = QStringLiteral(":/prerendered/") + QFileInfo(drawing).completeBaseName();
    const std::array<Rendering, 2> renderings{Rendering::find(base + QStringLiteral(".pixels")),
                                              Rendering::find(base + QStringLiteral("@2x.pixels"))};
    if (renderings[0].size.isEmpty())
        return QIcon(drawing);
    return QIcon(new PrerenderedIconEngine(renderings, ink));
}
