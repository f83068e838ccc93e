#include "WeatherSources.h"

WeatherSources::WeatherSources(Network& network, ServerHosts hosts, SourceTemplates templates,
                               const QString& cacheFolder)
    : m_hosts(std::move(hosts)), m_servers(network, m_hosts),
      m_live(network, std::move(templates), cacheFolder),
      m_pages(m_hosts.conditions.isEmpty() ? static_cast<WeatherSource&>(m_live) : m_servers,
              m_hosts.forecast.isEmpty() ? static_cast<WeatherSource&>(m_live) : m_servers)
{}

QUrl WeatherSources::satellitePicture(const QString& path) const
{
    return m_hosts.satellite.isEmpty() ? m_live.pictureAddress(path)
                                       : ServerHosts::httpUrl(m_hosts.satellite, path);
}

bool WeatherSources::anyLive() const
{
    return m_hosts.conditions.isEmpty() || m_hosts.forecast.isEmpty() || m_hosts.satellite.isEmpty();
}

QStringList WeatherSources::directHosts() const
{
    QStringList hosts;
    for (const QString& host : {m_hosts.conditions, m_hosts.forecast, m_hosts.satellite}) {
        if (!host.isEmpty())
            hosts.append(host);
    }
    return hosts;
}
