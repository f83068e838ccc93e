#include "SatellitePictures.h"

#include "GifEncoder.h"

#include <QBuffer>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <array>
#include <cmath>

namespace SatellitePictures {

namespace {

enum class Channel
{
    Infrared,
    Visible,
    WaterVapour
};

struct View
{
    const char* code;
    double west;
    double east;
    double south;
    double north;
    const char* satellite;
    const char* title;
};

constexpr std::array<View, 3> views{{
    {"EC", -102.0, -62.0, 20.0, 50.0, "GOES-8", "EASTERN UNITED STATES"},
    {"WC", -135.0, -95.0, 22.0, 52.0, "GOES-10", "WESTERN UNITED STATES"},
    {"NH", -138.0, -58.0, 14.0, 59.0, "GOES-8", "UNITED STATES"},
}};

struct ChannelInfo
{
    const char* code;
    Channel channel;
    const char* name;
};

constexpr std::array<ChannelInfo, 3> channels{{
    {"IR", Channel::Infrared, "INFRARED CH4"},
    {"VS", Channel::Visible, "VISIBLE CH1"},
    {"WV", Channel::WaterVapour, "WATER VAPOR CH3"},
}};

// Coarse outlines in degrees (longitude, latitude). Good enough to tell
// the coasts at 640 by 480; nobody navigates by them.
// clang-format off
const std::vector<QPointF> northAmerica{
    {-141, 62}, {-141, 60}, {-136, 58}, {-132, 55}, {-130, 54}, {-127, 50.5}, {-124.7, 48.4}, {-124, 46},
    {-124.2, 43}, {-124.3, 40.5}, {-123.7, 39}, {-122.5, 37.5}, {-121.9, 36.5}, {-120.6, 34.6}, {-118.5, 34},
    {-117.1, 32.5}, {-116, 30.5}, {-114.2, 28}, {-112, 25.5}, {-110, 23}, {-109.5, 23.2}, {-110.3, 24.3},
    {-112.5, 29}, {-114.7, 31.6}, {-113, 31.2}, {-111, 28.5}, {-109, 26}, {-106, 23}, {-105.3, 20.5},
    {-103.5, 18.3}, {-98, 16}, {-94, 16.1}, {-92, 14.6}, {-88, 13.4}, {-86, 12}, {-83.8, 10}, {-83.5, 12},
    {-83.4, 15}, {-85.5, 15.9}, {-88.2, 16}, {-88.3, 18.5}, {-87.5, 21.5}, {-90.4, 21.1}, {-90.8, 19.3},
    {-94, 18.3}, {-96, 19.4}, {-97.6, 22}, {-97.5, 25.5}, {-97.3, 27.6}, {-95, 29.2}, {-93, 29.7}, {-91, 29.2},
    {-89.2, 29.1}, {-89.5, 30.2}, {-87.5, 30.3}, {-85.5, 29.9}, {-84, 30}, {-82.7, 28}, {-81.8, 26.1},
    {-81, 25.2}, {-80.2, 25.8}, {-80, 27}, {-80.6, 28.5}, {-81.4, 30.5}, {-80.8, 32}, {-79, 33.5},
    {-77, 34.6}, {-75.5, 35.3}, {-76, 37}, {-75, 38.5}, {-74, 40}, {-72, 41}, {-70, 41.6}, {-70.5, 42.5},
    {-70.7, 43}, {-69, 44}, {-67, 44.7}, {-66, 45}, {-64, 45.5}, {-61, 45.5}, {-60, 46.5}, {-55, 47},
    {-52.8, 47.5}, {-55, 52}, {-58, 54}, {-60, 55.5}, {-62, 58}, {-64, 60}, {-50, 62},
};
const std::vector<std::vector<QPointF>> greatLakes{
    {{-92.1, 46.7}, {-89.5, 48}, {-88.4, 48.3}, {-86.5, 48.6}, {-84.8, 47.9}, {-84.6, 46.5}, {-86.7, 46.4},
     {-88.1, 47.1}, {-90.4, 46.6}},
    {{-87.8, 41.6}, {-86.8, 41.7}, {-86.2, 43}, {-86.5, 44.4}, {-85.5, 45.6}, {-84.8, 45.8}, {-85.9, 45.9},
     {-87.1, 45.6}, {-87.6, 44.8}, {-87.9, 43.5}},
    {{-84.7, 45.9}, {-83.4, 46}, {-81.7, 45.9}, {-80.4, 45.5}, {-80.1, 44.6}, {-81.7, 44.9}, {-81.7, 43.9},
     {-82.4, 43}, {-82.9, 43.6}, {-83.9, 43.9}, {-83.4, 44.9}, {-84.5, 45.5}},
    {{-83.5, 41.7}, {-81.5, 41.6}, {-79.8, 42.2}, {-78.9, 42.8}, {-80.3, 42.6}, {-82.5, 42}, {-83.2, 42}},
    {{-79.8, 43.3}, {-78, 43.4}, {-76.3, 43.5}, {-76.1, 44.1}, {-77.5, 44}, {-79.3, 43.7}},
};
const std::vector<std::vector<QPointF>> borders{
    {{-123.3, 49}, {-95.2, 49}, {-95.2, 49.4}, {-89.6, 48}, {-84.5, 46.5}, {-82.4, 45.3}, {-82.5, 42.9},
     {-83.1, 42}, {-79, 42.6}, {-79, 43.3}, {-76.5, 44.2}, {-74.7, 45}, {-71.5, 45}, {-70.7, 45.4},
     {-69.2, 47.4}, {-67.8, 47.1}, {-67.8, 45.7}, {-67, 44.7}},
    {{-117.1, 32.5}, {-114.7, 32.7}, {-111, 31.3}, {-108.2, 31.3}, {-108.2, 31.8}, {-106.5, 31.8},
     {-104.5, 29.6}, {-103, 29}, {-101.4, 29.8}, {-99.5, 27.5}, {-97.2, 25.9}},
};
// clang-format on

// Value noise: a hashed lattice, smoothly interpolated. Deterministic, so
// every run draws the same weather.
double lattice(int x, int y, quint32 seed)
{
    quint32 h =
        static_cast<quint32>(x) * 374761393u + static_cast<quint32>(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return (h & 0xffffff) / static_cast<double>(0x1000000);
}

double valueNoise(double x, double y, quint32 seed)
{
    const double fx = std::floor(x);
    const double fy = std::floor(y);
    const int ix = static_cast<int>(fx);
    const int iy = static_cast<int>(fy);
    const auto smooth = [](double t) { return t * t * (3.0 - 2.0 * t); };
    const double tx = smooth(x - fx);
    const double ty = smooth(y - fy);
    const double top = lattice(ix, iy, seed) * (1 - tx) + lattice(ix + 1, iy, seed) * tx;
    const double bottom = lattice(ix, iy + 1, seed) * (1 - tx) + lattice(ix + 1, iy + 1, seed) * tx;
    return top * (1 - ty) + bottom * ty;
}

double fractalNoise(double x, double y, quint32 seed)
{
    double sum = 0;
    double amplitude = 0.5;
    double norm = 0;
    for (int octave = 0; octave < 5; ++octave) {
        sum += amplitude * valueNoise(x, y, seed + static_cast<quint32>(octave));
        norm += amplitude;
        amplitude *= 0.5;
        x *= 2.03;
        y *= 2.03;
    }
    return sum / norm;
}

struct Storm
{
    double lon;
    double lat;
    double radius; // degrees
    double strength;
};

// December 7: a deep low over the upper Great Lakes with its cold front
// trailing to Texas, and the next Pacific system nearing Oregon.
constexpr std::array<Storm, 2> storms{{{-86.0, 44.5, 7.0, 0.55}, {-131.0, 45.5, 6.0, 0.45}}};
constexpr QPointF frontStart{-86.0, 42.0};
constexpr QPointF frontEnd{-101.0, 27.0};

double distanceToSegment(QPointF p, QPointF a, QPointF b)
{
    const QPointF ab = b - a;
    const double t = std::clamp(QPointF::dotProduct(p - a, ab) / QPointF::dotProduct(ab, ab), 0.0, 1.0);
    const QPointF d = p - (a + t * ab);
    return std::hypot(d.x(), d.y());
}

struct Sky
{
    double cloud; // 0 clear to 1 thick
    double top;   // 0 low and warm to 1 high and cold
    double moisture;
};

Sky skyAt(double lon, double lat)
{
    double cloud = 0;
    double wx = lon;
    double wy = lat;
    for (const Storm& storm : storms) {
        // Spiral bands: the field is turned around the centre, more the
        // nearer it is, and thickened near the centre.
        const double dx = wx - storm.lon;
        const double dy = wy - storm.lat;
        const double r = std::hypot(dx, dy);
        const double turn = 2.6 * std::exp(-r / storm.radius);
        const double c = std::cos(turn);
        const double s = std::sin(turn);
        wx = storm.lon + dx * c - dy * s;
        wy = storm.lat + dx * s + dy * c;
        cloud += storm.strength * std::exp(-(r * r) / (storm.radius * storm.radius));
    }
    const double front = distanceToSegment({lon, lat}, frontStart, frontEnd);
    cloud += 0.45 * std::exp(-(front * front) / 3.0);
    const double texture = fractalNoise(wx * 0.28, wy * 0.28, 11);
    cloud = std::clamp((texture - 0.5) * 2.4 + cloud, 0.0, 1.0);
    const double top = std::clamp(cloud * (0.55 + 0.6 * fractalNoise(wx * 0.5, wy * 0.5, 23)), 0.0, 1.0);
    const double moisture =
        std::clamp(0.6 * cloud + 0.55 * fractalNoise(wx * 0.12, wy * 0.12, 37) - 0.12, 0.0, 1.0);
    return {cloud, top, moisture};
}

QRgb mix(QRgb a, QRgb b, double t)
{
    const auto channel = [t](int x, int y) { return static_cast<int>(std::lround(x + (y - x) * t)); };
    return qRgb(channel(qRed(a), qRed(b)), channel(qGreen(a), qGreen(b)), channel(qBlue(a), qBlue(b)));
}

// The enhancement of water vapour pictures: dry air dark brown, moist
// air through blue and green to white.
QRgb waterVapourColour(double moisture)
{
    struct Stop
    {
        double at;
        QRgb colour;
    };
    static const std::array<Stop, 6> stops{{{0.0, qRgb(28, 14, 2)},
                                            {0.3, qRgb(4, 32, 92)},
                                            {0.55, qRgb(18, 104, 188)},
                                            {0.75, qRgb(52, 182, 104)},
                                            {0.9, qRgb(200, 230, 210)},
                                            {1.0, qRgb(255, 255, 255)}}};
    for (std::size_t i = 1; i < stops.size(); ++i) {
        if (moisture <= stops[i].at) {
            const double t = (moisture - stops[i - 1].at) / (stops[i].at - stops[i - 1].at);
            return mix(stops[i - 1].colour, stops[i].colour, t);
        }
    }
    return stops.back().colour;
}

QRgb pixelColour(Channel channel, bool land, bool snowCover, double lat, const Sky& sky, double speckle)
{
    switch (channel) {
    case Channel::Infrared: {
        // Warm surfaces are dark, cold cloud tops bright.
        const double ground = land ? 48 + (lat - 14) * 1.6 : 30 + (lat - 14) * 1.2;
        const double cloudGrey = 110 + 145 * sky.top;
        const double grey = ground + (cloudGrey - ground) * std::pow(sky.cloud, 0.8);
        const int g = std::clamp(static_cast<int>(grey + speckle * 6), 0, 255);
        return qRgb(g, g, g);
    }
    case Channel::Visible: {
        QRgb ground = land ? qRgb(66, 70, 54) : qRgb(10, 16, 32);
        if (snowCover)
            ground = qRgb(150, 152, 158);
        const int white = std::clamp(static_cast<int>(200 + 55 * sky.cloud + speckle * 8), 0, 255);
        return mix(ground, qRgb(white, white, white), std::pow(sky.cloud, 0.7));
    }
    case Channel::WaterVapour:
        break;
    }
    return waterVapourColour(std::clamp(sky.moisture + speckle * 0.02, 0.0, 1.0));
}

QPolygonF projected(const std::vector<QPointF>& points, const View& view, QSizeF size)
{
    QPolygonF polygon;
    for (const QPointF& p : points) {
        polygon << QPointF((p.x() - view.west) / (view.east - view.west) * size.width(),
                           (view.north - p.y()) / (view.north - view.south) * size.height());
    }
    return polygon;
}

QImage draw(const View& view, const ChannelInfo& info)
{
    const QSizeF size(pictureSize);

    // Land and lakes drawn once as a mask, read per pixel below.
    QImage mask(pictureSize, QImage::Format_Grayscale8);
    mask.fill(0);
    {
        QPainter painter(&mask);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::white);
        painter.drawPolygon(projected(northAmerica, view, size));
        painter.setBrush(Qt::black);
        for (const auto& lake : greatLakes)
            painter.drawPolygon(projected(lake, view, size));
    }

    // The cloud field is smooth at the scale of a few pixels: it is worked
    // out on every second pixel and interpolated between.
    constexpr int step = 2;
    const int columns = pictureSize.width() / step + 2;
    const int rows = pictureSize.height() / step + 2;
    std::vector<Sky> field(static_cast<std::size_t>(columns * rows));
    const auto lonAt = [&](double x) { return view.west + x / size.width() * (view.east - view.west); };
    const auto latAt = [&](double y) { return view.north - y / size.height() * (view.north - view.south); };
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column)
            field[static_cast<std::size_t>(row * columns + column)] =
                skyAt(lonAt(column * step), latAt(row * step));
    }
    const auto skyNear = [&](double x, double y) {
        const int column = static_cast<int>(x) / step;
        const int row = static_cast<int>(y) / step;
        const double tx = (x - column * step) / step;
        const double ty = (y - row * step) / step;
        const auto at = [&](int c, int r) { return field[static_cast<std::size_t>(r * columns + c)]; };
        const auto blend = [&](auto member) {
            const double top = at(column, row).*member * (1 - tx) + at(column + 1, row).*member * tx;
            const double bottom =
                at(column, row + 1).*member * (1 - tx) + at(column + 1, row + 1).*member * tx;
            return top * (1 - ty) + bottom * ty;
        };
        return Sky{blend(&Sky::cloud), blend(&Sky::top), blend(&Sky::moisture)};
    };

