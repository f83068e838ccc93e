#pragma once

#include <QString>
#include <atomic>

// What a state forecast page body comes to.
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
};

// Strips the body and cuts the forecast out of it by its markers. A pure
// function of the body, safe on any thread; with `cancelled` set it may
// give up early, and its answer is then of no use.
ForecastReading readStateForecast(const QString& body, const std::atomic<bool>* cancelled = nullptr);
