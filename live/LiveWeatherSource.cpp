#include "LiveWeatherSource.h"

#include "ActiveAlerts.h"
#include "ForecastLookup.h"
#include "LiveLogging.h"
#include "ObservationReading.h"
#include "SatelliteSources.h"
#include "StationIdentifiers.h"
#include "net/FetchReply.h"
#include "net/Network.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcLive, "ventaro.live")

namespace {

// "host", or "host:port" when the address names a port, as the status line
// shows the host being contacted.
QString hostOf(const QUrl& url)
{
    return url.port() < 0 ? url.host() : QStringLiteral("%1:%2").arg(url.host()).arg(url.port());
}

// What the service answered in place of a product.
QString answered(const FetchResult& result)
{
    const QString phrase = result.reasonPhrase.trimmed();
    return phrase.isEmpty() ? QString::number(result.status)
                            : QStringLiteral("%1 %2").arg(result.status).arg(phrase);
}

} // namespace

LiveWeatherSource::LiveWeatherSource(Network& network, SourceTemplates templates, const QString& cacheFolder,
                                     QObject* parent)
    : QObject(parent), m_network(network), m_templates(std::move(templates)),
      m_zones(network.clock(), cacheFolder, m_templates.recordsSource()),
      m_conditionsHost(hostOf(m_templates.observationUrl(QStringLiteral("KDEN")))),
      m_forecastHost(hostOf(m_templates.zoneForecastUrl(QStringLiteral("BOU"), QStringLiteral("co"))))
{}

QString LiveWeatherSource::conditionsHost() const
{
    return m_conditionsHost;
}

QString LiveWeatherSource::forecastHost() const
{
    return m_forecastHost;
}

ConditionsReply* LiveWeatherSource::fetchConditions(const WeatherRequest& request)
{
    const QString station = StationIdentifiers::icaoFor(request.stationCode);
    const QString observedAt = StationIdentifiers::observedAt(request.stationCode);
    RequestOptions options;
    options.cached = true;
    options.timed = request.timed;
    options.budget = request.budget;
    options.retryPassingFailures = true;
    return relay<ConditionsAnswer>(
        m_network.get(m_templates.observationUrl(station), options),
        [station, observedAt](const FetchResult& result) {
            if (result.heldUntil.isValid())
                return ConditionsAnswer::held(result.error, result.heldUntil);
            if (!result.ok)
                return ConditionsAnswer::failed(result.error);
            if (result.status != 200)
                return ConditionsAnswer::failed(
                    QStringLiteral("The weather service has no observation of %1: it answered %2")
                        .arg(station, answered(result)));
            return ConditionsAnswer::arrived(
                [text = result.text, station, observedAt](const std::atomic<bool>*) {
                    ConditionsReading reading = ObservationReading::read(text, station);
                    if (reading.received)
                        reading.observedAt = observedAt;
                    return reading;
                });
        },
        this);
}

ForecastReply* LiveWeatherSource::fetchStateForecast(const WeatherRequest& request)
{
    auto* reply = new ForecastReply(this);
    auto* lookup = new ForecastLookup(m_network, m_templates, m_zones, request, reply);
    lookup->start();
    return reply;
}

AlertsReply* LiveWeatherSource::fetchAlerts(const WeatherRequest& request)
{
    if (request.areas.isEmpty()) {
        auto* reply = new AlertsReply(this);
        reply->answer(AlertsAnswer::failed(QStringLiteral("the forecast zone of %1 is not known")
                                               .arg(StationIdentifiers::icaoFor(request.stationCode))));
        return reply;
    }
    // All the areas at once, an alert filed under several coming once; a
    // template without {zones} asks for the forecast zone alone.
    const QStringList& areas = request.areas;
    RequestOptions options;
    options.accept = SourceTemplates::geoJson;
    options.cached = true;
    options.timed = request.timed;
    options.bytesOnly = true;
    options.budget = request.budget;
    const QUrl address = m_templates.alertsUrl(areas);
    const QString asked = m_templates.alertsCoverEveryArea() ? areas.join(QLatin1Char(',')) : areas.first();
    options.retryPassingFailures = true;
    return relay<AlertsAnswer>(
        m_network.get(address, options),
        [asked](const FetchResult& result) {
            if (result.heldUntil.isValid())
                return AlertsAnswer::held(result.error, result.heldUntil);
            if (!result.ok)
                return AlertsAnswer::failed(result.error);
            // The API's problem answers come with their own status; the
            // parser tells them apart from a list of alerts.
            return AlertsAnswer::arrived([body = result.body, asked](const std::atomic<bool>*) {
                const ActiveAlerts::Answer answer = ActiveAlerts::parse(body);
                AlertsReading reading{answer.ok, answer.alerts, answer.problem};
                if (!answer.ok)
                    reading.problem = QStringLiteral("the alerts of %1: %2").arg(asked, answer.problem);
                return reading;
            });
        },
        this);
}

QUrl LiveWeatherSource::pictureAddress(const QString& path) const
{
    const std::optional<SatelliteSources::Picture> picture = SatelliteSources::forPath(path);
    return picture ? m_templates.satelliteUrl(*picture) : QUrl();
}
