#pragma once

#include <QString>

// What the forecast box shows, however the forecast came.
struct ForecastReading
{
    enum class Outcome
    {
        Forecast,    // the cut forecast text
        NotReceived, // no markup at all: "Unable to recieve forecast"
        CutFailed,   // a cut of negative length: the error text
    };
    Outcome outcome = Outcome::NotReceived;
    // What the forecast box shows in each case.
    QString text;
    // Where the forecast is for and whose it is, for whoever asks the box
    // ("Zone COZ039, Denver; from the zone forecast of office BOU"), and
    // why when it is a guess; empty when there is nothing to tell.
    QString origin;
};

// What the forecast box shows, whichever source was asked, for a place
// the US weather service does not forecast for ("CANCUN, MEXICO"): a plain
// word that there is none, and why.
inline ForecastReading noForecastAbroad(const QString& place)
{
    return {ForecastReading::Outcome::Forecast,
            QStringLiteral("The US National Weather Service has no forecast for %1: it forecasts for the "
                           "United States and its territories only.")
                .arg(place),
            QStringLiteral("%1 lies outside the US weather service's area").arg(place)};
}
