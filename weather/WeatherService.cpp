#include "WeatherService.h"

#include "Extraction.h"
#include "HttpClient.h"
#include "ModuleState.h"
#include "StatusLine.h"
#include "StripMarkup.h"
#include "Yielder.h"

WeatherService::WeatherService(HttpClient& http, StatusLine& status, Yielder& yielder, ModuleState& state,
                               ServerHosts hosts)
    : m_http(http), m_status(status), m_yielder(yielder), m_state(state), m_hosts(std::move(hosts))
{}

QString WeatherService::pathSegment(const QString& code)
{
    return QString::fromLatin1(code.toUtf8().toPercentEncoding());
}

QUrl WeatherService::conditionsUrl() const
{
    return ServerHosts::httpUrl(m_hosts.conditions, QStringLiteral("/weather/current/K") +
                                                        pathSegment(m_state.StationCode) +
                                                        QStringLiteral(".html"));
}

QUrl WeatherService::forecastUrl() const
{
    // A state code of "." or ".." would stand as a whole path segment that
    // servers resolve to another path; percent-encoding cannot hide it, as
    // URLs decode encoded dots, so such a code makes no request at all.
    if (m_state.StateCode == QLatin1String(".") || m_state.StateCode == QLatin1String(".."))
        return {};
    return ServerHosts::httpUrl(m_hosts.forecast, QStringLiteral("/iwin/") + pathSegment(m_state.StateCode) +
                                                      QStringLiteral("/state.html"));
}

namespace {

const QString invalidAddress = QStringLiteral("Invalid request address");

} // namespace

QString WeatherService::forecastError(const QString& description)
{
    return QStringLiteral("Error Recieving State Forecast Data\r\n\r\nError Description : ") + description;
}

bool WeatherService::GetCurrentConditions()
{
    m_status.setStatus(attempting + m_hosts.conditions);
    m_yielder.yield();

    const QUrl url = conditionsUrl();
    const FetchResult fetched =
        url.isValid() ? m_http.FetchPage(url) : FetchResult{false, {}, invalidAddress};
    m_state.CurrentPage = fetched.body;
    if (!fetched.ok) {
        // A failed transfer is a page not received; the reason is kept for
        // whoever wants to show it.
        m_lastConditionsError = fetched.error;
        m_status.setStatus(idle);
        return false;
    }
    m_lastConditionsError.clear();
    m_status.setStatus(parsingConditions);
    m_yielder.yield();

    if (!m_state.CurrentPage.contains(QLatin1Char('<'))) {
        m_status.setStatus(idle);
        return false;
    }
    m_state.CurrentPage = StripMarkup(m_state.CurrentPage, &m_yielder);

    if (!Extraction::cutAtTitle(m_state.CurrentPage)) {
        m_status.setStatus(idle);
        return false;
    }
    m_status.setStatus(idle);
    m_yielder.yield();
    return true;
}

QString WeatherService::GetLocation() const
{
    return Extraction::ExtractField(m_state.CurrentPage, QString(), 5, false);
}

QString WeatherService::GetTemperature() const
{
    return Extraction::ExtractField(m_state.CurrentPage, QStringLiteral("Temperature"), 3, true);
}

QString WeatherService::GetHumidity() const
{
    return Extraction::ExtractField(m_state.CurrentPage, QStringLiteral("Relative Humidity"), 3, true);
}

QString WeatherService::GetDewPoint() const
{
    return Extraction::ExtractField(m_state.CurrentPage, QStringLiteral("Dew Point"), 3, true);
}

QString WeatherService::GetWind() const
{
    return Extraction::ExtractField(m_state.CurrentPage, QStringLiteral("Wind"), 3, true);
}

QString WeatherService::GetPressure() const
{
    return Extraction::ExtractField(m_state.CurrentPage, QStringLiteral("Pressure"), 3, true);
}

QString WeatherService::GetSkyConditions() const
{
    return Extraction::ExtractField(m_state.CurrentPage, QStringLiteral("Sky conditions"), 3, true);
}

QString WeatherService::GetVisibility() const
{
    return Extraction::ExtractField(m_state.CurrentPage, QStringLiteral("Visibility"), 3, true);
}

QString WeatherService::GetStateForecast()
{
    m_status.setStatus(attempting + m_hosts.forecast);
    m_yielder.yield();

    const QUrl url = forecastUrl();
    const FetchResult fetched =
        url.isValid() ? m_http.FetchPage(url) : FetchResult{false, {}, invalidAddress};
    if (!fetched.ok)
        return forecastError(fetched.error);

    m_status.setStatus(parsingForecast);
    m_yielder.yield();
    if (!fetched.body.contains(QLatin1Char('<'))) {
        m_status.setStatus(idle);
        return forecastNotReceived;
    }

    const Extraction::ForecastCut cut = Extraction::cutStateForecast(StripMarkup(fetched.body, &m_yielder));
    if (!cut.ok)
        return forecastError(cut.error);
    m_status.setStatus(idle);
    return cut.text;
}
