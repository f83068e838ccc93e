// ventaro-traysheet OUTPUT.png [ZOOM]
//
// The tray pictures the program draws, on a dark and on a light panel, at
// 16, 22 and 48 pixels and scale 1 and 2, with and without the warning
// mark, in one PNG. Each picture stands at its device size (a scale-2
// picture twice as large), the whole sheet enlarged ZOOM times (default 1)
// without smoothing, so that single pixels can be told apart.
#include "app/TrayPicture.h"
#include "resources/Resources.h"
#include "weather/SkyClasses.h"

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTextStream>
#include <array>

namespace {

struct Subject
{
    QString caption;
    QIcon icon;
};

struct Panel
{
    QString caption;
    QColor colour;
    QColor text;
};

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList arguments = QGuiApplication::arguments();
    QTextStream err(stderr);
    if (arguments.size() < 2 || arguments.size() > 3) {
        err << "usage: ventaro-traysheet OUTPUT.png [ZOOM]\n";
        return 2;
    }
    const int zoom = arguments.size() == 3 ? arguments[2].toInt() : 1;
    if (zoom < 1 || zoom > 16) {
        err << "ZOOM must be 1 to 16\n";
        return 2;
    }

    using namespace TrayPicture;
    const QList<Subject> subjects{
        {QStringLiteral("72, cloud"), temperatureIcon(72, trayIcon(SkyClasses::Cloud))},
        {QStringLiteral("-5, snow"), temperatureIcon(-5, trayIcon(SkyClasses::Snow))},
        {QStringLiteral("101, sun"), temperatureIcon(101, trayIcon(SkyClasses::ClearOrSun))},
        {QStringLiteral("-40, overcast"), temperatureIcon(-40, trayIcon(SkyClasses::Overcast))},
        {QStringLiteral("45, rain, mark"), withWarningBadge(temperatureIcon(45, trayIcon(SkyClasses::Rain)))},
        {QStringLiteral("thunder, mark"), withWarningBadge(trayIcon(SkyClasses::Thunder))},
        {QStringLiteral("sun, mark"), withWarningBadge(trayIcon(SkyClasses::ClearOrSun))},
        {QStringLiteral("rain"), trayIcon(SkyClasses::Rain)},
    };
    const std::array<Panel, 2> panels{
        {{QStringLiteral("dark panel #2b2b2b"), QColor(0x2b, 0x2b, 0x2b), Qt::white},
         {QStringLiteral("light panel #f0f0f0"), QColor(0xf0, 0xf0, 0xf0), Qt::black}}};
    const std::array<int, 3> sides{16, 22, 48};
    const std::array<qreal, 2> scales{1.0, 2.0};

    constexpr int captionWidth = 110;
    constexpr int cell = 104;
    constexpr int headerHeight = 18;
    const int columns = int(sides.size() * scales.size());
    const int blockHeight = headerHeight + int(subjects.size()) * cell;
    QImage sheet(captionWidth + columns * cell, int(panels.size()) * blockHeight, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    QFont font(QStringLiteral("Sans Serif"));
    font.setPixelSize(11);
    painter.setFont(font);

    for (size_t p = 0; p < panels.size(); ++p) {
        const Panel& panel = panels[p];
        const int top = int(p) * blockHeight;
        painter.fillRect(0, top, sheet.width(), blockHeight, panel.colour);
        painter.setPen(panel.text);
        painter.drawText(QRect(4, top, captionWidth, headerHeight), Qt::AlignVCenter, panel.caption);
        int column = 0;
        for (qreal scale : scales) {
            for (int side : sides) {
                painter.drawText(QRect(captionWidth + column * cell, top, cell, headerHeight),
                                 Qt::AlignCenter, QStringLiteral("%1 px @%2").arg(side).arg(scale));
                ++column;
            }
        }
        for (int row = 0; row < subjects.size(); ++row) {
            const int rowTop = top + headerHeight + row * cell;
            painter.drawText(QRect(4, rowTop, captionWidth, cell), Qt::AlignVCenter, subjects[row].caption);
            column = 0;
            for (qreal scale : scales) {
                for (int side : sides) {
                    QPixmap picture = subjects[row].icon.pixmap(QSize(side, side), scale);
                    // At its device size: one pixel of the sheet per pixel drawn.
                    picture.setDevicePixelRatio(1.0);
                    const QPoint at(captionWidth + column * cell + (cell - picture.width()) / 2,
                                    rowTop + (cell - picture.height()) / 2);
                    painter.drawPixmap(at, picture);
                    ++column;
                }
            }
        }
    }
    painter.end();

    const QImage shown =
        zoom == 1 ? sheet : sheet.scaled(sheet.size() * zoom, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    if (!shown.save(arguments[1])) {
        err << "cannot write " << arguments[1] << '\n';
        return 1;
    }
    return 0;
}
