#pragma once

#include "ObservationTime.h"
#include "SkyClasses.h"

#include <QString>
#include <atomic>
#include <optional>

// The eight values of a current-conditions page, each as the page words it.
struct Conditions
{
    QString location;
    QString temperature;
    QString humidity;
    QString dewPoint;
    QString pressure;
    QString wind;
    QString visibility;
    QString sky;
};

// What a current-conditions page body comes to.
struct ConditionsReading
{
    // The body holds markup and, once stripped, the page title at or after
    // position 200: a current-conditions page. Otherwise nothing is shown.
    bool received = false;
    // The page text as the extractors read it: stripped and cut at its
    // title when received; the stripped or raw body otherwise.
    QString page;
    // The eight values, when received.
    Conditions values;
    // The sky classes of the sky conditions, when received.
    SkyClasses::Choice skyChoice;
    // When the observation was made, when the page tells it.
    std::optional<ObservationTime::Observed> observed;
    // Why the page was not used, when not received.
    QString problem;
};

// Strips the body, cuts it at its title and extracts the eight values. A
// pure function of the body, safe on any thread; with `cancelled` set it
// may give up early, and its answer is then of no use.
ConditionsReading readConditions(const QString& body, const std::atomic<bool>* cancelled = nullptr);
