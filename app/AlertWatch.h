#pragma once

#include "weather/WeatherAlert.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QLoggingCategory>
#include <QStringList>
#include <functional>

Q_DECLARE_LOGGING_CATEGORY(lcAlerts)

// Decides, refresh by refresh, which of the station's alerts to tell the
// user about, and which are in sight.
//
// In effect are the actual alerts (status Actual) of type Alert or Update
// whose message has not expired and whose event has not ended, less those
// that a later one in the same answer updates or cancels (references).
// Cancellations, acknowledgements, error messages, tests, exercises and
// drafts are never in effect: they drop silently.
//
// An alert in effect is told about once, the first time its id is seen. An
// update (one that references earlier alerts) is told about again only
// when its severity rises above the highest of the alerts it updates that
// were seen; one that updates alerts never seen is new to the user and is
// told about. An id is remembered until a day after its alert ends, so an
// alert that drops out of one answer and comes back is not told twice.
class AlertWatch
{
public:
    // `clock` gives the time now.
    explicit AlertWatch(std::function<QDateTime()> clock);

    // Takes one refresh's alerts (all the service gave, in its order) and
    // answers those to tell the user about now, most severe first.
    QList<WeatherAlert> take(const QList<WeatherAlert>& alerts);

    // The alerts of the last refresh that are in effect now, most severe
    // first, as lines ("Winter Storm Warning until 6 PM MST Tue"); the
    // same line twice only once. Empty before the first refresh.
    QStringList inSight() const;

    // The alerts in effect at `now`, most severe first (the service's order
    // within one severity).
    static QList<WeatherAlert> inEffect(const QList<WeatherAlert>& alerts, const QDateTime& now);

    // The event with its end in the alert's own local time: "Winter Storm
    // Warning until 6 PM MST Tue", "... until 6:30 PM ...", just the event
    // when the alert gives no end. The zone is named as the alert's
    // headline names it ("... until December 8 at 6:00PM MST by NWS Denver
    // CO"), when a time the headline gives with that name is one of the
    // alert's own times at the end's offset; else by the offset itself
    // ("UTC-7").
    static QString sightLine(const WeatherAlert& alert);

private:
    struct Seen
    {
        WeatherAlert::Severity severity;
        QDateTime forgetAfter;
    };

    std::function<QDateTime()> m_clock;
    QHash<QString, Seen> m_seen;
    QList<WeatherAlert> m_last;
};
