#pragma once

#include "weather/WeatherAlert.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// The weather service's answer to "the alerts in effect for these areas"
// (GET /alerts/active?zone={zoneId},{countyId},..., or
// /alerts/active/zone/{zoneId}; media type application/geo+json): a
// GeoJSON FeatureCollection whose features each carry one alert in their
// "properties", named as the API's Alert schema names them:
//
//   {"type": "FeatureCollection",
//    "features": [
//      {"id": "https://api.weather.gov/alerts/urn:oid:2.49.0.1.840.0....001.1",
//       "type": "Feature", "geometry": null,
//       "properties": {
//         "id": "urn:oid:2.49.0.1.840.0....001.1",
//         "references": [{"identifier": "urn:oid:...", "sender": "...", "sent": "..."}],
//         "sent": "2026-12-07T09:12:00-07:00", "effective": "...", "onset": "...",
//         "expires": "...", "ends": "...",
//         "status": "Actual", "messageType": "Alert", "severity": "Severe",
//         "urgency": "Expected", "event": "Winter Storm Warning", "areaDesc": "Denver",
//         "headline": "Winter Storm Warning issued December 7 at 9:12AM MST until ...",
//         ...}}],
//    "title": "Current watches, warnings, and advisories for ...",
//    "updated": "..."}
//
// A zone without alerts answers with an empty "features" list.
namespace ActiveAlerts {

// What one alert may hold, whatever the answer says. The service's ids are
// some hundred characters at most ("urn:oid:2.49.0.1.840.0.<40 hex
// digits>.001.1"); a longer one is no identifier it gives, and an alert
// under one is passed over, a reference to one dropped. An update lists the
// whole chain of alerts before it, oldest first, some tens at most: the
// newest maxReferences are kept, as only those can still be in an answer.
inline constexpr qsizetype maxIdLength = 256;
inline constexpr qsizetype maxReferences = 100;

struct Answer
{
    // The body is such a collection; `alerts` holds what it says, which may
    // be nothing.
    bool ok = false;
    QList<WeatherAlert> alerts;
    // Why the body is not such a collection, when not ok: not JSON, the
    // service's problem answer ("404 Not Found: ..."), another document.
    QString problem;
    // Features left out, each with why: one without an id or an event is
    // no alert the program could tell apart from others or name.
    QStringList passedOver;
};

// Reads a response body. The value words are the protocol's, matched
// exactly: an unknown severity or urgency reads as Unknown, an unknown
// status or message type as Other; one not given reads as Unknown, Actual
// and Alert. A time is taken only with its offset from UTC ("...-07:00" or
// "...Z"); one without, or null, is left invalid rather than read in the
// machine's own zone. A pure function, safe on any thread.
Answer parse(const QByteArray& body);

} // namespace ActiveAlerts
