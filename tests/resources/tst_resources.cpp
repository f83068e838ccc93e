#include "resources/ResourcePaths.h"
#include "resources/Resources.h"

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTest>

class TestResources : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void buttonPictureMatchesItsDrawing_data();
    void buttonPictureMatchesItsDrawing();
    void buttonPictureFitsOtherSizes_data();
    void buttonPictureFitsOtherSizes();
    void disabledButtonPictureIsGreyedOut();
    void drawingWithoutRenderingStillLoads();
    void everyIconHasInk_data();
    void everyIconHasInk();
};

namespace {

QImage drawn(const QString& drawing, QSize size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QSvgRenderer renderer(drawing);
    renderer.setAspectRatioMode(Qt::KeepAspectRatio);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return image;
}

// How far two pictures differ, channel by channel: the largest difference
// at any pixel, and the mean over the whole picture (pictures scaled by
// different means differ at single edge pixels, so only the mean tells
// them apart). Pictures of different sizes differ by 256.
struct Difference
{
    int largest = 256;
    double mean = 256;
};

Difference difference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size() || a.isNull())
        return {};
    const QImage left = a.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage right = b.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    Difference found{0, 0};
    double sum = 0;
    for (int y = 0; y < left.height(); ++y) {
        for (int x = 0; x < left.width(); ++x) {
            const QRgb p = left.pixel(x, y);
            const QRgb q = right.pixel(x, y);
            for (const int channel : {std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                      std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))}) {
                found.largest = std::max(found.largest, channel);
                sum += channel;
            }
        }
    }
    found.mean = sum / (4.0 * left.width() * left.height());
    return found;
}

int inkedPixels(const QImage& image)
{
    int inked = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            inked += qAlpha(image.pixel(x, y)) != 0 ? 1 : 0;
    return inked;
}

} // namespace

void TestResources::initTestCase()
{
    initVentaroResources();
}

void TestResources::buttonPictureMatchesItsDrawing_data()
{
    QTest::addColumn<QString>("drawing");
    QTest::addColumn<int>("scale");
    const QList<std::pair<const char*, QString>> pictures{{"get forecast", ResourcePaths::getForecast},
                                                          {"exit", ResourcePaths::exitWord},
                                                          {"satellite dish", ResourcePaths::satelliteDish},
                                                          {"tools", ResourcePaths::tools}};
    for (const auto& [name, drawing] : pictures) {
        QTest::addRow("%s at its own size", name) << drawing << 1;
        QTest::addRow("%s on a double-density screen", name) << drawing << 2;
    }
}

// The renderings made at build time must show what the drawing shows,
// pixel for pixel up to rounding: a swapped colour channel, a lost alpha or
// a rendering of the wrong size would all show here.
void TestResources::buttonPictureMatchesItsDrawing()
{
    QFETCH(QString, drawing);
    QFETCH(int, scale);
    const QSize own = QSvgRenderer(drawing).defaultSize();
    const QIcon icon = buttonPicture(drawing);
    QCOMPARE(icon.availableSizes(), (QList<QSize>{own, own * 2}));

    const QPixmap shown = icon.pixmap(own, qreal(scale));
    QCOMPARE(shown.size(), own * scale);
    const QImage expected = drawn(drawing, own * scale);
    QVERIFY(inkedPixels(expected) > 0);
    const int largest = difference(shown.toImage(), expected).largest;
    QVERIFY2(largest <= 2, qPrintable(QStringLiteral("largest channel difference %1").arg(largest)));
}

void TestResources::buttonPictureFitsOtherSizes_data()
{
    QTest::addColumn<QSize>("requested");
    QTest::addColumn<QSize>("expected");
    // The Get Forecast picture is 210 x 40.
    QTest::newRow("smaller, same shape") << QSize(105, 20) << QSize(105, 20);
    QTest::newRow("between the renderings") << QSize(315, 60) << QSize(315, 60);
    QTest::newRow("beyond the larger rendering") << QSize(840, 160) << QSize(840, 160);
    QTest::newRow("square box keeps the shape") << QSize(100, 100) << QSize(100, 19);
    QTest::newRow("tall box keeps the shape") << QSize(42, 400) << QSize(42, 8);
}

void TestResources::buttonPictureFitsOtherSizes()
{
    QFETCH(QSize, requested);
    QFETCH(QSize, expected);
    const QIcon icon = buttonPicture(ResourcePaths::getForecast);
    QCOMPARE(icon.actualSize(requested), expected);
    const QPixmap shown = icon.pixmap(requested, 1.0);
    QCOMPARE(shown.size(), expected);
    // Scaled from a rendering, it resembles the drawing drawn at that size.
    const double mean = difference(shown.toImage(), drawn(ResourcePaths::getForecast, expected)).mean;
    QVERIFY2(mean < 8, qPrintable(QStringLiteral("mean channel difference %1").arg(mean)));
}

void TestResources::disabledButtonPictureIsGreyedOut()
{
    const QIcon icon = buttonPicture(ResourcePaths::satelliteDish);
    const QImage normal = icon.pixmap(QSize(32, 32), 1.0, QIcon::Normal).toImage();
    const QImage disabled = icon.pixmap(QSize(32, 32), 1.0, QIcon::Disabled).toImage();
    QCOMPARE(disabled.size(), normal.size());
    int coloured = 0;
    for (int y = 0; y < normal.height(); ++y) {
        for (int x = 0; x < normal.width(); ++x) {
            const QRgb n = normal.pixel(x, y);
            const QRgb d = disabled.pixel(x, y);
            QCOMPARE(qAlpha(d), qAlpha(n) / 2);
            QVERIFY(qRed(d) == qGreen(d) && qGreen(d) == qBlue(d));
            coloured += qRed(n) != qBlue(n) ? 1 : 0;
        }
    }
    QVERIFY2(coloured > 0, "the normal picture should have colour to lose");
}

void TestResources::drawingWithoutRenderingStillLoads()
{
    const QIcon icon = buttonPicture(ResourcePaths::logo);
    QVERIFY(!icon.isNull());
    QVERIFY(inkedPixels(icon.pixmap(QSize(64, 64), 1.0).toImage()) > 0);
}

void TestResources::everyIconHasInk_data()
{
    QTest::addColumn<int>("tray");
    QTest::addColumn<int>("side");
    for (int side : {16, 32}) {
        for (int index = 0; index < 7; ++index)
            QTest::addRow("tray icon %d at %d px", index, side) << index << side;
        QTest::addRow("program icon at %d px", side) << -1 << side;
    }
}

// The icons' drawings are parsed only when shown; a drawing that fails to
// parse would show as an empty square in the notification area.
void TestResources::everyIconHasInk()
{
    QFETCH(int, tray);
    QFETCH(int, side);
    const QIcon icon = tray < 0 ? programIcon() : trayIcon(tray);
    QVERIFY(!icon.isNull());
    const QImage shown = icon.pixmap(QSize(side, side), 1.0).toImage();
    QCOMPARE(shown.size(), QSize(side, side));
    QVERIFY(inkedPixels(shown) > side * side / 8);
}

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
