#pragma once

#include "ServerHosts.h"
#include "weather/WeatherSource.h"

class Network;

// The weather pages from the configured servers, at their own addresses,
// by plain HTTP: what the sample server and mirrors of the old pages serve.
// A station outside the weather service's area (the Cancun entry) is asked
// no state forecast: the box says there is none, as the live layer does.
class ServerWeatherSource final : public WeatherSource
{
public:
    ServerWeatherSource(Network& network, ServerHosts hosts);

    QString conditionsHost() const override { return m_hosts.conditions; }
    QString forecastHost() const override { return m_hosts.forecast; }
    ConditionsReply* fetchConditions(const WeatherRequest& request) override;
    ForecastReply* fetchStateForecast(const WeatherRequest& request) override;

private:
    Network& m_network;
    ServerHosts m_hosts;
};
