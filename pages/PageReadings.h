#pragma once

#include "weather/Conditions.h"
#include "weather/StateForecast.h"

#include <QString>
#include <atomic>

// The old pages read by their literal rules into what the window shows.
// Pure functions of the page body, safe on any thread; with `cancelled` set
// they may give up early, and their answer is then of no use.
namespace PageReadings {

// A current-conditions page, and the page text its values were cut from.
struct ConditionsPage
{
    ConditionsReading reading;
    // The page text as the extractors read it: stripped and cut at its
    // title when received; the stripped or raw body otherwise.
    QString text;
};

// Strips the body, cuts it at its title and extracts the eight values.
ConditionsPage conditions(const QString& body, const std::atomic<bool>* cancelled = nullptr);

// Strips the body and cuts the forecast out of it by its markers.
ForecastReading stateForecast(const QString& body, const std::atomic<bool>* cancelled = nullptr);

} // namespace PageReadings
