#pragma once

#include <QList>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <utility>

namespace SatelliteSources {
struct Picture;
}

// The addresses the live layer fetches from, as templates whose
// placeholders ("{station}") take the request's values. Each template can
// be replaced at run time by an environment variable; an unset or empty
// variable keeps the default.
//
// | template      | variable                  | placeholders                                |
// |---------------|---------------------------|---------------------------------------------|
// | observation   | VENTARO_OBSERVATION_URL   | {station}: four-letter identifier, "KDEN"   |
// | zone forecast | VENTARO_ZONE_FORECAST_URL | {office}: issuing location, "BOU";          |
// |               |                           | {state}: the state code, "co"               |
// | satellite     | VENTARO_SATELLITE_URL     | {satellite} "GOES19", {sector} "CONUS",     |
// |               |                           | {band} "13", {size} "1250x750",             |
// |               |                           | {picture}: the viewer's name, "ECIR"        |
// | station       | VENTARO_STATION_URL       | {station}: four-letter identifier, "KDEN"   |
// | zone          | VENTARO_ZONE_URL          | {zone}: public forecast zone, "COZ039"      |
// | alerts        | VENTARO_ALERTS_URL        | {zones}: the station's forecast zone,       |
// |               |                           | county and fire weather zone, comma-        |
// |               |                           | separated, "COZ039,COC031,COZ239";          |
// |               |                           | {zone}: its forecast zone alone, "COZ039"   |
struct SourceTemplates
{
    QString observation;
    QString zoneForecast;
    QString satellite;
    QString station;
    QString zone;
    QString alerts;

    static inline const QString observationVariable = QStringLiteral("VENTARO_OBSERVATION_URL");
    static inline const QString zoneForecastVariable = QStringLiteral("VENTARO_ZONE_FORECAST_URL");
    static inline const QString satelliteVariable = QStringLiteral("VENTARO_SATELLITE_URL");
    static inline const QString stationVariable = QStringLiteral("VENTARO_STATION_URL");
    static inline const QString zoneVariable = QStringLiteral("VENTARO_ZONE_URL");
    static inline const QString alertsVariable = QStringLiteral("VENTARO_ALERTS_URL");

    // The media types the weather service API documents for each of its
    // answers, sent as Accept: GeoJSON for the records and the alerts,
    // JSON-LD for the text products.
    static inline const QByteArray geoJson = QByteArrayLiteral("application/geo+json");
    static inline const QByteArray jsonLd = QByteArrayLiteral("application/ld+json");

    // The service's own addresses:
    // - the decoded observation text files,
    //   https://tgftp.nws.noaa.gov/data/observations/metar/decoded/{station}.TXT
    // - the latest zone forecast product of an issuing location from the
    //   weather service's API (JSON with the text in "productText"),
    //   https://api.weather.gov/products/types/ZFP/locations/{office}/latest
    // - the newest satellite image of a band,
    //   https://cdn.star.nesdis.noaa.gov/{satellite}/ABI/{sector}/{band}/{size}.jpg
    // - the API's observation station record (its forecast zone),
    //   https://api.weather.gov/stations/{station}
    // - the API's forecast zone record (its offices),
    //   https://api.weather.gov/zones/forecast/{zone}
    // - the active alerts of every area that covers the station (the API
    //   takes a comma-separated list of zones and counties),
    //   https://api.weather.gov/alerts/active?zone={zones}
    static SourceTemplates defaults();

    // The defaults, each replaced by its variable in `environment` when that
    // is set and not empty. The one place that reads the environment.
    static SourceTemplates
    fromEnvironment(const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());

    // The template with each "{name}" of `values` replaced by the value,
    // percent-encoded so that it stays one path segment or query value
    // (letters, digits, "-._~" and the comma, which separates the items of
    // a list, stay as they are). A placeholder without a value stays as
    // written.
    static QString expand(const QString& pattern, const QList<std::pair<QString, QString>>& values);

    // The expanded addresses; invalid when the expansion is not a URL.
    QUrl observationUrl(const QString& identifier) const;
    QUrl zoneForecastUrl(const QString& office, const QString& stateCode) const;
    QUrl satelliteUrl(const SatelliteSources::Picture& picture) const;
    QUrl stationUrl(const QString& identifier) const;
    QUrl zoneUrl(const QString& zoneId) const;
    // `areas`: the station's forecast zone first, then the other areas that
    // cover it; a template without {zones} asks for the forecast zone alone.
    QUrl alertsUrl(const QStringList& areas) const;
    // Whether the alerts template asks for every area at once ({zones}).
    bool alertsCoverEveryArea() const { return alerts.contains(QLatin1StringView("{zones}")); }

    // The station and zone record templates together: what a stored zone
    // was learnt from, and so which stored zones these templates may trust.
    QString recordsSource() const { return station + QLatin1Char(' ') + zone; }
};
