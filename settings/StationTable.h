#pragma once

#include <QString>
#include <QStringList>

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

// The last two characters of the text, lower-cased.
QString stateCode(const QString& text);

// The entry as the table words it today for a text that was a whole entry
// before its name was mended ("IPT         WILLIAMSPORT, VA" gives
// "IPT         WILLIAMSPORT, PA": Williamsport is in Pennsylvania); any
// other text as it is.
QString mended(const QString& text);

} // namespace StationTable
