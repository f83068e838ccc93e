#include "ServerWeatherSource.h"

#include "PageAnswers.h"
#include "WeatherAddresses.h"
#include "net/Network.h"
#include "settings/StationTable.h"

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
    // The Cancun entry's state code reads as Colorado's: the old page would
    // give Colorado's forecast for a place in Mexico.
    if (const auto station = StationTable::station(request.stationCode); station && station->abroad()) {
        auto* reply = new ForecastReply;
        const ForecastReading outside = noForecastAbroad(station->name);
        reply->answer(ForecastAnswer::arrived([outside](const std::atomic<bool>*) { return outside; }));
        return reply;
    }
    return relay<ForecastAnswer>(
        m_network.get(WeatherAddresses::stateForecast(m_hosts.forecast, request.stateCode),
                      optionsFor(request)),
        &PageAnswers::stateForecast);
}
