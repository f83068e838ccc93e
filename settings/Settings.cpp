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
