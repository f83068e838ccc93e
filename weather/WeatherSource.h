#pragma once

#include "WeatherReply.h"

#include <QString>
#include <QStringList>
#include <memory>

class TransferBudget;

// What a refresh asks a source for.
struct WeatherRequest
{
    QString stationCode; // three characters, as stored ("DEN"), or as typed
    QString stateCode;   // as stored ("co")
    // A timed refresh takes a product still fresh by the service's own
    // caching rules as it stands and waits out a pause the service asked
    // for; a refresh the user asks for checks every product with the
    // service.
    bool timed = false;
    // What the refresh may hold in answers, shared by all its requests;
    // none: only each answer's own bound.
    std::shared_ptr<TransferBudget> budget;
    // The areas the station lies in, as its forecast found them (the
    // forecast zone first, then its county and fire weather zone): what its
    // alerts are asked for. Empty until the forecast has been asked.
    QStringList areas;
};

// Where the weather comes from. The refresh asks for the current
// conditions and the state forecast by what they are about; the source
// decides which servers answer and how, and answers with how to read what
// came into the values the window shows (see WeatherAnswer).
class WeatherSource
{
public:
    virtual ~WeatherSource() = default;

    // The host named on the status line before each request.
    virtual QString conditionsHost() const = 0;
    virtual QString forecastHost() const = 0;

    // Each starts a request and returns at once.
    virtual ConditionsReply* fetchConditions(const WeatherRequest& request) = 0;
    virtual ForecastReply* fetchStateForecast(const WeatherRequest& request) = 0;

    // The alerts in effect in the request's areas, asked after the
    // forecast; null from a source that has none to tell.
    virtual AlertsReply* fetchAlerts(const WeatherRequest& request)
    {
        Q_UNUSED(request);
        return nullptr;
    }
};
