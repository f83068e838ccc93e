#pragma once

#include <QString>
#include <QUrl>

// The three servers the program talks to, each "host" or "host:port".
// Build-time defaults come from CMake; VENTARO_CONDITIONS_HOST,
// VENTARO_FORECAST_HOST and VENTARO_SATELLITE_HOST override them.
struct ServerHosts
{
    QString conditions;
    QString forecast;
    QString satellite;

    static ServerHosts builtIn();
    static ServerHosts fromEnvironment();

    // "http://" + host + path, with the port when the host names one.
    // `path` must already be percent-encoded where it holds outside text.
    static QUrl httpUrl(const QString& host, const QString& path);

    // The host name alone, without a port, as shown to the user.
    static QString hostName(const QString& host);
};
