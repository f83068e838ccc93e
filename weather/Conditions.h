#pragma once

#include "ObservationTime.h"
#include "SkyClasses.h"

#include <QString>
#include <optional>

// The eight observed values, each as the source words it.
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

// What the window shows of one observation, however it came.
struct ConditionsReading
{
    // An observation to show. Otherwise nothing is shown, and `problem`
    // tells why.
    bool received = false;
    // The eight values, when received, each as its label shows it after
    // the leading blank.
    Conditions values;
    // The sky classes the tray pictures are chosen by, when received.
    SkyClasses::Choice skyChoice;
    // When the observation was made, when that is told.
    std::optional<ObservationTime::Observed> observed;
    // Why the observation was not used, when not received.
    QString problem;
    // For the labels' tooltips: remarks the observation's weather line
    // carried that are no sky ("5 inches of snow on ground", "cumulonimbus
    // clouds observed"), and how cold or hot it feels ("Feels like 21.0 F
    // (-6.1 C)"). Empty when there are none.
    QString skyRemarks;
    QString feelsLike;
    // For the location label's tooltip, when another station observes for
    // the one the entry names, which and how far away ("Observed at
    // Griffiss International Airport (KRME), 9 km from Utica's former
    // station"); empty otherwise.
    QString observedAt;
};
