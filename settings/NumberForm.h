#pragma once

#include <QString>
#include <QtGlobal>

// How numbers are read from and written to the settings store.
namespace NumberForm {

// The leading decimal number of a text: leading blanks skipped, one leading
// minus sign accepted, digits with an optional fraction, anything after the
// number ignored. A text that does not begin with a number gives 0.
double numericValue(const QString& text);

// Rounds half to even and clamps into -32768..32767, so an interval too
// large for the refresh counter becomes the nearest interval that fits.
qint16 toInt16(double value);

// Rounds half to even; a value outside the 32-bit signed range is no
// colour at all and gives 0 (black).
qint32 toColour(double value);

// A blank before zero and positive numbers, a minus sign before negative
// ones, no separators, a fraction only when there is one.
QString numberToText(double value);

} // namespace NumberForm
