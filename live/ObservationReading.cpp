#include "ObservationReading.h"

#include "DecodedObservation.h"

namespace ObservationReading {

namespace {

// The decoder adds remarks of the report to its weather: snow depth ("N
// inches of snow on ground") and what the observer saw ("... observed").
bool isRemark(QStringView item)
{
    return item.endsWith(u"snow on ground", Qt::CaseInsensitive) ||
           item.endsWith(u"observed", Qt::CaseInsensitive);
}

QString joined(const QStringList& parts)
{
    QStringList present;
    for (const QString& part : parts) {
        if (!part.isEmpty())
            present.append(part);
    }
    return present.join(QStringLiteral("; "));
}

} // namespace

ConditionsReading read(QStringView text, const QString& station)
{
    ConditionsReading reading;
    const std::optional<DecodedObservation> decoded = DecodedObservation::parse(text);
    if (!decoded) {
        reading.problem =
            QStringLiteral("The weather service's answer for %1 is not an observation").arg(station);
        return reading;
    }
    QStringList weather;
    QStringList remarks;
    for (const QString& item : decoded->weather.split(QStringLiteral("; "), Qt::SkipEmptyParts))
        (isRemark(item) ? remarks : weather).append(item.trimmed());

    reading.received = true;
    Conditions& values = reading.values;
    values.location = decoded->location;
    values.temperature = decoded->temperature;
    values.humidity = decoded->humidity;
    values.dewPoint = decoded->dewPoint;
    values.pressure = decoded->pressure;
    values.wind = decoded->wind;
    values.visibility = decoded->visibility;
    values.sky = joined({decoded->sky, weather.join(QStringLiteral("; "))});
    reading.skyChoice = SkyClasses::classify(values.sky);
    reading.observed = ObservationTime::fromLine(decoded->observed);
    reading.skyRemarks = remarks.join(QStringLiteral("; "));
    const QString feels = decoded->windchill.isEmpty() ? decoded->heatIndex : decoded->windchill;
    if (!feels.isEmpty())
        reading.feelsLike = QStringLiteral("Feels like ") + feels;
    return reading;
}

} // namespace ObservationReading
