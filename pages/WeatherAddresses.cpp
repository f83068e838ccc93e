#include "WeatherAddresses.h"

#include "ServerHosts.h"

namespace WeatherAddresses {

QString pathSegment(const QString& code)
{
    return QString::fromLatin1(code.toUtf8().toPercentEncoding());
}

QUrl conditions(const QString& host, const QString& stationCode)
{
    return ServerHosts::httpUrl(host, QStringLiteral("/weather/current/K") + pathSegment(stationCode) +
                                          QStringLiteral(".html"));
}

QUrl stateForecast(const QString& host, const QString& stateCode)
{
    // A state code of "." or ".." would stand as a whole path segment that
    // servers resolve to another path; percent-encoding cannot hide it, as
    // URLs decode encoded dots, so such a code makes no request at all.
    if (stateCode == QLatin1String(".") || stateCode == QLatin1String(".."))
        return {};
    return ServerHosts::httpUrl(host, QStringLiteral("/iwin/") + pathSegment(stateCode) +
                                          QStringLiteral("/state.html"));
}

} // namespace WeatherAddresses
