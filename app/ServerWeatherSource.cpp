#include "ServerWeatherSource.h"

#include "Network.h"
#include "PageAnswers.h"
#include "WeatherAddresses.h"

namespace {

RequestOptions optionsFor(const WeatherRequest& request)
{
    RequestOptions options;
    options.timed = request.timed;
    options.budget = request.budget;
    return options;
}

} // namespace

ServerWeatherSource::ServerWeatherSource(Network& network, ServerHosts hosts)
    : m_network(network), m_hosts(std::move(hosts))
{}

ConditionsReply* ServerWeatherSource::fetchConditions(const WeatherRequest& request)
{
    return relay<ConditionsAnswer>(
        m_network.get(WeatherAddresses::conditions(m_hosts.conditions, request.stationCode),
                      optionsFor(request)),
        &PageAnswers::conditions);
}

ForecastReply* ServerWeatherSource::fetchStateForecast(const WeatherRequest& request)
{
    return relay<ForecastAnswer>(
        m_network.get(WeatherAddresses::stateForecast(m_hosts.forecast, request.stateCode),
                      optionsFor(request)),
        &PageAnswers::stateForecast);
}
