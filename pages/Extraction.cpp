#include "Extraction.h"

namespace Extraction {

namespace {

// The cuts work by fixed offsets around the markers; a marker too near the
// start leaves a negative length, which is reported rather than clamped.
const QString invalidCut = QStringLiteral("Invalid argument: a cut of negative length");

// Keeps the first `count` characters; a negative count is an invalid cut.
bool keepLeft(QString& text, qsizetype count)
{
    if (count < 0)
        return false;
    text.truncate(count);
    return true;
}

// Keeps the last `count` characters (the whole text when count exceeds its
// length); a negative count is an invalid cut.
bool keepRight(QString& text, qsizetype count)
{
    if (count < 0)
        return false;
    if (count < text.size())
        text.remove(0, text.size() - count);
    return true;
}

} // namespace

bool cutAtTitle(QString& page)
{
    const qsizetype found = page.indexOf(conditionsTitle, titleSearchStart - 1);
    if (found < 0)
        return false;
    page.remove(0, found);
    return true;
}

QString ExtractField(const QString& page, const QString& label, int lineNumber, bool trim)
{
    qsizetype start = 0;
    if (!label.isEmpty()) {
        start = page.indexOf(label);
        if (start < 0)
            return {};
    }
    qsizetype lineStart = start;
    qsizetype lineEnd = -1;
    for (int round = 0; round < lineNumber; ++round) {
        if (round > 0)
            lineStart = lineEnd + 1;
        lineEnd = page.indexOf(QLatin1Char('\n'), lineStart);
        if (lineEnd < 0)
            return {};
    }
    if (lineEnd < 0)
        return {};
    qsizetype valueStart = lineStart;
    if (trim) {
        while (valueStart < lineEnd && page[valueStart] == QLatin1Char(' '))
            ++valueStart;
    }
    return page.mid(valueStart, lineEnd - valueStart);
}

QString GetLocation(const QString& page)
{
    return ExtractField(page, QString(), 5, false);
}

QString GetTemperature(const QString& page)
{
    return ExtractField(page, QStringLiteral("Temperature"), 3, true);
}

QString GetHumidity(const QString& page)
{
    return ExtractField(page, QStringLiteral("Relative Humidity"), 3, true);
}

QString GetDewPoint(const QString& page)
{
    return ExtractField(page, QStringLiteral("Dew Point"), 3, true);
}

QString GetWind(const QString& page)
{
    return ExtractField(page, QStringLiteral("Wind"), 3, true);
}

QString GetPressure(const QString& page)
{
    return ExtractField(page, QStringLiteral("Pressure"), 3, true);
}

QString GetSkyConditions(const QString& page)
{
    return ExtractField(page, QStringLiteral("Sky conditions"), 3, true);
}

QString GetVisibility(const QString& page)
{
    return ExtractField(page, QStringLiteral("Visibility"), 3, true);
}

ForecastCut cutStateForecast(QString text)
{
    ForecastCut cut;
    const qsizetype year = text.indexOf(QStringLiteral("1998"));
    if (year >= 0) {
        const qsizetype p = year + 1;
        keepRight(text, text.size() - p + 30);
        const qsizetype c = text.indexOf(QLatin1Char('\r')) + 1;
        keepRight(text, text.size() - c);
    }
    for (const QString& marker : {QStringLiteral("NNNN"), QStringLiteral("$$")}) {
        const qsizetype found = text.indexOf(marker);
        if (found >= 0 && !keepLeft(text, found + 1 - 3)) {
            cut.error = invalidCut;
            return cut;
        }
    }
    if (!keepRight(text, text.size() - 1)) {
        cut.error = invalidCut;
        return cut;
    }
    cut.ok = true;
    cut.text = text;
    return cut;
}

} // namespace Extraction
