#pragma once

#include <QString>

// The cutting rules applied to stripped page text. Positions in the
// comments are 1-based, as the rules are stated.
namespace Extraction {

inline const QString conditionsTitle = QStringLiteral("Current Weather Conditions");

// The title is looked for from this position on; an occurrence that begins
// earlier is not seen.
inline constexpr int titleSearchStart = 200;

// Cuts `page` to begin at the title. False (page unchanged) when the title
// does not begin at or after position 200.
bool cutAtTitle(QString& page);

// Line `lineNumber` of the text that starts at the first occurrence of
// `label` (or at the start of `page` for an empty label), where only LF
// ends a line; the value is that line without its LF, with leading blanks
// removed when `trim` is set. A missing label, or too few line ends, gives
// the empty text.
QString ExtractField(const QString& page, const QString& label, int lineNumber, bool trim);

// The eight extractors, each reading one value out of a page cut at its
// title: the location (line 5, leading blanks kept) and the seven labelled
// values (line 3 from the label's first occurrence, leading blanks
// removed).
QString GetLocation(const QString& page);
QString GetTemperature(const QString& page);
QString GetHumidity(const QString& page);
QString GetDewPoint(const QString& page);
QString GetWind(const QString& page);
QString GetPressure(const QString& page);
QString GetSkyConditions(const QString& page);
QString GetVisibility(const QString& page);

// The result of cutting a stripped state forecast page.
struct ForecastCut
{
    bool ok = false;
    QString text;  // the forecast when ok
    QString error; // description of the invalid cut otherwise
};

// The year, "NNNN" and "$$" cuts, then the first character dropped.
ForecastCut cutStateForecast(QString text);

} // namespace Extraction
