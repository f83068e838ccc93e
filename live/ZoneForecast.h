#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>

// The state forecast page, composed from today's zone forecast products.
//
// A zone forecast product, as an office issues it:
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
//   Denver-
//   INCLUDING Denver
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
// is its header and a run of zone groups, each from its zone code line
// (UGC) to "$$". The program cuts a forecast page before the first "$$"
// and "NNNN" and drops its first character; so the page holds the header
// of the product the station's group comes from, that one group, and
// "NNNN", and the cut leaves the user that header and the station's zone
// forecast.
namespace ZoneForecast {

// The product text of a response body: the "productText" of the weather
// service's JSON answer for one product, or the body itself when it is not
// JSON (a plain text product). Empty for JSON without a product text, such
// as the service's "not found" problem answer.
QString productText(const QByteArray& body);

// The state forecast page for a station table entry ("DEN         DENVER,
// CO"), from the product texts of the offices that cover its state, in the
// order of ForecastOffices::forState (empty texts for products that could
// not be had).
//
// The station's names are the display name before its last comma, each
// part between slashes taken alone ("DALLAS/FT.WORTH" gives Dallas and Fort
// Worth; FT, ST, MT and JCT read as Fort, Saint, Mount and Junction), and a
// part ending in the entry's state abbreviation also without it
// ("WASHINGTON DC" gives Washington); case and punctuation do not count.
// The station's group is the first, in the products' order, that lists one
// of them as a city of its "INCLUDING ..." line; else the first whose city
// list holds one as whole words ("Taos Ski Valley"); else the first whose
// zone names do ("Western Pueblo County"). With none, the first group of the
// first product stands in: the office that covers most of the state.
//
// The page is Latin-1 HTML with the text in <PRE>, its lines ending in CR
// LF as text products have them, "<" written as "&lt;". Empty when no
// product holds a zone group; the program then reports that it received no
// forecast.
//
// A pure function of its arguments, safe on any thread; once `*cancelled`
// is true it may give up early with an empty page.
QByteArray statePage(const QStringList& products, const QString& stationEntry,
                     const std::atomic<bool>* cancelled = nullptr);

// The same, each office's product text read only when the search for the
// station's group comes to it: `product(i)` gives the text of the i-th of
// `count` offices.
QByteArray statePage(qsizetype count, const std::function<QString(qsizetype)>& product,
                     const QString& stationEntry, const std::atomic<bool>* cancelled = nullptr);

} // namespace ZoneForecast
