// Renders one SVG drawing to a square PNG of a given size, for the icon
// theme directories. Runs during the build, so it must not need a display.

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
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

} // namespace

int main(int argc, char* argv[])
{
    // Build machines and CI runners have no display to connect to.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    defaultMessageHandler = qInstallMessageHandler(dropRuntimeDirNotice);
    QGuiApplication app(argc, argv);

    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 4)
        return fail(QStringLiteral("usage: ventaro-render-icon INPUT.svg SIZE OUTPUT.png"));

    const QString input = args.at(1);
    bool sizeOk = false;
    const int size = args.at(2).toInt(&sizeOk);
    const QString output = args.at(3);
    if (!sizeOk || size < 1 || size > 4096)
        return fail(QStringLiteral("size must be a whole number from 1 to 4096, not '%1'").arg(args.at(2)));

    QSvgRenderer renderer(input);
    if (!renderer.isValid())
        return fail(QStringLiteral("cannot read the drawing '%1'").arg(input));

    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        // The drawings are square; keeping the aspect ratio guards against a
        // future non-square one being stretched.
        renderer.setAspectRatioMode(Qt::KeepAspectRatio);
        renderer.render(&painter, QRectF(0, 0, size, size));
    }

    // An all-transparent result means the drawing rendered as nothing,
    // which would install an invisible icon without anyone noticing.
    bool anyInk = false;
    for (int y = 0; y < image.height() && !anyInk; ++y)
        for (int x = 0; x < image.width() && !anyInk; ++x)
            anyInk = qAlpha(image.pixel(x, y)) != 0;
    if (!anyInk)
        return fail(QStringLiteral("the drawing '%1' rendered as an empty image").arg(input));

    if (!image.save(output, "PNG"))
        return fail(QStringLiteral("cannot write '%1'").arg(output));
    return 0;
}
