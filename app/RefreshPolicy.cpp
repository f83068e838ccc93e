#include "RefreshPolicy.h"

#include "net/Clock.h"

#include <algorithm>

Q_LOGGING_CATEGORY(lcRefreshPolicy, "ventaro.refresh")

using std::chrono::milliseconds;
using std::chrono::minutes;

RefreshPolicy::RefreshPolicy(Clock& clock, std::function<bool()> refreshRunning, QObject* parent)
    : QObject(parent), m_clock(clock), m_refreshRunning(std::move(refreshRunning))
{}

void RefreshPolicy::start()
{
    tickAt(m_clock.monotonicTime() + tickInterval);
}

void RefreshPolicy::tickAt(milliseconds at)
{
    // Each tick is set from the time of the one before, so that the ticks
    // keep their minute however late each rings.
    m_clock.callAt(at, this, [this, at] {
        if (m_stopped)
            return;
        tickAt(at + tickInterval);
        Q_EMIT minutePassed();
    });
}

RefreshPolicy::Moment RefreshPolicy::now() const
{
    return {m_clock.wallTime(), m_clock.monotonicTime()};
}

milliseconds RefreshPolicy::since(const Moment& then) const
{
    const Moment at = now();
    return std::max(at.monotonic - then.monotonic, milliseconds(then.wall.msecsTo(at.wall)));
}

milliseconds RefreshPolicy::interval() const
{
    return minutes(std::max<int>(m_updateMinutes, 1));
}

milliseconds RefreshPolicy::backOff() const
{
    // A server that failed once is most often back within a minute (a
    // network still coming up, a restart); one that keeps failing is asked
    // half as often each time, and never less often than the timer asks.
    const int doublings = std::clamp(m_failures - 1, 0, 15);
    return std::min<milliseconds>(firstBackOff * (1 << doublings), interval());
}

void RefreshPolicy::tick()
{
    // The timer counts only time the machine was awake; a wall clock far
    // ahead of it means the machine slept since the last tick.
    const Moment at = now();
    if (m_lastTick) {
        const milliseconds wallStep(m_lastTick->wall.msecsTo(at.wall));
        if (wallStep - (at.monotonic - m_lastTick->monotonic) > sleepGap) {
            qCDebug(lcRefreshPolicy, "the wall clock ran %lld s ahead between two ticks: the machine slept",
                    qint64((wallStep - (at.monotonic - m_lastTick->monotonic)).count() / 1000));
            sessionEvent();
        }
    }
    m_lastTick = at;

    m_minuteCount = static_cast<qint16>(std::min<int>(m_minuteCount + 1, 32767));
    if (m_minuteCount < m_updateMinutes)
        return;
    if (m_refreshRunning() || m_stopped) {
        m_minuteCount = 0;
        return;
    }
    m_timedRefresh = true;
    Q_EMIT refreshDue();
    // Nobody took it up.
    if (!m_refreshRunning() && m_timedRefresh) {
        m_timedRefresh = false;
        m_minuteCount = 0;
    }
}

void RefreshPolicy::sessionEvent()
{
    if (m_stopped)
        return;
    m_eventPending = true;
    m_settledAt = m_clock.monotonicTime() + settle;
    wakeAt(m_settledAt);
}

void RefreshPolicy::refreshEnded(bool conditionsCame)
{
    m_lastEnd = now();
    m_failures = conditionsCame ? 0 : m_failures + 1;
    if (m_timedRefresh) {
        m_timedRefresh = false;
        m_minuteCount = 0;
    }
    decide();
}

void RefreshPolicy::stop()
{
    m_stopped = true;
    m_eventPending = false;
}

void RefreshPolicy::decide()
{
    if (!m_eventPending || m_stopped)
        return;
    const Moment at = now();
    if (at.monotonic < m_settledAt) {
        wakeAt(m_settledAt);
        return;
    }
    // The refresh under way answers the event; its end decides again.
    if (m_refreshRunning())
        return;
    m_eventPending = false;
    // Only weather already asked for is brought up to date.
    if (!m_lastEnd)
        return;
    const milliseconds age = since(*m_lastEnd);
    if (m_failures == 0 && age < interval())
        return;
    if (m_failures > 0 && age < backOff()) {
        m_eventPending = true;
        qCDebug(lcRefreshPolicy, "failed refreshes in a row: %d; the next waits %lld s", m_failures,
                qint64((backOff() - age).count() / 1000));
        wakeAt(at.monotonic + backOff() - age);
        return;
    }
    qCDebug(lcRefreshPolicy, "woke or back online with weather %lld s old: refreshing",
            qint64(age.count() / 1000));
    Q_EMIT refreshDue();
}

void RefreshPolicy::wakeAt(milliseconds at)
{
    // One alarm at a time: an earlier one decides again and sets the next.
    if (m_alarmAt && *m_alarmAt <= at)
        return;
    m_alarmAt = at;
    m_clock.callAt(at, this, [this, at] {
        if (m_alarmAt == at)
            m_alarmAt.reset();
        decide();
    });
}
