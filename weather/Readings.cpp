#include "Conditions.h"
#include "Extraction.h"
#include "StateForecast.h"
#include "StripMarkup.h"
#include "WeatherTexts.h"

ConditionsReading readConditions(const QString& body, const std::atomic<bool>* cancelled)
{
    ConditionsReading reading;
    // A body without any markup is not a page at all.
    if (!body.contains(QLatin1Char('<'))) {
        reading.page = body;
        reading.problem = QStringLiteral("The page received holds no markup");
        return reading;
    }
    reading.page = StripMarkup(body, cancelled);
    if (!Extraction::cutAtTitle(reading.page)) {
        reading.problem = QStringLiteral("The page received is not a current-conditions page");
        return reading;
    }
    reading.received = true;
    Conditions& values = reading.values;
    values.location = Extraction::GetLocation(reading.page);
    values.temperature = Extraction::GetTemperature(reading.page);
    values.humidity = Extraction::GetHumidity(reading.page);
    values.dewPoint = Extraction::GetDewPoint(reading.page);
    values.pressure = Extraction::GetPressure(reading.page);
    values.wind = Extraction::GetWind(reading.page);
    values.visibility = Extraction::GetVisibility(reading.page);
    values.sky = Extraction::GetSkyConditions(reading.page);
    reading.skyChoice = SkyClasses::classify(values.sky);
    reading.observed = ObservationTime::fromPage(reading.page);
    return reading;
}

ForecastReading readStateForecast(const QString& body, const std::atomic<bool>* cancelled)
{
    ForecastReading reading;
    if (!body.contains(QLatin1Char('<'))) {
        reading.outcome = ForecastReading::Outcome::NotReceived;
        reading.text = WeatherTexts::forecastNotReceived;
        return reading;
    }
    const Extraction::ForecastCut cut = Extraction::cutStateForecast(StripMarkup(body, cancelled));
    if (!cut.ok) {
        reading.outcome = ForecastReading::Outcome::CutFailed;
        reading.text = WeatherTexts::forecastError(cut.error);
        return reading;
    }
    reading.outcome = ForecastReading::Outcome::Forecast;
    reading.text = cut.text;
    return reading;
}
