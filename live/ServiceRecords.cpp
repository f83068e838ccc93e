#include "ServiceRecords.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace ServiceRecords {

namespace {

// A public forecast zone: two letters of the state, Z, three digits.
bool isZoneCode(const QString& text)
{
    return text.size() == 6 && text[0].isUpper() && text[1].isUpper() && text[2] == u'Z' &&
           text[3].isDigit() && text[4].isDigit() && text[5].isDigit();
}

// An office of the service: three capitals ("BOU", "SJU").
bool isOfficeCode(const QString& text)
{
    return text.size() == 3 &&
           std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'A' && c <= u'Z'; });
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

std::variant<Station, Problem> station(const QByteArray& answer)
{
    const auto properties = propertiesOf(answer, "station");
    if (const auto* problem = std::get_if<Problem>(&properties))
        return *problem;
    const QJsonObject& record = std::get<QJsonObject>(properties);
    // The zone is named by its address; its code is the last part.
    const QString address = record.value(QLatin1StringView("forecast")).toString();
    const QString zone = address.mid(address.lastIndexOf(u'/') + 1);
    if (!isZoneCode(zone))
        return Problem{QStringLiteral("the station record names no forecast zone")};
    return Station{zone, record.value(QLatin1StringView("name")).toString()};
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