    QImage image(pictureSize, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        const double lat = latAt(y + 0.5);
        const uchar* land = mask.constScanLine(y);
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const double lon = lonAt(x + 0.5);
            const double speckle = valueNoise(lon * 3.0, lat * 3.0, 51) - 0.5;
            const bool isLand = land[x] > 127;
            // Snow lies in the north, with a ragged southern edge; only
            // the visible channel shows it.
            const bool snowCover = isLand && info.channel == Channel::Visible &&
                                   lat > 44.0 + 5.0 * (fractalNoise(lon * 0.3, lat * 0.3, 61) - 0.5);
            line[x] = pixelColour(info.channel, isLand, snowCover, lat, skyNear(x + 0.5, y + 0.5), speckle);
        }
    }

    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor lineColour =
        info.channel == Channel::WaterVapour ? QColor(250, 250, 120) : QColor(255, 210, 0);

    painter.setPen(QPen(QColor(120, 120, 140, 110), 1, Qt::DotLine));
    for (int lon = static_cast<int>(std::ceil(view.west / 10)) * 10; lon <= view.east; lon += 10) {
        const double x = (lon - view.west) / (view.east - view.west) * size.width();
        painter.drawLine(QPointF(x, 0), QPointF(x, size.height()));
    }
    for (int lat = static_cast<int>(std::ceil(view.south / 10)) * 10; lat <= view.north; lat += 10) {
        const double y = (view.north - lat) / (view.north - view.south) * size.height();
        painter.drawLine(QPointF(0, y), QPointF(size.width(), y));
    }

    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(lineColour, 1.2));
    painter.drawPolygon(projected(northAmerica, view, size));
    for (const auto& lake : greatLakes)
        painter.drawPolygon(projected(lake, view, size));
    painter.setPen(QPen(lineColour, 1.0, Qt::DashLine));
    for (const auto& border : borders)
        painter.drawPolyline(projected(border, view, size));

    const QRectF band(0, size.height() - 22, size.width(), 22);
    painter.fillRect(band, QColor(0, 0, 0, 200));
    QFont font(QStringLiteral("Helvetica"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(13);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(band.adjusted(8, 0, -8, 0), Qt::AlignVCenter | Qt::AlignLeft,
                     QStringLiteral("%1  %2  07 DEC 98  1515 UTC")
                         .arg(QLatin1StringView(view.satellite), QLatin1StringView(info.name)));
    painter.drawText(band.adjusted(8, 0, -8, 0), Qt::AlignVCenter | Qt::AlignRight,
                     QLatin1StringView(view.title));
    painter.end();
    return image;
}

QByteArray jpeg(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 85);
    return bytes;
}

} // namespace

