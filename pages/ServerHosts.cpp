#include "ServerHosts.h"

#include <QtGlobal>

ServerHosts ServerHosts::builtIn()
{
    return {QStringLiteral(VENTARO_DEFAULT_CONDITIONS_HOST), QStringLiteral(VENTARO_DEFAULT_FORECAST_HOST),
            QStringLiteral(VENTARO_DEFAULT_SATELLITE_HOST)};
}

ServerHosts ServerHosts::fromEnvironment()
{
    ServerHosts hosts = builtIn();
    const auto override = [](const char* name, QString& host) {
        const QString value = qEnvironmentVariable(name).trimmed();
        if (!value.isEmpty())
            host = value;
    };
    override("VENTARO_CONDITIONS_HOST", hosts.conditions);
    override("VENTARO_FORECAST_HOST", hosts.forecast);
    override("VENTARO_SATELLITE_HOST", hosts.satellite);
    return hosts;
}

QUrl ServerHosts::httpUrl(const QString& host, const QString& path)
{
    // Parsed in strict mode so that a host text holding a path, user info or
    // a query cannot reshape the request: such a URL comes out invalid.
    QUrl url(QStringLiteral("http://") + host, QUrl::StrictMode);
    if (!url.isValid() || !url.path().isEmpty() || url.hasQuery() || url.hasFragment() ||
        !url.userInfo().isEmpty())
        return {};
    url.setPath(path, QUrl::StrictMode);
    return url;
}

QString ServerHosts::hostName(const QString& host)
{
    const QUrl url(QStringLiteral("http://") + host);
    return url.host().isEmpty() ? host : url.host();
}
