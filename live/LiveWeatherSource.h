#pragma once

#include "SourceTemplates.h"
#include "WeatherSource.h"

#include <QObject>
#include <QUrl>

class Network;

// The two weather pages made from today's products of the weather service:
// the current-conditions page from the station's latest decoded
// observation, the state forecast page from the zone forecast products of
// the offices covering the state, each rendered in the layout the
// program's extraction reads. Every product comes through the program's
// network from the addresses the templates give.
//
// An answer the service gives instead of a product (a missing station, an
// error) ends the request as a failed transfer, with a description saying
// what the service answered; the refresh then shows its usual outcomes.
class LiveWeatherSource final : public QObject, public WeatherSource
{
    Q_OBJECT
public:
    LiveWeatherSource(Network& network, SourceTemplates templates, QObject* parent = nullptr);

    QString conditionsHost() const override;
    QString forecastHost() const override;
    FetchReply* fetchConditions(const QString& stationCode) override;
    FetchReply* fetchStateForecast(const QString& stateCode, const QString& stationCode) override;

    // The address of the current satellite picture that stands for one of
    // the viewer's picture paths ("/GIFS/WCIR.JPG"); invalid for a path that
    // names none.
    QUrl pictureAddress(const QString& path) const;

private:
    Network& m_network;
    SourceTemplates m_templates;
    // Named in a status text at every refresh; the templates never change.
    QString m_conditionsHost;
    QString m_forecastHost;
};
