#pragma once

#include "Ugc.h"
#include "settings/StationTable.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <atomic>
#include <optional>

// The zone forecast product of a weather service office, as it issues it:
//
//   000
//   FPUS55 KBOU 071530
//   ZFPBOU
//
//   Zone Forecast Product for Colorado
//   National Weather Service Denver/Boulder CO
//   830 AM MST Mon Dec 7 2026
//
//   COZ039-080000-
//   City and County of Denver-
//   Including the city of Denver
//   830 AM MST Mon Dec 7 2026
//
//   .TODAY...Partly sunny. Highs in the mid 40s.
//   ...
//
//   $$
//
//   COZ040-080000-
//   ...
//
// The first three lines are the transmission's (sequence number, WMO
// heading, product identifier); then the product's heading, and a run of
// zone groups, each from its code line (see Ugc) to "$$".
namespace ZoneForecast {

struct Group
{
    QStringList lines;      // from the code line to the line before "$$"
    std::optional<Ugc> ugc; // nothing when the code line is malformed
    QString names;          // the zone names, normalised for matching
    QString cities;         // what follows "INCLUDING", normalised
    QStringList places;     // each city of that list alone, normalised
};

struct Product
{
    QStringList header; // the product's name, office and issue time
    QList<Group> groups;
};

// The product text of a response body: the "productText" of the weather
// service's JSON answer for one product, or the body itself when it is not
// JSON (a plain text product). Empty for JSON without a product text, such
// as the service's "not found" problem answer.
QString productText(const QByteArray& body);

// The product in `text` (lines ending in LF, CR LF or CR CR LF), without
// its transmission lines. Safe on any thread; once `*cancelled` is true it
// may give up early with an empty product.
Product parse(QString text, const std::atomic<bool>* cancelled = nullptr);

// The group whose code line names `zone` ("COZ039"); null when none does.
const Group* groupFor(const Product& product, QStringView zone);

// The names a station table entry ("DEN         DENVER, CO") may be
// forecast under, normalised: the display name before its last comma, each
// part between slashes taken alone ("DALLAS/FT.WORTH" gives Dallas and Fort
// Worth; FT, ST, MT and JCT read as Fort, Saint, Mount and Junction), and a
// part ending in the entry's state abbreviation also without it
// ("WASHINGTON DC" gives Washington); case and punctuation do not count.
QStringList cityNames(const StationTable::Station& station);

// The group that names the station when its zone is not known: the first
// that lists one of `names` as a city of its "INCLUDING ..." line; else the
// first whose city list holds one as whole words ("Taos Ski Valley"); else
// the first whose zone names do ("Western Pueblo County"). Null when none.
const Group* groupNamed(const Product& product, const QStringList& names);

// What the forecast box shows of a group: the product's heading, a blank
// line, and the group, lines ending in CR LF.
QString text(const Product& product, const Group& group);

} // namespace ZoneForecast
