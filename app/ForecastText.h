#pragma once

#include <QString>
#include <QStringList>

// How a forecast goes into the forecast box.
namespace ForecastText {

// The box lays a line out as one paragraph, and the cost of that grows
// much faster than the line; a line longer than this is shown broken into
// lines of at most this many characters.
inline constexpr qsizetype maxLineLength = 2000;

// The size of the pieces the box is filled with, so that the window can
// answer input between pieces of a large forecast.
inline constexpr qsizetype pieceSize = 4096;

// The forecast in pieces of about `pieceSize` characters, each ending at a
// line end or at the end of the text; joined, they are the forecast itself
// with a line end added wherever a line had to be broken: after its last
// blank within `maxLineLength` characters, or at that length when there is
// none. Empty for an empty forecast.
QStringList pieces(const QString& forecast, qsizetype pieceLength = pieceSize,
                   qsizetype maxLine = maxLineLength);

// A value as a one-line label shows it: a label is a hundred characters
// wide, and laying out megabytes of one would stall the window, so a value
// longer than `maxLength` is cut there and ends in an ellipsis.
inline constexpr qsizetype maxValueLength = 1000;
QString shownValue(const QString& value, qsizetype maxLength = maxValueLength);

// A label's text as a screen reader should speak it: without the blanks
// that lead values and status texts, and with the page's line ends (a
// carriage return left at a value's end) taken out, a line end inside it
// read as a blank.
QString spokenValue(const QString& shown);

} // namespace ForecastText
