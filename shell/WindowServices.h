#pragma once

#include <QByteArray>
#include <QFont>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>

class QWidget;

// Small services every window of the program uses.
namespace WindowServices {

// A font of a designed family and point size. "Arial" and "Courier New"
// resolve to their metric-compatible free fonts where those are installed;
// the style hint keeps a fixed-pitch fallback for "Courier New".
QFont designFont(const QString& family, qreal points, bool bold = false);

// Moves a top-level window so that its frame is centred on the available
// area of its screen. A frame larger than the area keeps its top-left
// corner in it, so that the caption bar can still be reached.
void centreOnScreen(QWidget* window);

// Fits a top-level window's frame into the available area of its screen:
// a window larger than the area is made smaller, down to its minimum
// size, and moved inside it; a window that fits only moves where it hangs
// over an edge. Before the window is first shown its frame is not known
// yet, and that of another of the program's windows stands in for it.
void fitOnScreen(QWidget* window);

// Where a window's frame `frame` goes among screens whose free areas are
// `areas`. A frame the areas show whole (on one screen or across
// neighbouring ones) stays where it is; any other goes the least distance
// that brings it wholly onto one screen, the one nearest by that distance.
// A frame larger than a screen's area counts as wholly on it with its
// top-left corner there, so that its caption bar can still be reached.
// Without areas the frame stays.
QPoint placeOnScreens(const QRect& frame, const QList<QRect>& areas);

// The free areas (without panels and docks) of every screen.
QList<QRect> screenAreas();

// Outside text (a page's or a server's) as a tooltip shows it: as the
// characters they are, never as markup, and cut with an ellipsis past
// `maxLength` characters. Qt takes tooltip text for rich text whenever it
// merely looks like markup, which would let a page put pictures, links or
// a window-sized box on the screen.
QString plainToolTip(const QString& text, qsizetype maxLength = 500);

// Shows a top-level window that is already open, restored if minimised,
// above the others and with the keyboard focus. `activationToken` is the
// one another process was launched with and passed on (an
// XDG_ACTIVATION_TOKEN on Wayland, a DESKTOP_STARTUP_ID on X11): window
// systems that refuse to hand the focus to a program the user did not
// just turn to hand it over for that launch.
void bringToFront(QWidget* window, const QByteArray& activationToken = {});

} // namespace WindowServices