QStringList paths()
{
    QStringList result;
    for (const View& view : views) {
        for (const ChannelInfo& info : channels)
            result << QStringLiteral("/GIFS/%1%2.JPG")
                          .arg(QLatin1StringView(view.code), QLatin1StringView(info.code));
    }
    for (const View& view : views)
        result << QStringLiteral("/GIFS/%1WV.GIF").arg(QLatin1StringView(view.code));
    return result;
}

std::optional<Picture> find(const QString& path)
{
    static QHash<QString, Picture> cache;
    const auto cached = cache.constFind(path);
    if (cached != cache.constEnd())
        return *cached;

    for (const View& view : views) {
        for (const ChannelInfo& info : channels) {
            const QString stem =
                QStringLiteral("/GIFS/%1%2.").arg(QLatin1StringView(view.code), QLatin1StringView(info.code));
            const bool isJpeg = path == stem + QStringLiteral("JPG");
            const bool isGif = info.channel == Channel::WaterVapour && path == stem + QStringLiteral("GIF");
            if (!isJpeg && !isGif)
                continue;
            // The water vapour picture is served in two formats; it is
            // drawn once for both.
            static QHash<QString, QImage> drawn;
            auto image = drawn.constFind(stem);
            if (image == drawn.constEnd())
                image = drawn.insert(stem, draw(view, info));
            const Picture picture = isJpeg
                                        ? Picture{jpeg(*image), QByteArrayLiteral("image/jpeg")}
                                        : Picture{GifEncoder::encode(*image), QByteArrayLiteral("image/gif")};
            cache.insert(path, picture);
            return picture;
        }
    }
    return std::nullopt;
}

} // namespace SatellitePictures
