#include "ForecastText.h"

#include <QStringView>

namespace ForecastText {

QStringList pieces(const QString& forecast, qsizetype pieceLength, qsizetype maxLine)
{
    QStringList result;
    QString current;
    const auto take = [&](QStringView text, bool addLineEnd) {
        current += text;
        if (addLineEnd)
            current += QLatin1Char('\n');
        if (current.size() >= pieceLength) {
            result.append(current);
            current.clear();
        }
    };
    const qsizetype size = forecast.size();
    qsizetype lineStart = 0;
    while (lineStart < size) {
        const qsizetype lineFeed = forecast.indexOf(QLatin1Char('\n'), lineStart);
        const qsizetype lineEnd = lineFeed < 0 ? size : lineFeed + 1;
        qsizetype start = lineStart;
        // The line's text, its line feed aside, longer than the bound.
        while (lineEnd - start - (lineFeed < 0 ? 0 : 1) > maxLine) {
            // Looked for within the bound only, so a long line without a
            // blank costs no search back through the whole text.
            const qsizetype blank = QStringView(forecast).mid(start, maxLine).lastIndexOf(QLatin1Char(' '));
            const qsizetype cut = blank > 0 ? start + blank + 1 : start + maxLine;
            take(QStringView(forecast).mid(start, cut - start), true);
            start = cut;
        }
        take(QStringView(forecast).mid(start, lineEnd - start), false);
        lineStart = lineEnd;
    }
    if (!current.isEmpty())
        result.append(current);
    return result;
}

QString shownValue(const QString& value, qsizetype maxLength)
{
    if (value.size() <= maxLength)
        return value;
    return value.left(maxLength) + QChar(0x2026);
}

QString spokenValue(const QString& shown)
{
    QString spoken = shown;
    spoken.replace(QLatin1String("\r\n"), QLatin1String(" "));
    spoken.replace(QLatin1Char('\r'), QLatin1Char(' '));
    spoken.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return spoken.trimmed();
}

} // namespace ForecastText
