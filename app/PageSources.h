#pragma once

#include "WeatherSource.h"

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
    FetchReply* fetchConditions(const QString& stationCode) override
    {
        return m_conditions.fetchConditions(stationCode);
    }
    FetchReply* fetchStateForecast(const QString& stateCode, const QString& stationCode) override
    {
        return m_forecast.fetchStateForecast(stateCode, stationCode);
    }

private:
    WeatherSource& m_conditions;
    WeatherSource& m_forecast;
};
