#pragma once

#include <QString>

// The words the weather routines show: the status line's texts (each
// begins with two blanks) and the forecast box's failure texts, spelled as
// the program always has.
namespace WeatherTexts {

inline const QString idle = QStringLiteral("  Idle");
inline const QString attempting = QStringLiteral("  Attempting connection to ");
inline const QString parsingConditions = QStringLiteral("  Parsing current conditions data");
inline const QString parsingForecast = QStringLiteral("  Parsing forecast data");
inline const QString forecastNotReceived = QStringLiteral("Unable to recieve forecast");
inline const QString unavailable = QStringLiteral(" Unavailable");

// The forecast box's text for a failure with this description.
inline QString forecastError(const QString& description)
{
    return QStringLiteral("Error Recieving State Forecast Data\r\n\r\nError Description : ") + description;
}

} // namespace WeatherTexts
