#pragma once

#include "weather/StateForecast.h"

#include <QString>
#include <QStringList>
#include <optional>

// Which zone forecast products cover a state: the issuing locations of the
// weather forecast offices whose county warning areas reach into it, each
// as the service's text products name it ("BOU" for Denver/Boulder). Most
// are the office's own identifier; the Alaska offices issue under several
// (Anchorage: AER, ALU; Fairbanks: AFG, NSB, WCZ).
namespace ForecastOffices {

// The locations for a state code of the station table ("co" gives BOU,
// GJT, PUB, GLD), the office that covers most of the state first; empty
// for any other code. The code is taken in any case; the Cancun entry's
// "co" is Colorado's, as the program reads it.
QStringList forState(const QString& stateCode);

// Every state code the table knows, in lower case.
QStringList states();

// The issuing locations of an office's zone forecasts ("BOU" gives BOU;
// Anchorage's "AFC" gives AER and ALU), the office itself for one the
// table does not name otherwise.
QStringList productLocations(const QString& office);

} // namespace ForecastOffices
