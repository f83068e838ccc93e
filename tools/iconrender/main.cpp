// Renders one SVG drawing, either square at a given size to a PNG (for the
// icon theme directories) or at a whole multiple of the drawing's own size
// to the program's own picture form (pictures compiled into the program
// ready to show, for ordinary and high-density screens). Runs during the build, so it must not need a
// display.

#include <QDataStream>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QSvgRenderer>
#include <QTextStream>

namespace {

QtMessageHandler defaultMessageHandler = nullptr;

void dropRuntimeDirNotice(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    // Build environments rarely have a runtime directory and rendering needs
    // none; without this the notice would fill every build log. Everything
    // else, such as complaints about the drawing, still gets through.
    if (message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR")))
        return;
    defaultMessageHandler(type, context, message);
}

int fail(const QString& message)
{
    QTextStream(stderr) << "ventaro-render-icon: " << message << '\n';
    return 1;
}

// The program's own picture form (see Resources.cpp): "VPIX", width and
// height as big-endian 32-bit numbers, then the premultiplied RGBA bytes
// row by row. Reading it needs neither an image decoder nor a search for
// image plugins.
bool writePixels(const QImage& image, const QString& output)
{
    const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    QSaveFile file(output);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QDataStream out(&file);
    out.setByteOrder(QDataStream::BigEndian);
    out.writeRawData("VPIX", 4);
    out << quint32(rgba.width()) << quint32(rgba.height());
    for (int y = 0; y < rgba.height(); ++y)
        out.writeRawData(reinterpret_cast<const char*>(rgba.constScanLine(y)), rgba.width() * 4);
    return out.status() == QDataStream::Ok && file.commit();
}

} // namespace

int main(int argc, char* argv[])
{
    // Build machines and CI runners have no display to connect to.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    defaultMessageHandler = qInstallMessageHandler(dropRuntimeDirNotice);
    QGuiApplication app(argc, argv);

    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 4)
        return fail(
            QStringLiteral("usage: ventaro-render-icon INPUT.svg SIZE|xSCALE OUTPUT.png|OUTPUT.pixels"));

    const QString input = args.at(1);
    const QString output = args.at(3);
    QSvgRenderer renderer(input);
    if (!renderer.isValid())
        return fail(QStringLiteral("cannot read the drawing '%1'").arg(input));

    QString sizeText = args.at(2);
    const bool scaled = sizeText.startsWith(QLatin1Char('x'));
    if (scaled)
        sizeText.remove(0, 1);
    bool sizeOk = false;
    const int number = sizeText.toInt(&sizeOk);
    QSize size;
    if (scaled && sizeOk && number >= 1 && number <= 8)
        size = renderer.defaultSize() * number;
    else if (!scaled && sizeOk && number >= 1 && number <= 4096)
        size = QSize(number, number);
    if (size.isEmpty() || size.width() > 4096 || size.height() > 4096)
        return fail(QStringLiteral("the size must be a whole number from 1 to 4096, or x1 to x8 times the "
                                   "drawing's own size, not '%1'")
                        .arg(args.at(2)));

    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        // A square icon made from a drawing that is not square keeps the
        // drawing's proportions rather than stretching it.
        renderer.setAspectRatioMode(Qt::KeepAspectRatio);
        renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    }

    // An all-transparent result means the drawing rendered as nothing,
    // which would install an invisible icon without anyone noticing.
    bool anyInk = false;
    for (int y = 0; y < image.height() && !anyInk; ++y)
        for (int x = 0; x < image.width() && !anyInk; ++x)
            anyInk = qAlpha(image.pixel(x, y)) != 0;
    if (!anyInk)
        return fail(QStringLiteral("the drawing '%1' rendered as an empty image").arg(input));

    if (output.endsWith(QLatin1String(".pixels")))
        return writePixels(image, output) ? 0 : fail(QStringLiteral("cannot write '%1'").arg(output));
    if (!image.save(output, "PNG"))
        return fail(QStringLiteral("cannot write '%1'").arg(output));
    return 0;
}
