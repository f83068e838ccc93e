#include "ManualClock.h"

#include <algorithm>

ManualClock::ManualClock(const QDateTime& wall) : m_wall(wall) {}

void ManualClock::callAt(std::chrono::milliseconds at, QObject* context, std::function<void()> alarm)
{
    m_alarms.push_back({at, context, std::move(alarm)});
}

void ManualClock::advance(std::chrono::milliseconds step)
{
    const std::chrono::milliseconds until = m_monotonic + step;
    while (true) {
        // Earliest first, and among equal times the first set; an alarm
        // may set another, which may fall due within the same step.
        const auto due = std::min_element(m_alarms.begin(), m_alarms.end(),
                                          [](const Alarm& a, const Alarm& b) { return a.at < b.at; });
        if (due == m_alarms.end() || due->at > until)
            break;
        const Alarm alarm = *due;
        m_alarms.erase(due);
        if (alarm.at > m_monotonic) {
            m_wall = m_wall.addMSecs((alarm.at - m_monotonic).count());
            m_monotonic = alarm.at;
        }
        if (alarm.context)
            alarm.call();
    }
    m_wall = m_wall.addMSecs((until - m_monotonic).count());
    m_monotonic = until;
}

void ManualClock::moveWallClock(std::chrono::milliseconds span)
{
    m_wall = m_wall.addMSecs(span.count());
}
