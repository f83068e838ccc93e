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

namespace {

// numericValue reads text without a number as 0 too; a switch kept as
// SysTray is must tell "0" from text that says nothing.
bool beginsWithNumber(const QString& text)
{
    const QString trimmed = text.trimmed();
    const QString digits = trimmed.startsWith(QLatin1Char('-')) ? trimmed.mid(1) : trimmed;
    return !digits.isEmpty() && (digits[0].isDigit() || (digits.startsWith(QLatin1Char('.')) &&
                                                         digits.size() > 1 && digits[1].isDigit()));
}

} // namespace

bool Settings::alertNotifyOn() const
{
    // Only a number written as one turns the notifications off.
    const QString text = get(SettingsKeys::AlertNotify);
    return !beginsWithNumber(text) || NumberForm::numericValue(text) != 0;
}

bool Settings::trayTemperatureOn() const
{
    const QString text = get(SettingsKeys::TrayTemperature);
    return beginsWithNumber(text) && NumberForm::numericValue(text) != 0;
}
