#pragma once

#include <QByteArray>
#include <QString>

// The current-conditions page of a station, in the layout the program's
// extraction reads: after the title "Current Weather Conditions" the
// location on the fourth line below it, the observation time, and each
// value on the second line below its label, as the old servers wrote it and
// the sample server serves it.
namespace ConditionsPage {

// One observation as the page shows it. Each field is the exact text of
// the value's line on the page; an empty field gives an empty line.
struct Observation
{
    QString location;
    QString observed; // the observation time line
    QString wind;
    QString visibility;
    QString sky;
    QString temperature;
    QString dewPoint;
    QString humidity;
    QString pressure;
};

// The page, as Latin-1 text whose lines end in LF, or CR LF when `crlf` is
// set. `stateCode` ("co") names the state forecast the page links to.
// Characters that would read as markup are written as entities. A location
// or time line holding a word the program finds a value by (a location
// "Windsor Locks ..." holds "Wind") gets that word in upper case, so that
// every value is still found below its own label.
QByteArray render(const Observation& observation, const QString& stateCode, bool crlf);

// True when `text` holds one of the words the program finds a value by.
bool holdsValueLabel(const QString& text);

} // namespace ConditionsPage
