#pragma once

#include "TestData.h"
#include "live/ActiveAlerts.h"

#include <QList>

// The weather service's alerts for Denver on December 7, 2026, as kept
// under tests/data/live/alerts.
namespace SampleAlerts {

// One kept answer's alerts ("none", "one", "two", ...).
inline QList<WeatherAlert> answer(const QString& name)
{
    return ActiveAlerts::parse(TestData::bytes(QStringLiteral("live/alerts/%1.json").arg(name))).alerts;
}

// `count` new warnings in one answer: the kept warning under an id and an
// event of its own ("Warning 7"); the first ten end at 6 PM MST on
// Tuesday, the others an hour before.
inline QList<WeatherAlert> flood(int count)
{
    QList<WeatherAlert> alerts(count, answer(QStringLiteral("one")).first());
    for (int index = 0; index < count; ++index) {
        alerts[index].id += QString::number(index);
        alerts[index].event = QStringLiteral("Warning %1").arg(index);
        alerts[index].expires = alerts[index].ends = alerts[index].ends.addSecs(index < 10 ? 0 : -3600);
    }
    return alerts;
}

} // namespace SampleAlerts
