#include "SystemClock.h"

#include <QTimer>

SystemClock::SystemClock()
{
    m_monotonic.start();
}

QDateTime SystemClock::wallTime() const
{
    return QDateTime::currentDateTimeUtc();
}

std::chrono::milliseconds SystemClock::monotonicTime() const
{
    return std::chrono::milliseconds(m_monotonic.elapsed());
}

void SystemClock::callAt(std::chrono::milliseconds at, QObject* context, std::function<void()> alarm)
{
    // Qt's timers count by the same monotonic clock as QElapsedTimer; a
    // precise one never rings before its time, as a coarse one may.
    QTimer::singleShot(std::max(at - monotonicTime(), std::chrono::milliseconds(0)), Qt::PreciseTimer,
                       context, std::move(alarm));
}
