#include "ServerWeatherSource.h"

#include "Network.h"
#include "WeatherAddresses.h"

ServerWeatherSource::ServerWeatherSource(Network& network, ServerHosts hosts)
    : m_network(network), m_hosts(std::move(hosts))
{}

FetchReply* ServerWeatherSource::fetchConditions(const QString& stationCode)
{
    return m_network.get(WeatherAddresses::conditions(m_hosts.conditions, stationCode));
}

FetchReply* ServerWeatherSource::fetchStateForecast(const QString& stateCode, const QString&)
{
    return m_network.get(WeatherAddresses::stateForecast(m_hosts.forecast, stateCode));
}
