#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

// When the shown observation was made, as the current-conditions page
// tells it in the time line below the location ("Conditions at Dec 07,
// 1998 - 08:53 AM MST", or the service's own "Dec 07, 2026 - 10:53 AM EST
// / 2026.12.07 1553 UTC").
namespace ObservationTime {

struct Observed
{
    QString shown; // "Dec 07, 2026 08:53 AM MST", as the page words it
    QDateTime at;  // in UTC; invalid when the page's time zone is not known
};

// The time line of a page cut at its title, looked for in the few lines
// below the location line; nothing when there is none.
std::optional<Observed> fromPage(const QString& page);

// The time line itself ("Dec 07, 2026 - 10:53 AM EST / 2026.12.07 1553
// UTC"), found anywhere in `line`; nothing when there is none.
std::optional<Observed> fromLine(QStringView line);

// "Observed Dec 07, 2026 08:53 AM MST — 14 minutes ago": the age as of
// `now`, left out when the time is not known or lies ahead of `now`.
QString describe(const Observed& observed, const QDateTime& now);

} // namespace ObservationTime
