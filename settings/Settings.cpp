#include "Settings.h"

#include "NumberForm.h"

double Settings::number(const QString& key) const
{
    return NumberForm::numericValue(get(key));
}

qint16 Settings::int16(const QString& key) const
{
    return NumberForm::toInt16(number(key));
}

qint32 Settings::colour(const QString& key) const
{
    return NumberForm::toColour(number(key));
}

bool Settings::alertNotifyOn() const
{
    const QString text = get(SettingsKeys::AlertNotify).trimmed();
    // numericValue reads text without a number as 0 too; only a number
    // written as one turns the notifications off.
    const QString digits = text.startsWith(QLatin1Char('-')) ? text.mid(1) : text;
    const bool number = !digits.isEmpty() &&
                        (digits[0].isDigit() ||
                         (digits.startsWith(QLatin1Char('.')) && digits.size() > 1 && digits[1].isDigit()));
    return !number || NumberForm::numericValue(text) != 0;
}
