#include "ActiveAlerts.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <algorithm>
#include <array>
#include <utility>

namespace ActiveAlerts {

namespace {

using Alert = WeatherAlert;

// A value by the protocol's word for it: `absent` when the answer gives
// none, `unknown` for a word outside the protocol's set.
template <typename Value, size_t Count>
Value valueOf(const QJsonValue& json, const std::array<std::pair<const char*, Value>, Count>& words,
              Value absent, Value unknown)
{
    if (!json.isString())
        return absent;
    const QString text = json.toString();
    for (const auto& [word, value] : words) {
        if (text == QLatin1String(word))
            return value;
    }
    return unknown;
}

constexpr std::array<std::pair<const char*, Alert::Severity>, 5> severities{{
    {"Extreme", Alert::Severity::Extreme},
    {"Severe", Alert::Severity::Severe},
    {"Moderate", Alert::Severity::Moderate},
    {"Minor", Alert::Severity::Minor},
    {"Unknown", Alert::Severity::Unknown},
}};

constexpr std::array<std::pair<const char*, Alert::Urgency>, 5> urgencies{{
    {"Immediate", Alert::Urgency::Immediate},
    {"Expected", Alert::Urgency::Expected},
    {"Future", Alert::Urgency::Future},
    {"Past", Alert::Urgency::Past},
    {"Unknown", Alert::Urgency::Unknown},
}};

constexpr std::array<std::pair<const char*, Alert::Status>, 5> statuses{{
    {"Actual", Alert::Status::Actual},
    {"Exercise", Alert::Status::Exercise},
    {"System", Alert::Status::System},
    {"Test", Alert::Status::Test},
    {"Draft", Alert::Status::Draft},
}};

constexpr std::array<std::pair<const char*, Alert::MessageType>, 5> messageTypes{{
    {"Alert", Alert::MessageType::Alert},
    {"Update", Alert::MessageType::Update},
    {"Cancel", Alert::MessageType::Cancel},
    {"Ack", Alert::MessageType::Ack},
    {"Error", Alert::MessageType::Error},
}};

QDateTime timeOf(const QJsonValue& json)
{
    if (!json.isString())
        return {};
    const QDateTime time = QDateTime::fromString(json.toString(), Qt::ISODate);
    // A time without an offset would be read in the zone of the machine the
    // program runs on, which has nothing to do with the alert's.
    if (!time.isValid() || time.timeSpec() == Qt::LocalTime)
        return {};
    return time;
}

QStringList referencesOf(const QJsonValue& json)
{
    // Only the newest are looked at: an answer listing hundreds of
    // thousands would otherwise cost their keeping and every look-up of
    // them, for nothing.
    const QJsonArray references = json.toArray();
    QStringList ids;
    for (qsizetype index = std::max<qsizetype>(0, references.size() - maxReferences);
         index < references.size(); ++index) {
        const QJsonObject object = references.at(index).toObject();
        QString id = object.value(QLatin1String("identifier")).toString();
        if (id.isEmpty())
            id = object.value(QLatin1String("@id")).toString();
        if (!id.isEmpty() && id.size() <= maxIdLength)
            ids.append(id);
    }
    return ids;
}

// Why a JSON object that is not a collection of alerts is not one, in the
// service's own words where it sent its problem answer (RFC 7807: "title",
// "status", "detail").
QString notACollection(const QJsonObject& object)
{
    const QString title = object.value(QLatin1String("title")).toString();
    const QJsonValue status = object.value(QLatin1String("status"));
    if (status.isDouble() && !title.isEmpty()) {
        QString problem = QStringLiteral("the service answered %1 %2").arg(status.toInt()).arg(title);
        const QString detail = object.value(QLatin1String("detail")).toString();
        if (!detail.isEmpty())
            problem += QStringLiteral(": ") + detail;
        return problem;
    }
    const QString type = object.value(QLatin1String("type")).toString();
    return type.isEmpty() ? QStringLiteral("not a GeoJSON FeatureCollection (no type)")
                          : QStringLiteral("not a GeoJSON FeatureCollection (type \"%1\")").arg(type);
}

} // namespace

Answer parse(const QByteArray& body)
{
    Answer answer;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (document.isNull()) {
        answer.problem =
            body.trimmed().isEmpty()
                ? QStringLiteral("an empty answer")
                : QStringLiteral("not JSON: %1 at byte %2").arg(error.errorString()).arg(error.offset);
        return answer;
    }
    if (!document.isObject()) {
        answer.problem = QStringLiteral("not a GeoJSON FeatureCollection (a JSON array)");
        return answer;
    }
    const QJsonObject collection = document.object();
    if (collection.value(QLatin1String("type")).toString() != QLatin1String("FeatureCollection")) {
        answer.problem = notACollection(collection);
        return answer;
    }
    const QJsonValue features = collection.value(QLatin1String("features"));
    if (!features.isArray()) {
        answer.problem = QStringLiteral("a FeatureCollection without a \"features\" list");
        return answer;
    }

    answer.ok = true;
    const QJsonArray list = features.toArray();
    for (qsizetype index = 0; index < list.size(); ++index) {
        const QJsonObject feature = list.at(index).toObject();
        const QJsonObject properties = feature.value(QLatin1String("properties")).toObject();
        WeatherAlert alert;
        alert.id = properties.value(QLatin1String("id")).toString();
        // The feature's own id is the alert's address; it stands in only
        // for an alert that lacks its identifier.
        if (alert.id.isEmpty())
            alert.id = feature.value(QLatin1String("id")).toString();
        alert.event = properties.value(QLatin1String("event")).toString().trimmed();
        const char* reason = alert.id.isEmpty()              ? "no alert id"
                             : alert.id.size() > maxIdLength ? "an alert id too long to be one"
                             : alert.event.isEmpty()         ? "no event"
                                                             : nullptr;
        if (reason) {
            answer.passedOver.append(QStringLiteral("feature %1: %2").arg(index).arg(QLatin1String(reason)));
            continue;
        }
        alert.headline = properties.value(QLatin1String("headline")).toString();
        alert.area = properties.value(QLatin1String("areaDesc")).toString().trimmed();
        alert.severity = valueOf(properties.value(QLatin1String("severity")), severities,
                                 Alert::Severity::Unknown, Alert::Severity::Unknown);
        alert.urgency = valueOf(properties.value(QLatin1String("urgency")), urgencies,
                                Alert::Urgency::Unknown, Alert::Urgency::Unknown);
        alert.status = valueOf(properties.value(QLatin1String("status")), statuses, Alert::Status::Actual,
                               Alert::Status::Other);
        alert.messageType = valueOf(properties.value(QLatin1String("messageType")), messageTypes,
                                    Alert::MessageType::Alert, Alert::MessageType::Other);
        alert.references = referencesOf(properties.value(QLatin1String("references")));
        alert.sent = timeOf(properties.value(QLatin1String("sent")));
        alert.effective = timeOf(properties.value(QLatin1String("effective")));
        alert.onset = timeOf(properties.value(QLatin1String("onset")));
        alert.expires = timeOf(properties.value(QLatin1String("expires")));
        alert.ends = timeOf(properties.value(QLatin1String("ends")));
        answer.alerts.append(alert);
    }
    return answer;
}

} // namespace ActiveAlerts
