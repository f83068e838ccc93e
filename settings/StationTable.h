#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The fixed table of observing stations, in table order. Each entry is the
// three-character station code, nine blanks and the display name
// ("DEN         DENVER, CO").
namespace StationTable {

inline constexpr int size = 555;

const QStringList& entries();

// Characters 1 to 3 of the text (fewer when it is shorter).
QString stationCode(const QString& text);

// The first entry whose station code is `code`; empty when none is.
QString entryOf(const QString& code);

// One station of the table, read out of its entry once, so that nothing
// outside the table takes the fixed-width entry apart.
struct Station
{
    QString code;  // "DEN"
    QString name;  // the display name: "DENVER, CO", "CANCUN, MEXICO"
    QString state; // the entry's state code as stored: "co" (also for CANCUN, MEXICO)

    // What follows the name's last comma: the state abbreviation ("CO"),
    // or a country ("MEXICO").
    QString region() const;
    // The entry names a place outside the United States and its
    // territories, which the US weather service does not forecast for.
    bool abroad() const { return region().size() != 2; }
};

// The station an entry's text names (its code, its name from the 13th
// character on, its last two characters as the state code).
Station fromEntry(const QString& text);

// The station of the first entry whose code is `code`; nothing when none is.
std::optional<Station> station(const QString& code);

// The last two characters of the text, lower-cased.
QString stateCode(const QString& text);

// The entry as the table words it today for a text that was a whole entry
// before its name was mended ("IPT         WILLIAMSPORT, VA" gives
// "IPT         WILLIAMSPORT, PA": Williamsport is in Pennsylvania); any
// other text as it is.
QString mended(const QString& text);

} // namespace StationTable
