#pragma once

#include <QString>
#include <QUrl>

// The addresses of the two weather pages on their servers. An address that
// could not be asked for safely comes out invalid, and then no request is
// made.
namespace WeatherAddresses {

// "/weather/current/K" + station code + ".html" on the conditions server.
QUrl conditions(const QString& host, const QString& stationCode);

// "/iwin/" + state code + "/state.html" on the forecast server.
QUrl stateForecast(const QString& host, const QString& stateCode);

// A code as it goes into a URL path: every character but letters, digits
// and "-._~" is percent-encoded, so no code can add a path separator, a
// query, a fragment or a line to the request.
QString pathSegment(const QString& code);

} // namespace WeatherAddresses
