#include "WindowServices.h"

#include <QGuiApplication>
#include <QRegion>
#include <QScreen>
#include <QTextDocument>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <optional>
#include <qpa/qplatformnativeinterface.h>

namespace WindowServices {

QFont designFont(const QString& family, qreal points, bool bold)
{
    QFont font(family);
    // The windows show Latin text (any other script is still shaped) and
    // the font's own kerning still applies; skipping the full shaping pass
    // takes about a quarter off drawing a label, which a refresh does a
    // dozen times.
    font.setStyleHint(family.contains(QLatin1String("Courier")) ? QFont::Monospace : QFont::SansSerif,
                      QFont::PreferNoShaping);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

namespace {

// What the window system adds around the client area. A window not shown
// yet has none to tell; the program's windows share one decoration, so
// the frame of one that has been shown is the best guess at its own.
QMargins frameMargins(const QWidget* window)
{
    if (const QWindow* own = window->windowHandle(); own && !own->frameMargins().isNull())
        return own->frameMargins();
    if (window->windowFlags().testFlag(Qt::FramelessWindowHint))
        return {};
    const QWindowList windows = QGuiApplication::topLevelWindows();
    for (const QWindow* other : windows) {
        if (other->handle() && !other->frameMargins().isNull())
            return other->frameMargins();
    }
    return {};
}

// The top-left corner that puts `frame` inside `area` with the least
// move; a frame too large for the area keeps its top-left corner in it.
QPoint inside(const QRect& frame, const QRect& area)
{
    const int x = std::max(area.left(), std::min(frame.left(), area.right() + 1 - frame.width()));
    const int y = std::max(area.top(), std::min(frame.top(), area.bottom() + 1 - frame.height()));
    return {x, y};
}

} // namespace

void centreOnScreen(QWidget* window)
{
    const QScreen* screen = window->screen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    QRect frame(window->pos(), window->size().grownBy(frameMargins(window)));
    frame.moveCenter(area.center());
    window->move(inside(frame, area));
}

void fitOnScreen(QWidget* window)
{
    const QScreen* screen = window->screen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QMargins margins = frameMargins(window);
    const QSize size =
        window->size().boundedTo(area.size().shrunkBy(margins)).expandedTo(window->minimumSize());
    if (size != window->size())
        window->resize(size);
    const QRect frame(window->pos(), size.grownBy(margins));
    const QPoint position = inside(frame, area);
    if (position != frame.topLeft())
        window->move(position);
}

QPoint placeOnScreens(const QRect& frame, const QList<QRect>& areas)
{
    QRegion hidden(frame);
    for (const QRect& area : areas)
        hidden -= area;
    if (hidden.isEmpty() || areas.isEmpty())
        return frame.topLeft();

    QPoint best = frame.topLeft();
    qint64 bestDistance = -1;
    for (const QRect& area : areas) {
        const QPoint candidate = inside(frame, area);
        const QPoint move = candidate - frame.topLeft();
        const qint64 distance = qint64(move.x()) * move.x() + qint64(move.y()) * move.y();
        if (bestDistance < 0 || distance < bestDistance) {
            best = candidate;
            bestDistance = distance;
        }
    }
    return best;
}

QList<QRect> screenAreas()
{
    QList<QRect> areas;
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (const QScreen* screen : screens)
        areas.append(screen->availableGeometry());
    return areas;
}

QString plainToolTip(const QString& text, qsizetype maxLength)
{
    const QString cut = text.size() > maxLength ? text.left(maxLength) + QChar(0x2026) : text;
    // Text Qt would not take for markup is shown as it is already; the rest
    // is escaped, which Qt then shows as exactly these characters.
    return Qt::mightBeRichText(cut) ? Qt::convertFromPlainText(cut, Qt::WhiteSpaceNormal) : cut;
}

namespace {

// The X server time of the launch, which a startup id carries after
// "_TIME" (the freedesktop.org startup notification protocol).
std::optional<quint32> launchTime(const QByteArray& startupId)
{
    const qsizetype at = startupId.lastIndexOf("_TIME");
    if (at < 0)
        return std::nullopt;
    bool ok = false;
    const quint32 time = startupId.mid(at + 5).toUInt(&ok);
    return ok && time != 0 ? std::optional(time) : std::nullopt;
}

// Hands a launch's startup id to Qt's X11 plugin, through the functions
// its native interface offers for it (what QX11Info::setNextStartupId and
// setAppTime called in Qt 5). The plugin puts the id on the program's
// client leader window and ends the launch's feedback when a window is
// next shown; the launch's time makes the activation as recent as the
// user's click, so window managers that prevent focus stealing let it
// through.
void useStartupId(const QWidget* window, const QByteArray& startupId)
{
    QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
    if (!native)
        return;
    // The plugin hands out its functions under a common type.
    using SetStartupId = void (*)(const char*);
    if (const auto set = reinterpret_cast<SetStartupId>(reinterpret_cast<QFunctionPointer>(
            native->nativeResourceFunctionForIntegration(QByteArrayLiteral("setstartupid")))))
        set(startupId.constData());
    const std::optional<quint32> time = launchTime(startupId);
    if (!time || !window->screen())
        return;
    // Each moves the plugin's time forward only.
    using SetTime = void (*)(QScreen*, quint32);
    for (const QByteArray& name : {QByteArrayLiteral("setapptime"), QByteArrayLiteral("setappusertime")}) {
        if (const auto set = reinterpret_cast<SetTime>(
                reinterpret_cast<QFunctionPointer>(native->nativeResourceFunctionForScreen(name))))
            set(window->screen(), *time);
    }
}

} // namespace

void bringToFront(QWidget* window, const QByteArray& activationToken)
{
    const QString platform = QGuiApplication::platformName();
    const bool wayland = platform.startsWith(QLatin1String("wayland"));
    if (!activationToken.isEmpty() && platform == QLatin1String("xcb"))
        useStartupId(window, activationToken);
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    if (!wayland || activationToken.isEmpty()) {
        window->activateWindow();
        return;
    }
    // Qt's Wayland plugin (6.4) activates a window with the token it finds
    // in the environment and removes it from there; a compositor without
    // the activation protocol leaves it, and it must not outlive this
    // request.
    qputenv("XDG_ACTIVATION_TOKEN", activationToken);
    window->activateWindow();
    qunsetenv("XDG_ACTIVATION_TOKEN");
}

} // namespace WindowServices
