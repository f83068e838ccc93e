#pragma once

#include <QString>
#include <QStringList>

// Which zone forecast products cover a state: the issuing locations of the
// weather forecast offices whose county warning areas reach into it, each
// as the service's text products name it ("BOU" for Denver/Boulder). Most
// are the office's own identifier; the Alaska offices issue under several
// (Anchorage: AER, ALU; Fairbanks: AFG, NSB, WCZ) and San Juan under PR.
namespace ForecastOffices {

// The locations for a state code of the station table ("co" gives BOU,
// GJT, PUB, GLD), the office that covers most of the state first; empty
// for any other code. The code is taken in any case; the Cancun entry's
// "co" is Colorado's, as the program reads it.
QStringList forState(const QString& stateCode);

// Every state code the table knows, in lower case.
QStringList states();

} // namespace ForecastOffices
