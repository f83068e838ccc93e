#pragma once

#include <QDateTime>
#include <QLoggingCategory>
#include <QObject>
#include <chrono>
#include <functional>
#include <optional>

class Clock;

Q_DECLARE_LOGGING_CATEGORY(lcRefreshPolicy)

// When the weather refreshes by itself. It ticks every minute on the clock
// from start() on (minutePassed(); the owner does its minute's work and
// calls tick()), is told of every refresh that ends, whatever started it,
// and of the machine waking or its network coming back, and asks whether a
// refresh is running; it answers with refreshDue() when a refresh should
// start now.
//
// The timed refresh: each tick counts a minute (MinuteCount, up to 32767);
// when the count reaches the interval as stored (UpdateMinutes; 0 and less
// mean every minute) refreshDue() comes within the tick, and the count goes
// back to 0 once that refresh has ended, or at once when one was running
// already and the tick's is dropped. A new interval counts from the ticks
// already made. Refreshes started otherwise leave the count alone.
//
// Waking and the network coming back: signals each less than `settle`
// after the one before make one event, decided `settle` after the last.
// It refreshes only weather already asked for that is stale: as old as the
// interval (at least a minute) or more, or from a refresh that failed. It
// never starts one beside a running refresh: it waits for that one's end
// and is dropped when that brought fresh weather. After failures in a row
// it waits out a back-off from the end of the last one: a minute after the
// first, doubling with each further failure, never longer than the
// interval, so that events ask a failing server no more often than the
// timer does.
//
// A tick whose wall clock has moved more than `sleepGap` further than its
// monotonic clock since the tick before counts as waking: the machine
// slept in between, on systems that do not say so.
//
// Ages and back-offs go by the larger of the two clocks' counts: the wall
// clock counts the time asleep, the monotonic clock is not thrown back by a
// clock set back.
class RefreshPolicy final : public QObject
{
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds settle{std::chrono::seconds(5)};
    static constexpr std::chrono::milliseconds sleepGap{std::chrono::minutes(2)};
    static constexpr std::chrono::milliseconds firstBackOff{std::chrono::minutes(1)};
    static constexpr std::chrono::milliseconds tickInterval{std::chrono::minutes(1)};

    // `clock` must outlive the policy; `refreshRunning` tells whether a
    // refresh is under way, whoever started it.
    RefreshPolicy(Clock& clock, std::function<bool()> refreshRunning, QObject* parent = nullptr);

    void setUpdateMinutes(qint16 minutes) { m_updateMinutes = minutes; }
    qint16 updateMinutes() const { return m_updateMinutes; }
    qint16 minuteCount() const { return m_minuteCount; }

    // Starts the minute tick: minutePassed() every tickInterval of the
    // monotonic clock, until stop().
    void start();
    // A tick of the minute timer.
    void tick();
    // The machine woke from sleep, or its network came back.
    void sessionEvent();
    // A refresh has ended, with the current conditions or without them.
    void refreshEnded(bool conditionsCame);
    // No refresh is due any more: the program is ending.
    void stop();

Q_SIGNALS:
    void refreshDue();
    void minutePassed();

private:
    struct Moment
    {
        QDateTime wall;
        std::chrono::milliseconds monotonic;
    };

    Moment now() const;
    std::chrono::milliseconds since(const Moment& then) const;
    std::chrono::milliseconds interval() const;
    std::chrono::milliseconds backOff() const;
    void decide();
    void wakeAt(std::chrono::milliseconds at);
    void tickAt(std::chrono::milliseconds at);

    Clock& m_clock;
    std::function<bool()> m_refreshRunning;
    qint16 m_updateMinutes = 0;
    qint16 m_minuteCount = 0;
    bool m_timedRefresh = false;
    bool m_stopped = false;

    std::optional<Moment> m_lastTick;
    // The end of the last refresh, and how many in a row have failed up to
    // it; none before the first.
    std::optional<Moment> m_lastEnd;
    int m_failures = 0;

    // An event waiting to be decided, and when its burst has settled.
    bool m_eventPending = false;
    std::chrono::milliseconds m_settledAt{0};
    // The earliest alarm set and not yet rung.
    std::optional<std::chrono::milliseconds> m_alarmAt;
};
