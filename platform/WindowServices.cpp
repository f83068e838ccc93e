#include "WindowServices.h"

#include <QScreen>
#include <QTextDocument>
#include <QWidget>

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

void centreOnScreen(QWidget* window)
{
    const QScreen* screen = window->screen();
    if (!screen)
        return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

QString plainToolTip(const QString& text, qsizetype maxLength)
{
    const QString cut = text.size() > maxLength ? text.left(maxLength) + QChar(0x2026) : text;
    // Text Qt would not take for markup is shown as it is already; the rest
    // is escaped, which Qt then shows as exactly these characters.
    return Qt::mightBeRichText(cut) ? Qt::convertFromPlainText(cut, Qt::WhiteSpaceNormal) : cut;
}

void bringToFront(QWidget* window)
{
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace WindowServices
