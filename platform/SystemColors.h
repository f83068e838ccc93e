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

} // namespace SystemColors
