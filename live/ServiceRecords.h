#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <variant>

// The weather service API's own records of where a station belongs, as its
// GeoJSON answers give them (https://www.weather.gov/documentation/services-web-api):
//
// - the observation station, GET /stations/{stationId}: its "properties"
//   name the public forecast zone the station lies in,
//   "forecast": "https://api.weather.gov/zones/forecast/COZ039", and the
//   other two areas the service issues alerts for that cover it: its
//   county, "county": "https://api.weather.gov/zones/county/COC031", and
//   its fire weather zone,
//   "fireWeatherZone": "https://api.weather.gov/zones/fire/COZ239";
// - the forecast zone, GET /zones/forecast/{zoneId}: its "properties" give
//   "id" "COZ039", "name" "City and County of Denver", "state" "CO", and
//   the offices forecasting for it, "cwa": ["BOU"].
namespace ServiceRecords {

// Why an answer could not be read, in a sentence for the log and the
// forecast box's tooltip.
struct Problem
{
    QString reason;
};

struct Station
{
    QString zone;     // "COZ039"
    QString name;     // "Denver International Airport"
    QString county;   // "COC031"; empty when the record names none
    QString fireZone; // "COZ239"; empty when the record names none
};

struct Zone
{
    QString id;          // "COZ039"
    QString name;        // "City and County of Denver"
    QStringList offices; // "BOU"
};

// The forms of the codes the records give, checked wherever a code comes
// from outside (an answer, a file) before it goes into an address: a public
// forecast or fire weather zone ("COZ039"), a county ("COC031"), an office
// or issuing location (three or four capitals, "BOU").
bool isZoneCode(QStringView text);
bool isCountyCode(QStringView text);
bool isOfficeCode(QStringView text);

std::variant<Station, Problem> station(const QByteArray& answer);
std::variant<Zone, Problem> zone(const QByteArray& answer);

// The detail of the API's problem answer (application/problem+json, RFC
// 7807: "title", "detail"), or of any JSON error it sends; empty when the
// answer is not one.
QString problemDetail(const QByteArray& answer);

} // namespace ServiceRecords
