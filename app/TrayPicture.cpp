#include "TrayPicture.h"

#include "weather/Temperature.h"

#include <QColor>
#include <QFont>
#include <QHash>
#include <QIconEngine>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRegularExpression>
#include <QtGlobal>
#include <algorithm>
#include <cmath>

namespace TrayPicture {

namespace {

// Asked for a picture, an icon engine gets the logical size from Qt 6.8 on;
// before, the size is in device pixels already.
int logicalSide(const QSize& asked, qreal scale)
{
    const int side = std::min(asked.width(), asked.height());
#if QT_VERSION < QT_VERSION_CHECK(6, 8, 0)
    return std::max(1, qRound(side / scale));
#else
    return side;
#endif
}

int deviceSide(int logical, qreal scale)
{
    return std::max(1, qRound(logical * scale));
}

// An engine whose pictures are drawn on demand: the subclass draws a square
// of a logical side at a scale, in device pixels; this answers every way Qt
// and the notification areas ask. Pictures are kept, as an XEmbed tray asks
// again at each repaint.
class DrawnIconEngine : public QIconEngine
{
public:
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override
    {
        const qreal scale = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        const int side = std::min(rect.width(), rect.height());
        if (side <= 0)
            return;
        const QRect square(rect.x() + (rect.width() - side) / 2, rect.y() + (rect.height() - side) / 2, side,
                           side);
        painter->drawImage(square, picture(side, scale));
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode, QIcon::State) override
    {
        const int side = std::min(size.width(), size.height());
        return side > 0 ? QPixmap::fromImage(picture(side, 1.0)) : QPixmap();
    }

    QPixmap scaledPixmap(const QSize& size, QIcon::Mode, QIcon::State, qreal scale) override
    {
        if (std::min(size.width(), size.height()) <= 0)
            return {};
        QPixmap result = QPixmap::fromImage(picture(logicalSide(size, scale), scale));
        result.setDevicePixelRatio(scale);
        return result;
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override
    {
        const int side = std::min(size.width(), size.height());
        return {side, side};
    }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        QList<QSize> sizes;
        for (int side : offeredSizes)
            sizes.append(QSize(side, side));
        return sizes;
    }

    bool isNull() override { return false; }

protected:
    DrawnIconEngine() = default;
    DrawnIconEngine(const DrawnIconEngine& other) : QIconEngine(other) {}

    // A picture of `side` logical pixels at `scale`: its size is the device
    // size, its device pixel ratio `scale`.
    virtual QImage draw(int side, qreal scale) const = 0;

private:
    QImage picture(int side, qreal scale)
    {
        const quint64 key = (quint64(quint32(side)) << 32) | quint32(qRound(scale * 1000));
        if (const auto kept = m_kept.constFind(key); kept != m_kept.cend())
            return *kept;
        // A tray that is asked at ever new sizes (a panel being resized)
        // must not grow the store without end.
        if (m_kept.size() >= 32)
            m_kept.clear();
        const QImage drawn = draw(side, scale);
        m_kept.insert(key, drawn);
        return drawn;
    }

