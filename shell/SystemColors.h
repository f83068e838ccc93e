#pragma once

#include <QColor>
#include <QPalette>
#include <QtGlobal>

// Colour values as the settings keep them: 0x00BBGGRR for an RGB colour,
// or a system colour reference (high bit set, system colour index in the
// low byte) resolved through a palette.
namespace SystemColors {

inline constexpr quint32 referenceBit = 0x80000000u;

bool isReference(qint32 value);

// The palette role that stands for a system colour index; the window-text
// colour (8) maps to QPalette::WindowText.
QPalette::ColorRole roleForIndex(int index);

QColor toColor(qint32 value, const QPalette& palette);

// The value of an RGB colour (never a reference).
qint32 fromColor(const QColor& color);

// The smallest contrast ratio at which ordinary text counts as readable.
inline constexpr double minimumTextContrast = 4.5;

// Relative luminance of a colour, 0 for black to 1 for white, as the web's
// accessibility guidelines define it for sRGB.
double relativeLuminance(const QColor& color);

// The contrast ratio of two colours, from 1 (the same luminance) to 21
// (black and white); the order of the two does not matter.
double contrastRatio(const QColor& first, const QColor& second);

// `text` where it is readable on `background`; otherwise whichever of
// black and white contrasts more with the background.
QColor readableOn(const QColor& text, const QColor& background);

// The colour to draw text of the value `text` on a background of the value
// `background`, both as the settings keep them. A pair from one source (two
// references, which a desktop theme keeps readable together, or two fixed
// colours the user chose together) is drawn as it resolves; a pair that
// mixes a reference with a fixed colour can turn unreadable when the
// desktop's theme changes, and is drawn by readableOn(). The values
// themselves are never changed.
QColor textColor(qint32 text, qint32 background, const QPalette& palette);

} // namespace SystemColors
