#pragma once

#include "weather/WeatherSource.h"

// Each of the two pages from a source of its own: the conditions from one,
// the state forecast from the other (which may be the same).
class PageSources final : public WeatherSource
{
public:
    PageSources(WeatherSource& conditions, WeatherSource& forecast)
        : m_conditions(conditions), m_forecast(forecast)
    {}

    QString conditionsHost() const override { return m_conditions.conditionsHost(); }
    QString forecastHost() const override { return m_forecast.forecastHost(); }
    ConditionsReply* fetchConditions(const WeatherRequest& request) override
    {
        return m_conditions.fetchConditions(request);
    }
    ForecastReply* fetchStateForecast(const WeatherRequest& request) override
    {
        return m_forecast.fetchStateForecast(request);
    }
    // The alerts go with the forecast: where it comes from the live layer,
    // the station's zone is known there.
    AlertsReply* fetchAlerts(const WeatherRequest& request) override
    {
        return m_forecast.fetchAlerts(request);
    }

private:
    WeatherSource& m_conditions;
    WeatherSource& m_forecast;
};
