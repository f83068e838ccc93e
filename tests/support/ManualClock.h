#pragma once

#include "net/Clock.h"

#include <QPointer>
#include <vector>

// Clocks a test moves by hand. Alarms ring inside advance(), in the order
// of their times, each with the clocks standing at its time; nothing moves
// or rings by itself.
class ManualClock final : public Clock
{
public:
    explicit ManualClock(const QDateTime& wall = QDateTime::currentDateTimeUtc());

    QDateTime wallTime() const override { return m_wall; }
    std::chrono::milliseconds monotonicTime() const override { return m_monotonic; }
    void callAt(std::chrono::milliseconds at, QObject* context, std::function<void()> alarm) override;

    // Time passing with the machine awake: both clocks move on by `step`.
    void advance(std::chrono::milliseconds step);
    // The machine asleep for `span`, or the clock set forward (backward
    // for a negative span): only the wall clock moves.
    void moveWallClock(std::chrono::milliseconds span);
    void setWallTime(const QDateTime& wall) { m_wall = wall; }

private:
    struct Alarm
    {
        std::chrono::milliseconds at;
        QPointer<QObject> context;
        std::function<void()> call;
    };

    QDateTime m_wall;
    std::chrono::milliseconds m_monotonic{0};
    std::vector<Alarm> m_alarms;
};
