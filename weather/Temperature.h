#pragma once

#include <QString>
#include <QStringView>
#include <optional>

// A temperature as the program uses it beside the text the window shows.
namespace Temperature {

// The temperature the window shows, as the live layer words it ("30.0 F
// (-1.1 C)") or the old pages did ("45 F (7 C)"), in whole degrees
// Fahrenheit, halves rounded away from zero (0.5 gives 1, -0.5 gives -1).
// Nothing when the text holds no number followed by F (empty, "N/A", a
// value in Celsius alone) or one of four digits or more, which no
// thermometer in the table's places reads.
std::optional<int> wholeFahrenheit(QStringView temperature);

// The number as the icon shows it: "72°", "-5°", "101°".
QString degreesText(int fahrenheit);

} // namespace Temperature
