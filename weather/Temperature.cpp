#include "Temperature.h"

#include <QRegularExpression>
#include <cmath>

namespace Temperature {

std::optional<int> wholeFahrenheit(QStringView temperature)
{
    // The first number followed by F, a degree sign allowed between: the
    // pages put the Fahrenheit value first, but nothing here depends on it.
    static const QRegularExpression fahrenheit(QStringLiteral("(-?\\d+(?:\\.\\d+)?)\\s*\u00B0?\\s*F\\b"));
    const QRegularExpressionMatch match = fahrenheit.match(temperature.toString());
    if (!match.hasMatch())
        return std::nullopt;
    bool ok = false;
    const double value = match.captured(1).toDouble(&ok);
    // std::round takes halves away from zero.
    const double whole = std::round(value);
    if (!ok || !std::isfinite(whole) || std::abs(whole) >= 1000)
        return std::nullopt;
    return static_cast<int>(whole);
}

QString degreesText(int fahrenheit)
{
    return QString::number(fahrenheit) + QChar(0x00B0);
}

} // namespace Temperature
