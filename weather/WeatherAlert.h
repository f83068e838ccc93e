#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

// One weather alert in effect for the station's area, as the program uses
// it, whichever service it came from. The value sets are those of the
// Common Alerting Protocol (CAP 1.2), which the weather services' alerts
// follow.
//
// Times keep the offset from UTC they were given with, so that they can be
// shown in the alert's own local time; a time the alert does not give is
// invalid.
struct WeatherAlert
{
    // In rising order, so that severities compare as they rank.
    enum class Severity
    {
        Unknown,
        Minor,
        Moderate,
        Severe,
        Extreme
    };
    // In rising order of how soon to act.
    enum class Urgency
    {
        Unknown,
        Past,
        Future,
        Expected,
        Immediate
    };
    // Other: a value outside the protocol's set.
    enum class Status
    {
        Actual,
        Exercise,
        System,
        Test,
        Draft,
        Other
    };
    enum class MessageType
    {
        Alert,
        Update,
        Cancel,
        Ack,
        Error,
        Other
    };

    QString id;
    QString event;    // "Winter Storm Warning"
    QString headline; // the service's one-line summary; may be empty
    QString area;     // the areas it covers, as the service names them ("Denver"); may be empty
    Severity severity = Severity::Unknown;
    Urgency urgency = Urgency::Unknown;
    Status status = Status::Actual;
    MessageType messageType = MessageType::Alert;
    // The ids of the earlier alerts this one updates or cancels.
    QStringList references;
    QDateTime sent;
    QDateTime effective;
    QDateTime onset;   // when the event is expected to begin
    QDateTime expires; // when the message itself runs out
    QDateTime ends;    // when the event is expected to end

    // When the alert stops being in effect: the event's end, or the
    // message's expiry when it gives no end.
    QDateTime until() const { return ends.isValid() ? ends : expires; }

    bool operator==(const WeatherAlert&) const = default;
};
