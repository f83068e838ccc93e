#pragma once

#include <QDateTime>
#include <chrono>
#include <functional>

class QObject;

// The time as the program reads it, from two clocks that disagree on
// purpose: the wall clock (UTC) goes on while the machine sleeps but can
// be set back or forward; the monotonic clock never goes back but stands
// still while the machine sleeps. Alarms go by the monotonic clock.
class Clock
{
public:
    virtual ~Clock() = default;

    virtual QDateTime wallTime() const = 0;
    // Since some moment of this clock's own choosing.
    virtual std::chrono::milliseconds monotonicTime() const = 0;

    // Calls `alarm` from the event loop of `context`'s thread once the
    // monotonic clock has reached `at` (at the next chance when it already
    // has); never when `context` is destroyed first.
    virtual void callAt(std::chrono::milliseconds at, QObject* context, std::function<void()> alarm) = 0;
};
