#pragma once

#include "Clock.h"

#include <QElapsedTimer>

// The system's clocks: the wall clock in UTC, the monotonic clock from the
// making of this object, alarms by Qt's timers.
class SystemClock final : public Clock
{
public:
    SystemClock();

    QDateTime wallTime() const override;
    std::chrono::milliseconds monotonicTime() const override;
    void callAt(std::chrono::milliseconds at, QObject* context, std::function<void()> alarm) override;

private:
    QElapsedTimer m_monotonic;
};
