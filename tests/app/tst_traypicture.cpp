#include "TestData.h"
#include "app/TrayPicture.h"
#include "weather/Temperature.h"
#include "live/ObservationReading.h"
#include "resources/Resources.h"
#include "shell/SystemColors.h"
#include "weather/SkyClasses.h"

#include <QImage>
#include <QPainter>
#include <QTest>
#include <algorithm>

namespace {

// The picture a tray of `side` logical pixels at `scale` gets, at its device
// size, laid on `panel` when one is given.
QImage picture(const QIcon& icon, int side, qreal scale, const QColor& panel = QColor())
{
    QImage drawn = icon.pixmap(QSize(side, side), scale).toImage();
    drawn.setDevicePixelRatio(1.0);
    QImage image(drawn.size(), QImage::Format_ARGB32);
    image.fill(panel.isValid() ? panel : QColor(Qt::transparent));
    QPainter painter(&image);
    painter.drawImage(0, 0, drawn);
    return image;
}

bool isRed(QRgb pixel)
{
    return qAlpha(pixel) == 255 && qRed(pixel) >= 180 && qGreen(pixel) <= 80 && qBlue(pixel) <= 80;
}

} // namespace

class TestTrayPicture : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { initVentaroResources(); }
    void wholeDegrees_data();
    void wholeDegrees();
    void drawnAtEachSize_data();
    void drawnAtEachSize();
};

void TestTrayPicture::wholeDegrees_data()
{
    QTest::addColumn<QString>("text");  // "KDEN.TXT": that live fixture's temperature as the window shows it
    QTest::addColumn<QString>("shown"); // empty: no number
    const auto row = [](const char* name, const char* text, const char* shown) {
        QTest::newRow(name) << QString::fromUtf8(text) << QString::fromUtf8(shown);
    };
    row("live layer, warm", "72.0 F (22.2 C)", "72°");
    row("live layer, below zero", "-5.0 F (-20.6 C)", "-5°");
    row("three digits", "101.0 F (38.3 C)", "101°");
    row("half rounds away from zero", "0.5 F (-17.5 C)", "1°");
    row("half below zero too", "-0.5 F (-18.1 C)", "-1°");
    row("just below zero is 0, not -0", "-0.4 F (-18.0 C)", "0°");
    row("old pages' form, blank first", " 45 F (7 C)", "45°");
    row("missing", "", "");
    row("words instead", "N/A", "");
    row("Celsius alone", "7 C", "");
    row("four digits, no thermometer's", "1000 F (538 C)", "");
    row("KDEN observation, 30.0 F", "KDEN.TXT", "30°");
    row("KPUB observation, 28.9 F", "KPUB.TXT", "29°");
}

void TestTrayPicture::wholeDegrees()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    if (text.endsWith(QLatin1String(".TXT"))) {
        const ConditionsReading reading = ObservationReading::read(
            TestData::page(QStringLiteral("live/observations/") + text), text.left(4));
        QVERIFY(reading.received);
        text = reading.values.temperature;
    }
    const std::optional<int> whole = Temperature::wholeFahrenheit(text);
    QCOMPARE(whole ? Temperature::degreesText(*whole) : QString(), shown);
}

void TestTrayPicture::drawnAtEachSize_data()
{
    QTest::addColumn<int>("degrees");
    QTest::addColumn<int>("side");
    QTest::addColumn<qreal>("scale");
    for (int degrees : {72, -5, 101}) {
        for (int side : {16, 22, 48}) {
            for (qreal scale : {1.0, 2.0})
                QTest::addRow("%d at %d px, scale %g", degrees, side, scale) << degrees << side << scale;
        }
    }
}

