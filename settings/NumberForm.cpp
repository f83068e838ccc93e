#include "NumberForm.h"

#include <QLocale>
#include <algorithm>
#include <cmath>
#include <limits>

namespace NumberForm {

double numericValue(const QString& text)
{
    qsizetype pos = 0;
    const qsizetype size = text.size();
    while (pos < size && text[pos] == QLatin1Char(' '))
        ++pos;
    const qsizetype start = pos;
    if (pos < size && text[pos] == QLatin1Char('-'))
        ++pos;
    qsizetype digits = 0;
    while (pos < size && text[pos].isDigit() && text[pos].unicode() < 128) {
        ++pos;
        ++digits;
    }
    if (pos < size && text[pos] == QLatin1Char('.')) {
        qsizetype fractionEnd = pos + 1;
        while (fractionEnd < size && text[fractionEnd].unicode() >= '0' && text[fractionEnd].unicode() <= '9')
            ++fractionEnd;
        digits += fractionEnd - pos - 1;
        if (fractionEnd > pos + 1)
            pos = fractionEnd;
    }
    if (digits == 0)
        return 0;
    // The C locale reads the point as the decimal separator whatever the
    // user's language, as the store's texts are written.
    bool ok = false;
    const QString number = text.mid(start, pos - start);
    const double value = QLocale::c().toDouble(number, &ok);
    if (ok)
        return value;
    // A well-formed number is unreadable only when it is out of range: too
    // large when its integer part has a non-zero digit, otherwise too small
    // to be told from zero.
    const bool negative = number.startsWith(QLatin1Char('-'));
    const QString integerPart = number.section(QLatin1Char('.'), 0, 0);
    const bool tooLarge = std::any_of(integerPart.cbegin(), integerPart.cend(),
                                      [](QChar c) { return c.unicode() >= '1' && c.unicode() <= '9'; });
    if (!tooLarge)
        return 0;
    return negative ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
}

qint16 toInt16(double value)
{
    const double rounded = std::nearbyint(value);
    if (std::isnan(rounded))
        return 0;
    if (rounded < std::numeric_limits<qint16>::min())
        return std::numeric_limits<qint16>::min();
    if (rounded > std::numeric_limits<qint16>::max())
        return std::numeric_limits<qint16>::max();
    return static_cast<qint16>(rounded);
}

qint32 toColour(double value)
{
    const double rounded = std::nearbyint(value);
    if (std::isnan(rounded) || rounded < std::numeric_limits<qint32>::min() ||
        rounded > std::numeric_limits<qint32>::max())
        return 0;
    return static_cast<qint32>(rounded);
}

QString numberToText(double value)
{
    if (value == 0 || std::isnan(value))
        return QStringLiteral(" 0");
    QString digits = QString::number(std::fabs(value), 'f', QLocale::FloatingPointShortest);
    return (value < 0 ? QStringLiteral("-") : QStringLiteral(" ")) + digits;
}

} // namespace NumberForm
