#include "PageReadings.h"

#include "Extraction.h"
#include "StripMarkup.h"
#include "weather/WeatherTexts.h"

namespace PageReadings {

ConditionsPage conditions(const QString& body, const std::atomic<bool>* cancelled)
{
    ConditionsPage page;
    ConditionsReading& reading = page.reading;
    // A body without any markup is not a page at all.
    if (!body.contains(QLatin1Char('<'))) {
        page.text = body;
        reading.problem = QStringLiteral("The page received holds no markup");
        return page;
    }
    page.text = StripMarkup(body, cancelled);
    if (!Extraction::cutAtTitle(page.text)) {
        reading.problem = QStringLiteral("The page received is not a current-conditions page");
        return page;
    }
    reading.received = true;
    Conditions& values = reading.values;
    values.location = Extraction::GetLocation(page.text);
    values.temperature = Extraction::GetTemperature(page.text);
    values.humidity = Extraction::GetHumidity(page.text);
    values.dewPoint = Extraction::GetDewPoint(page.text);
    values.pressure = Extraction::GetPressure(page.text);
    values.wind = Extraction::GetWind(page.text);
    values.visibility = Extraction::GetVisibility(page.text);
    values.sky = Extraction::GetSkyConditions(page.text);
    reading.skyChoice = SkyClasses::classify(values.sky);
    reading.observed = ObservationTime::fromPage(page.text);
    return page;
}

ForecastReading stateForecast(const QString& body, const std::atomic<bool>* cancelled)
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

} // namespace PageReadings