// Measured on the rendered pictures, as a user would see them.
void TestTrayPicture::drawnAtEachSize()
{
    QFETCH(int, degrees);
    QFETCH(int, side);
    QFETCH(qreal, scale);
    const int device = qRound(side * scale);
    const auto eachPixel = [device](const auto& look) {
        for (int y = 0; y < device; ++y) {
            for (int x = 0; x < device; ++x)
                look(x, y);
        }
    };
    const QIcon bare = TrayPicture::temperatureIcon(degrees, QIcon());
    QCOMPARE(bare.pixmap(QSize(side, side), scale).size(), QSize(device, device));
    // A StatusNotifierItem host is sent a picture of each available size;
    // an XEmbed tray paints the icon at its own size and scale instead.
    QCOMPARE(bare.availableSizes(), (QList<QSize>{{16, 16}, {22, 22}, {24, 24}, {32, 32}, {48, 48}}));
    QImage painted(device, device, QImage::Format_ARGB32);
    painted.fill(Qt::transparent);
    painted.setDevicePixelRatio(scale);
    QPainter painter(&painted);
    bare.paint(&painter, QRect(0, 0, side, side));
    painter.end();
    painted.setDevicePixelRatio(1.0);
    const QImage drawn = picture(bare, side, scale);
    QCOMPARE(painted, drawn);

    // On a dark and a light panel, the pixels standing out of it at 4.5:1
    // (the white digits, their dark outline) are many and span the number,
    // which fills three fifths of the height alone, two beside the sky; the
    // digits read on their outline.
    std::array<double, 2> median{};
    for (const QColor& panel : {QColor(0x2b, 0x2b, 0x2b), QColor(0xf0, 0xf0, 0xf0)}) {
        const QImage shown = picture(bare, side, scale, panel);
        QRect ink, standing;
        QList<double> luminances;
        eachPixel([&](int x, int y) {
            const QColor pixel = shown.pixelColor(x, y);
            ink |= pixel.rgb() != panel.rgb() ? QRect(x, y, 1, 1) : QRect();
            if (SystemColors::contrastRatio(pixel, panel) >= SystemColors::minimumTextContrast) {
                luminances.append(SystemColors::relativeLuminance(pixel));
                standing |= QRect(x, y, 1, 1);
            }
        });
        QVERIFY2(ink.height() * 5 >= device * (side < TrayPicture::skyFromSize ? 3 : 2),
                 qPrintable(panel.name()));
        QVERIFY2(luminances.size() * 6 >= ink.width() * ink.height(), qPrintable(panel.name()));
        QVERIFY2(standing.height() * 4 >= ink.height() * 3, qPrintable(panel.name()));
        std::sort(luminances.begin(), luminances.end());
        median[panel.lightness() > 128 ? 1 : 0] = luminances[luminances.size() / 2];
    }
    QVERIFY((median[0] + 0.05) / (median[1] + 0.05) >= SystemColors::minimumTextContrast);

    // The sky only where there is room, small in the top-left corner.
    const QIcon sunny = TrayPicture::temperatureIcon(degrees, trayIcon(SkyClasses::ClearOrSun));
    const QImage withSky = picture(sunny, side, scale);
    QRect sky;
    eachPixel(
        [&](int x, int y) { sky |= withSky.pixel(x, y) != drawn.pixel(x, y) ? QRect(x, y, 1, 1) : QRect(); });
    QCOMPARE(sky.isEmpty(), side < TrayPicture::skyFromSize);
    QVERIFY(QRect(0, 0, device * 3 / 5, device * 3 / 5).contains(sky) || sky.isEmpty());

    // The warning mark: red in the top-right corner of any tray icon, the
    // sky pictures' and this one's, and nothing else changed; none without.
    const QRect corner(device - device * 2 / 5, 0, device * 2 / 5, device * 2 / 5);
    for (const QIcon& icon : {sunny, trayIcon(SkyClasses::Rain), trayIcon(SkyClasses::StartUp)}) {
        const QImage without = picture(icon, side, scale);
        const QImage with = picture(TrayPicture::withWarningBadge(icon), side, scale);
        QCOMPARE(with.size(), QSize(device, device));
        int red = 0;
        int redWithout = 0;
        bool kept = true;
        eachPixel([&](int x, int y) {
            red += isRed(with.pixel(x, y)) ? 1 : 0;
            redWithout += isRed(without.pixel(x, y)) ? 1 : 0;
            kept = kept && (corner.contains(x, y) || with.pixel(x, y) == without.pixel(x, y));
        });
        QVERIFY(kept);
        QCOMPARE(redWithout, 0);
        QVERIFY2(red * 100 >= device * device, qPrintable(QString::number(red)));
    }
}

QTEST_MAIN(TestTrayPicture)
#include "tst_traypicture.moc"
