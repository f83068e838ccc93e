#pragma once

#include "PageSources.h"
#include "live/LiveWeatherSource.h"
#include "pages/ServerHosts.h"
#include "pages/ServerWeatherSource.h"

#include <QStringList>
#include <QUrl>

class Network;

// Where each page and picture comes from, as configured: from the host
// set for it, by plain HTTP at its old address, or, with no host set, from
// the live layer, which makes it from today's weather service products.
class WeatherSources
{
public:
    // `cacheFolder`: where the live layer keeps what it learnt of the
    // stations between runs; empty: nothing is kept.
    WeatherSources(Network& network, ServerHosts hosts, SourceTemplates templates,
                   const QString& cacheFolder = {});

    // The two pages, each from its own source.
    WeatherSource& pages() { return m_pages; }

    // The address of a satellite picture by the viewer's path.
    QUrl satellitePicture(const QString& path) const;

    // Whether anything comes from the live layer, and so over HTTPS
    // through the system's proxies.
    bool anyLive() const;
    // The configured hosts, which are always reached directly.
    QStringList directHosts() const;

private:
    ServerHosts m_hosts;
    ServerWeatherSource m_servers;
    LiveWeatherSource m_live;
    PageSources m_pages;
};