    QHash<quint64, QImage> m_kept;
};

QImage blankPicture(int side, qreal scale)
{
    const int device = deviceSide(side, scale);
    QImage image(device, device, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(scale);
    return image;
}

// The text's outline as a path, as tall as `box` allows, narrowed down to
// `narrowest` of its natural width before it is made smaller: narrow digits
// read better than small ones. Its ink, not its line height, fills the box,
// with the digits' top and bottom on whole pixels so that those edges stay
// sharp.
QPainterPath fittedText(const QString& text, const QRectF& box, Qt::Alignment alignment, qreal narrowest)
{
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(QFont::Bold);
    font.setPixelSize(100);
    QPainterPath path;
    path.addText(0, 0, font, text);
    const QRectF ink = path.boundingRect();
    if (ink.isEmpty() || box.isEmpty())
        return {};

    qreal height = std::floor(box.height());
    qreal width = ink.width() * height / ink.height();
    if (width > box.width()) {
        width = std::max(width * narrowest, box.width());
        if (width > box.width()) {
            height = std::floor(height * box.width() / width);
            width = box.width();
        }
    }
    width = std::min(width, box.width());
    height = std::max<qreal>(height, 1);

    qreal left = box.left() + (box.width() - width) / 2;
    if (alignment & Qt::AlignRight)
        left = box.right() - width;
    qreal top = std::floor(box.top() + (box.height() - height) / 2);
    if (alignment & Qt::AlignBottom)
        top = std::floor(box.bottom() - height);

    QTransform toBox;
    toBox.translate(left, top);
    toBox.scale(width / ink.width(), height / ink.height());
    toBox.translate(-ink.left(), -ink.top());
    return toBox.map(path);
}

class TemperatureEngine final : public DrawnIconEngine
{
public:
    TemperatureEngine(int fahrenheit, const QIcon& sky) : m_fahrenheit(fahrenheit), m_sky(sky) {}

    QString key() const override { return QStringLiteral("VentaroTrayTemperature"); }
    QIconEngine* clone() const override { return new TemperatureEngine(*this); }

protected:
    QImage draw(int side, qreal scale) const override
    {
        QImage image = blankPicture(side, scale);
        // Drawn in device pixels: the outline's width and the digits' edges
        // are counted in them.
        image.setDevicePixelRatio(1.0);
        const qreal device = image.width();
        const qreal outline = std::max<qreal>(1, qRound(device / 20));

        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);

        QPainterPath number;
        if (side < skyFromSize) {
            const QRectF box(outline, outline, device - 2 * outline, device - 2 * outline);
            number = fittedText(QString::number(m_fahrenheit), box, Qt::AlignCenter, 0.6);
        } else {
            // Below 32 px the number would shrink with its share; above,
            // the sky keeps its lower part (the rain, the snow) clear of it.
            const qreal share = side < 32 ? 0.55 : 0.5;
            const int skySide = qRound(device * share);
            if (!m_sky.isNull()) {
                const QPixmap sky = m_sky.pixmap(QSize(skySide, skySide), 1.0);
                painter.drawPixmap(QRect(0, 0, skySide, skySide), sky);
            }
            const qreal numberHeight = std::round(device * share);
            const QRectF box(outline, device - outline - numberHeight, device - 2 * outline, numberHeight);
            number = fittedText(Temperature::degreesText(m_fahrenheit), box, Qt::AlignRight | Qt::AlignBottom,
                                0.7);
        }
        // The outline is stroked on both sides of the glyphs' edge and the
        // fill then covers its inner half.
        painter.setPen(
            QPen(QColor::fromRgba(numberOutline), 2 * outline, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(number);
        painter.fillPath(number, QColor::fromRgba(numberFill));
        painter.end();

        image.setDevicePixelRatio(scale);
        return image;
    }

private:
    TemperatureEngine(const TemperatureEngine& other)
        : DrawnIconEngine(other), m_fahrenheit(other.m_fahrenheit), m_sky(other.m_sky)
    {}

    int m_fahrenheit;
    QIcon m_sky;
};

class BadgeEngine final : public DrawnIconEngine
{
public:
    explicit BadgeEngine(const QIcon& base) : m_base(base) {}

    QString key() const override { return QStringLiteral("VentaroTrayBadge"); }
    QIconEngine* clone() const override { return new BadgeEngine(*this); }

protected:
    QImage draw(int side, qreal scale) const override
    {
        QImage image = blankPicture(side, scale);
        image.setDevicePixelRatio(1.0);
        const int device = image.width();

        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        if (!m_base.isNull()) {
            // Asked at the logical size and scale, so that a picture drawn
            // here chooses its own layout as it would unbadged.
            const QPixmap base = m_base.pixmap(QSize(side, side), scale);
            painter.drawPixmap(QRect(0, 0, device, device), base, QRectF(base.rect()));
        }

        const qreal across = std::max(6.0, std::round(side / 3.0)) * scale;
        const qreal ring = std::max(1.0, std::round(across / 8));
        const QRectF disc(device - across, 0, across, across);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor::fromRgba(badgeRing));
        painter.drawEllipse(disc);
        painter.setBrush(QColor::fromRgba(badgeRed));
        painter.drawEllipse(disc.adjusted(ring, ring, -ring, -ring));
        painter.end();

        image.setDevicePixelRatio(scale);
        return image;
    }

private:
    BadgeEngine(const BadgeEngine& other) : DrawnIconEngine(other), m_base(other.m_base) {}

    QIcon m_base;
};

} // namespace

QIcon temperatureIcon(int fahrenheit, const QIcon& sky)
{
    return QIcon(new TemperatureEngine(fahrenheit, sky));
}

QIcon withWarningBadge(const QIcon& icon)
{
    return QIcon(new BadgeEngine(icon));
}

} // namespace TrayPicture
