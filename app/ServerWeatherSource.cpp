#include "ServerWeatherSource.h"

#include "PageAnswers.h"
#include "live/ForecastOffices.h"
#include "net/Network.h"
#include "weather/WeatherAddresses.h"

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
    if (const std::optional<ForecastReading> outside = ForecastOffices::outsideTheArea(request.stationCode)) {
        auto* reply = new ForecastReply;
        reply->answer(ForecastAnswer::arrived(
            outside->text.size(), [reading = *outside](const std::atomic<bool>*) { return reading; }));
        return reply;
    }
    return relay<ForecastAnswer>(
        m_network.get(WeatherAddresses::stateForecast(m_hosts.forecast, request.stateCode),
                      optionsFor(request)),
        &PageAnswers::stateForecast);
}
