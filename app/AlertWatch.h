#pragma once

#include "shell/Notifier.h"
#include "weather/WeatherAlert.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QLoggingCategory>
#include <QStringList>
#include <chrono>
#include <functional>

class Clock;

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
//
// Whatever the service sends, what is told and kept stays bounded:
// - A refresh tells of its toldOneByOne most severe new alerts one by one,
//   and of the others together in one more notification ("and 12 more
//   alerts", naming their events).
// - Of one event in one area (the same warning under a new id at each
//   refresh) at most toldPerHour alerts are told within an hour; the
//   others are only in sight.
// - An id is forgotten a day after its alert ends, but at the latest
//   rememberedFor after the last answer that listed it, whatever end the
//   alert claims; and past maxRemembered ids, those listed longest ago go
//   first.
// - Of one answer, the maxAlerts most severe alerts are weighed one by one;
//   the others are only counted, in sight and in the summing-up of a
//   refresh that tells of something new.
// - At most linesInSight lines are in sight, the rest counted in one line
//   ("and 3 more alerts").
class AlertWatch
{
public:
    static constexpr qsizetype maxAlerts = 300;
    static constexpr qsizetype toldOneByOne = 3;
    static constexpr int toldPerHour = 3;
    static constexpr qsizetype linesInSight = 12;
    static constexpr std::chrono::hours rememberedFor{48};
    static constexpr qsizetype maxRemembered = 4 * maxAlerts;

    // One answer's alerts made ready for the watch. All the work that grows
    // with the answer (its references, the order by severity, the lines) is
    // done here, once per answer, where the answer is read: a large one on a
    // worker thread. What the watch does with it at a refresh or a minute's
    // tick costs at most in proportion to maxAlerts.
    struct Prepared
    {
        struct Line
        {
            QString text; // "Winter Storm Warning until 6 PM MST Tue"
            // When it leaves sight, in milliseconds since the epoch; the
            // largest number for never.
            qint64 over = 0;
            // An alert of the line threatens life or property (severity
            // Severe or Extreme).
            bool warning = false;
        };
        // Those that are in effect until their times run out, most severe
        // first (the service's order within one severity); at most
        // maxAlerts.
        QList<WeatherAlert> alerts;
        // Their lines, in the same order; the same line once, in sight
        // while any of its alerts is.
        QList<Line> lines;
        // When each of the others leaves effect, in rising order (as `over`).
        QList<qint64> beyond;
    };

    // `clock` gives the time now; it must outlive the watch.
    explicit AlertWatch(Clock& clock);

    // Prepares one refresh's alerts: all the service gave, in its order. A
    // pure function, safe on any thread.
    static Prepared prepare(const QList<WeatherAlert>& alerts);

    // Takes one refresh's alerts and answers what to tell the user now,
    // most severe first: each alert's event as the summary and its headline
    // as the body, critical when it is severe or extreme; the summing-up of
    // the others last.
    QList<Notifier::Notification> take(const Prepared& alerts);

    // The alerts of the last refresh that are in effect now, most severe
    // first, as lines ("Winter Storm Warning until 6 PM MST Tue"); the
    // same line twice only once. Empty before the first refresh.
    QStringList inSight() const;
    // The line of the most severe alert in effect now when it threatens life
    // or property (severity Severe or Extreme); empty when none does.
    QString warningInSight() const;

    // The event with its end in the alert's own local time: "Winter Storm
    // Warning until 6 PM MST Tue", "... until 6:30 PM ...", just the event
    // when the alert gives no end. The zone is named as the alert's
    // headline names it ("... until December 8 at 6:00PM MST by NWS Denver
    // CO"), when a time the headline gives with that name is one of the
    // alert's own times at the end's offset; else by the offset itself
    // ("UTC-7"). The event is put on one line, cut with an ellipsis past
    // a hundred characters.
    static QString sightLine(const WeatherAlert& alert);

private:
    struct Seen
    {
        WeatherAlert::Severity severity;
        QDateTime forgetAfter;
        QDateTime lastListed;
    };
    // The alerts of one event and area told within the hour from `since`.
    struct Allowance
    {
        QDateTime since;
        int told = 0;
    };

    void forget(const QDateTime& now);
    bool allowed(const WeatherAlert& alert, const QDateTime& now);

    Clock& m_clock;
    QHash<QString, Seen> m_seen;
    QHash<QString, Allowance> m_allowances;
    Prepared m_last;
};
