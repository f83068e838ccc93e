#pragma once

#include <QString>
#include <atomic>

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

// A state forecast page body: strips it and cuts the forecast out of it by its markers. A pure
// function of the body, safe on any thread; with `cancelled` set it may
// give up early, and its answer is then of no use.
ForecastReading readStateForecast(const QString& body, const std::atomic<bool>* cancelled = nullptr);
