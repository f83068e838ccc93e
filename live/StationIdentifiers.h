#pragma once

#include <QString>

// The four-letter identifier under which the weather service publishes a
// station's observations, for the three-character code of a station table
// entry. The program builds its page address from "K" and the code, which
// is the identifier of most stations of the contiguous United States; the
// stations in Alaska (PA..), Hawaii (PH..), Puerto Rico (TJ..) and Mexico
// (MM..) carry other identifiers, and a few entries name stations that
// report under another identifier today (E23, Taos: KSKX; PVV, Provo:
// KPVU). The exceptions are a table of this layer; the program's own
// address rule stays as it is.
//
// Four entries name stations that no longer report at all (Hanford, WA;
// Monticello, NY; Toledo, WA; Utica, NY): each is given the nearest
// station that does, and says so (observedAt).
namespace StationIdentifiers {

// The identifier for `stationCode` ("DEN" gives "KDEN", "ANC" gives
// "PANC", "UCA" gives Griffiss's "KRME"). A code outside the table of
// exceptions, a typed one included, gets "K" and the code in upper case.
QString icaoFor(const QString& stationCode);

// For a code whose own station no longer reports, which station observes
// in its place and how far that is from the former station, for a reader
// ("Observed at Griffiss International Airport (KRME), 9 km from Utica's
// former station", the great-circle distance to the nearest kilometre);
// empty for every other code, in any case as typed.
QString observedAt(const QString& stationCode);

} // namespace StationIdentifiers
