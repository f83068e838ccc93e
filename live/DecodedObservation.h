#pragma once

#include <QString>
#include <QStringView>
#include <optional>

// One station's latest observation in the weather service's decoded text
// format, the file it publishes for every reporting station:
//
//   Denver International Airport, CO, United States (KDEN) 39-50N 104-39W 1640M
//   Dec 07, 2026 - 10:53 AM EST / 2026.12.07 1553 UTC
//   Wind: from the NNE (030 degrees) at 7 MPH (6 KT):0
//   Visibility: 10 mile(s):0
//   Sky conditions: partly cloudy
//   Weather: light snow
//   Temperature: 30.0 F (-1.1 C)
//   Windchill: 23 F (-5 C):1
//   Dew Point: 21.9 F (-5.6 C)
//   Relative Humidity: 71%
//   Pressure (altimeter): 30.12 in. Hg (1020 hPa)
//   ob: KDEN 071553Z 03006KT 10SM FEW080 SCT200 M01/M06 A3012 RMK AO2
//   cycle: 16
//
// Each value is the text after its label, as the service words it, without
// the trailing mark (":0", ":1") that some lines carry. A line the file
// lacks leaves its value empty: the service leaves out what the station
// did not report.
struct DecodedObservation
{
    QString location; // the first line
    QString observed; // the second line, local and UTC time of the report
    QString wind;
    QString visibility;
    QString sky;     // "Sky conditions": the cloud cover
    QString weather; // present weather, "light rain; mist"
    QString temperature;
    QString windchill;
    QString heatIndex;
    QString dewPoint;
    QString humidity;
    QString pressure; // "Pressure (altimeter)"
    QString ob;       // the coded report the values were decoded from
    QString cycle;

    // The observation in `text` (LF or CR LF line ends). Nothing when the
    // text is not a decoded observation: fewer than two lines, or a second
    // line that is not the service's time line ("... / 2026.12.07 1553
    // UTC"), as in an error page. Lines with labels not listed above
    // ("Pressure tendency", "Precipitation last hour") are passed over.
    static std::optional<DecodedObservation> parse(QStringView text);
};
