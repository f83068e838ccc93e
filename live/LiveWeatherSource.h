#pragma once

#include "SourceTemplates.h"
#include "ZoneDirectory.h"
#include "weather/WeatherSource.h"

#include <QObject>
#include <QUrl>

class Network;

// The weather from today's products of the weather service, each fetched
// through the program's network from the addresses the templates give and
// read straight into what the window shows:
//
// - the current conditions from the station's decoded observation (see
//   ObservationReading); for an entry whose station no longer reports,
//   the nearest station's, the reading saying which (see
//   StationIdentifiers::observedAt);
// - the forecast from the zone forecast product of the office that
//   forecasts for the station's zone, that zone's group alone (see
//   ForecastLookup).
//
// Requests to the service's API name the media type each answer is
// documented in; answers are kept in the network's HTTP cache and asked
// about again only as their Cache-Control says (a refresh the user asks for
// always asks). Every request to the service (observation, records,
// products, alerts) is asked again after a passing failure of the server,
// as the network allows (RequestOptions::retryPassingFailures); the asker
// sees only the last answer. An answer the service gives instead of a
// product (a missing station, an error) ends the request as nothing had,
// with a description of what the service answered; the refresh then shows
// its usual outcomes.
class LiveWeatherSource final : public QObject, public WeatherSource
{
    Q_OBJECT
public:
    // `cacheFolder`: where the stations' zones are kept between runs; empty:
    // kept for the run only.
    LiveWeatherSource(Network& network, SourceTemplates templates, const QString& cacheFolder = {},
                      QObject* parent = nullptr);

    QString conditionsHost() const override;
    QString forecastHost() const override;
    ConditionsReply* fetchConditions(const WeatherRequest& request) override;
    ForecastReply* fetchStateForecast(const WeatherRequest& request) override;
    // The active alerts of the request's areas, as the forecast found them
    // (the station's public forecast zone, county and fire weather zone;
    // its forecast answers carry them), asked at once; nothing had while
    // they are not known. Where the alerts template names {zone} alone, the
    // forecast zone's alerts only.
    AlertsReply* fetchAlerts(const WeatherRequest& request) override;

    // The address of the current satellite picture that stands for one of
    // the viewer's picture paths ("/GIFS/WCIR.JPG"); invalid for a path that
    // names none.
    QUrl pictureAddress(const QString& path) const;

private:
    Network& m_network;
    SourceTemplates m_templates;
    ZoneDirectory m_zones;
    // Named in a status text at every refresh; the templates never change.
    QString m_conditionsHost;
    QString m_forecastHost;
};
