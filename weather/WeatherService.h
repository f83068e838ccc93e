#pragma once

#include "ServerHosts.h"
#include "SkyClasses.h"

#include <QString>
#include <QUrl>

class HttpClient;
class StatusLine;
class Yielder;
struct ModuleState;

// Fetches and cuts the two weather pages. Everything it needs comes in
// through the constructor, so it runs without a window or a network.
class WeatherService
{
public:
    WeatherService(HttpClient& http, StatusLine& status, Yielder& yielder, ModuleState& state,
                   ServerHosts hosts);

    // Fetches the station's page into CurrentPage, strips it and cuts it at
    // its title. False when the page could not be fetched or used.
    bool GetCurrentConditions();

    // The eight values, read from CurrentPage after a true result.
    QString GetLocation() const;
    QString GetTemperature() const;
    QString GetHumidity() const;
    QString GetDewPoint() const;
    QString GetWind() const;
    QString GetPressure() const;
    QString GetSkyConditions() const;
    QString GetVisibility() const;

    // The tray pictures for the sky conditions in CurrentPage.
    SkyClasses::Choice skyChoice() const { return SkyClasses::classify(GetSkyConditions()); }

    // The forecast text, "Unable to recieve forecast", or the error text.
    QString GetStateForecast();

    // The description of the last failed transfer of GetCurrentConditions.
    QString lastConditionsError() const { return m_lastConditionsError; }

    // The two page addresses; invalid when the host or code cannot make a
    // safe request, and then no request is made.
    QUrl conditionsUrl() const;
    QUrl forecastUrl() const;

    static inline const QString idle = QStringLiteral("  Idle");
    static inline const QString attempting = QStringLiteral("  Attempting connection to ");
    static inline const QString parsingConditions = QStringLiteral("  Parsing current conditions data");
    static inline const QString parsingForecast = QStringLiteral("  Parsing forecast data");
    static inline const QString forecastNotReceived = QStringLiteral("Unable to recieve forecast");
    static QString forecastError(const QString& description);

    // A code as it goes into a URL path: every character but letters,
    // digits and "-._~" is percent-encoded, so no code can add a path
    // separator, a query, a fragment or a line to the request.
    static QString pathSegment(const QString& code);

private:
    HttpClient& m_http;
    StatusLine& m_status;
    Yielder& m_yielder;
    ModuleState& m_state;
    ServerHosts m_hosts;
    QString m_lastConditionsError;
};
