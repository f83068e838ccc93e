#include "SourceTemplates.h"

#include "SatelliteSources.h"

namespace {

QUrl urlOf(const QString& text)
{
    return QUrl(text, QUrl::StrictMode);
}

} // namespace

SourceTemplates SourceTemplates::defaults()
{
    return {
        QStringLiteral("https://tgftp.nws.noaa.gov/data/observations/metar/decoded/{station}.TXT"),
        QStringLiteral("https://api.weather.gov/products/types/ZFP/locations/{office}/latest"),
        QStringLiteral("https://cdn.star.nesdis.noaa.gov/{satellite}/ABI/{sector}/{band}/{size}.jpg"),
        QStringLiteral("https://api.weather.gov/stations/{station}"),
        QStringLiteral("https://api.weather.gov/zones/forecast/{zone}"),
        QStringLiteral("https://api.weather.gov/alerts/active?zone={zones}"),
    };
}

SourceTemplates SourceTemplates::fromEnvironment(const QProcessEnvironment& environment)
{
    SourceTemplates templates = defaults();
    const auto overrideFrom = [&environment](const QString& variable, QString& pattern) {
        const QString value = environment.value(variable);
        if (!value.isEmpty())
            pattern = value;
    };
    overrideFrom(observationVariable, templates.observation);
    overrideFrom(zoneForecastVariable, templates.zoneForecast);
    overrideFrom(satelliteVariable, templates.satellite);
    overrideFrom(stationVariable, templates.station);
    overrideFrom(zoneVariable, templates.zone);
    overrideFrom(alertsVariable, templates.alerts);
    return templates;
}

QString SourceTemplates::expand(const QString& pattern, const QList<std::pair<QString, QString>>& values)
{
    // One pass over the pattern, so that a value holding "{...}" is never
    // taken for a placeholder.
    QString result;
    qsizetype at = 0;
    while (at < pattern.size()) {
        const qsizetype open = pattern.indexOf(QLatin1Char('{'), at);
        const qsizetype close = open < 0 ? -1 : pattern.indexOf(QLatin1Char('}'), open);
        if (close < 0) {
            result += pattern.mid(at);
            break;
        }
        result += pattern.mid(at, open - at);
        const QString name = pattern.mid(open + 1, close - open - 1);
        bool replaced = false;
        for (const auto& [key, value] : values) {
            if (key == name) {
                result += QString::fromLatin1(QUrl::toPercentEncoding(value, QByteArrayLiteral(",")));
                replaced = true;
                break;
            }
        }
        if (!replaced)
            result += pattern.mid(open, close - open + 1);
        at = close + 1;
    }
    return result;
}

QUrl SourceTemplates::observationUrl(const QString& identifier) const
{
    return urlOf(expand(observation, {{QStringLiteral("station"), identifier}}));
}

QUrl SourceTemplates::zoneForecastUrl(const QString& office, const QString& stateCode) const
{
    return urlOf(
        expand(zoneForecast, {{QStringLiteral("office"), office}, {QStringLiteral("state"), stateCode}}));
}

QUrl SourceTemplates::satelliteUrl(const SatelliteSources::Picture& picture) const
{
    return urlOf(expand(satellite, {
                                       {QStringLiteral("satellite"), picture.satellite},
                                       {QStringLiteral("sector"), picture.sector},
                                       {QStringLiteral("band"), picture.band},
                                       {QStringLiteral("size"), picture.size},
                                       {QStringLiteral("picture"), picture.name},
                                   }));
}

QUrl SourceTemplates::stationUrl(const QString& identifier) const
{
    return urlOf(expand(station, {{QStringLiteral("station"), identifier}}));
}

QUrl SourceTemplates::zoneUrl(const QString& zoneId) const
{
    return urlOf(expand(zone, {{QStringLiteral("zone"), zoneId}}));
}

QUrl SourceTemplates::alertsUrl(const QStringList& areas) const
{
    return urlOf(expand(alerts, {{QStringLiteral("zone"), areas.value(0)},
                                 {QStringLiteral("zones"), areas.join(QLatin1Char(','))}}));
}
