#include "ServiceRecords.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace ServiceRecords {

namespace {

bool isCapital(QChar c)
{
    return c >= u'A' && c <= u'Z';
}

// A code of the service's areas: two capitals of the state, the kind of
// area (Z a public forecast or fire weather zone, C a county), three
// digits.
bool isAreaCode(QStringView text, char16_t kind)
{
    const auto digit = [](QChar c) { return c >= u'0' && c <= u'9'; };
    return text.size() == 6 && isCapital(text[0]) && isCapital(text[1]) && text[2] == kind &&
           digit(text[3]) && digit(text[4]) && digit(text[5]);
}

// The code an area's address ends in ("https://.../zones/county/COC031"),
// when it is one of `kind`; empty otherwise.
QString areaOf(const QJsonObject& record, QLatin1StringView key, char16_t kind)
{
    const QString address = record.value(key).toString();
    const QString code = address.mid(address.lastIndexOf(u'/') + 1);
    return isAreaCode(code, kind) ? code : QString();
}

std::variant<QJsonObject, Problem> propertiesOf(const QByteArray& answer, const char* what)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(answer, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return Problem{
            QStringLiteral("the %1 record is not JSON (%2)").arg(QLatin1String(what), error.errorString())};
    const QJsonObject properties = document.object().value(QLatin1StringView("properties")).toObject();
    if (properties.isEmpty())
        return Problem{QStringLiteral("the %1 record has no properties").arg(QLatin1String(what))};
    return properties;
}

} // namespace

bool isZoneCode(QStringView text)
{
    return isAreaCode(text, u'Z');
}

bool isCountyCode(QStringView text)
{
    return isAreaCode(text, u'C');
}

bool isOfficeCode(QStringView text)
{
    return (text.size() == 3 || text.size() == 4) && std::all_of(text.begin(), text.end(), isCapital);
}

std::variant<Station, Problem> station(const QByteArray& answer)
{
    const auto properties = propertiesOf(answer, "station");
    if (const auto* problem = std::get_if<Problem>(&properties))
        return *problem;
    const QJsonObject& record = std::get<QJsonObject>(properties);
    // Each area is named by its address; its code is the last part.
    const QString zone = areaOf(record, QLatin1StringView("forecast"), u'Z');
    if (zone.isEmpty())
        return Problem{QStringLiteral("the station record names no forecast zone")};
    return Station{zone, record.value(QLatin1StringView("name")).toString(),
                   areaOf(record, QLatin1StringView("county"), u'C'),
                   areaOf(record, QLatin1StringView("fireWeatherZone"), u'Z')};
}

std::variant<Zone, Problem> zone(const QByteArray& answer)
{
    const auto properties = propertiesOf(answer, "zone");
    if (const auto* problem = std::get_if<Problem>(&properties))
        return *problem;
    const QJsonObject& record = std::get<QJsonObject>(properties);
    Zone zone{record.value(QLatin1StringView("id")).toString(),
              record.value(QLatin1StringView("name")).toString(),
              {}};
    for (const QJsonValue& office : record.value(QLatin1StringView("cwa")).toArray()) {
        if (isOfficeCode(office.toString()) && !zone.offices.contains(office.toString()))
            zone.offices.append(office.toString());
    }
    if (!isZoneCode(zone.id))
        return Problem{QStringLiteral("the zone record names no zone")};
    if (zone.offices.isEmpty())
        return Problem{QStringLiteral("the zone record names no forecast office")};
    return zone;
}

QString problemDetail(const QByteArray& answer)
{
    const QJsonObject problem = QJsonDocument::fromJson(answer).object();
    const QString detail = problem.value(QLatin1StringView("detail")).toString().trimmed();
    return detail.isEmpty() ? problem.value(QLatin1StringView("title")).toString().trimmed() : detail;
}

} // namespace ServiceRecords
