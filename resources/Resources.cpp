#include "Resources.h"

#include "ResourcePaths.h"

#include <QFile>
#include <QIconEngine>
#include <QImage>
#include <QMap>
#include <QPainter>
#include <QPixmap>
#include <QSize>
#include <QSvgRenderer>
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
        if (QSvgRenderer(fileName).isValid())
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

    static void greyOut(QImage& image)
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

    QMap<int, QString> m_drawings; // native size -> drawing
};

// The drawings go into the engine before it is wrapped: QIcon::addFile()
// would discard an engine that is still empty and fall back to Qt's own.
QIcon sizedIcon(const QString& base)
{
    auto* engine = new SizedSvgIconEngine;
    for (int size : {16, 32}) {
        const QString path = base + QStringLiteral("-%1.svg").arg(size);
        if (QFile::exists(path))
            engine->addFile(path, QSize(size, size), QIcon::Normal, QIcon::Off);
    }
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
