#include "WindowServices.h"

#include <QScreen>
#include <QWidget>

namespace WindowServices {

QFont designFont(const QString& family, qreal points, bool bold)
{
    QFont font(family);
    font.setStyleHint(family.contains(QLatin1String("Courier")) ? QFont::Monospace : QFont::SansSerif);
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

} // namespace WindowServices
