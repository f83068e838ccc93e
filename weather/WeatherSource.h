#pragma once

#include <QString>

class FetchReply;

// Where the two weather pages come from. The refresh asks for a page by
// what it is about; the source decides which server answers and how, and
// answers with a page body in the layout the extraction reads.
class WeatherSource
{
public:
    virtual ~WeatherSource() = default;

    // The host named on the status line before each request.
    virtual QString conditionsHost() const = 0;
    virtual QString forecastHost() const = 0;

    // Starts fetching the current-conditions page of a station (its
    // three-character code) and returns at once.
    virtual FetchReply* fetchConditions(const QString& stationCode) = 0;

    // Starts fetching the forecast page of a state (its code as stored);
    // `stationCode` is the station the user watches, for a source that can
    // put that station's part of the state first.
    virtual FetchReply* fetchStateForecast(const QString& stateCode, const QString& stationCode) = 0;
};
