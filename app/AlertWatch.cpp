#include "AlertWatch.h"

#include "net/Clock.h"

#include <QLocale>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <limits>
#include <optional>

Q_LOGGING_CATEGORY(lcAlerts, "ventaro.alerts")

namespace {

using Alert = WeatherAlert;

bool shownKind(const Alert& alert)
{
    return alert.status == Alert::Status::Actual && (alert.messageType == Alert::MessageType::Alert ||
                                                     alert.messageType == Alert::MessageType::Update);
}

constexpr qint64 never = std::numeric_limits<qint64>::max();

// When the alert leaves effect: its message expires or its event ends,
// whichever comes first.
qint64 overAt(const Alert& alert)
{
    qint64 over = never;
    for (const QDateTime& time : {alert.expires, alert.ends}) {
        if (time.isValid())
            over = std::min(over, time.toMSecsSinceEpoch());
    }
    return over;
}

// Service text on one line of sane length: line ends and other control
// characters would start lines of their own in a tooltip.
QString oneLine(const QString& text, qsizetype maxLength)
{
    // Far more than is kept, but never the megabytes a server may send.
    QString line = text.left(4 * maxLength);
    for (QChar& c : line) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator)
            c = QLatin1Char(' ');
    }
    line = line.simplified();
    if (line.size() <= maxLength && text.size() <= 4 * maxLength)
        return line;
    return line.left(maxLength - 1) + QChar(0x2026);
}

QString moreAlerts(qsizetype count)
{
    return count == 1 ? QStringLiteral("and 1 more alert") : QStringLiteral("and %1 more alerts").arg(count);
}

// The alerts past the most severe, counted while in effect at `now`.
qsizetype stillIn(const QList<qint64>& beyond, qint64 now)
{
    return beyond.cend() - std::upper_bound(beyond.cbegin(), beyond.cend(), now);
}

// "UTC-7", "UTC+5:30", "UTC".
QString offsetName(int seconds)
{
    if (seconds == 0)
        return QStringLiteral("UTC");
    const int minutes = std::abs(seconds) / 60;
    QString name =
        QStringLiteral("UTC") + QLatin1Char(seconds < 0 ? '-' : '+') + QString::number(minutes / 60);
    if (minutes % 60 != 0)
        name += QStringLiteral(":%1").arg(minutes % 60, 2, 10, QLatin1Char('0'));
    return name;
}

// The headlines of the weather service's alerts give their times with the
// zone's name: "Winter Storm Warning issued December 7 at 9:12AM MST until
// December 8 at 6:00PM MST by NWS Denver CO".
const QRegularExpression& headlineTime()
{
    static const QRegularExpression pattern(
        QStringLiteral("\\b(January|February|March|April|May|June|July|August|September|October|November|"
                       "December) (\\d{1,2}) at (\\d{1,2}):(\\d{2}) ?([AP]M) ([A-Z][A-Za-z]{1,4})\\b"));
    return pattern;
}

// The zone name the headline gives to a time that is one of the alert's own
// at `offset`: the name then stands for that offset, whichever US zone it
// is (MST in Denver, PDT in Los Angeles, both seven hours behind UTC).
std::optional<QString> headlineZone(const Alert& alert, int offset)
{
    // Only times given at that very offset: one the alert gives at another
    // (the issue time before a change to summer time) is named for that one.
    QList<QDateTime> times;
    for (const QDateTime& time : {alert.ends, alert.expires, alert.onset, alert.effective, alert.sent}) {
        if (time.isValid() && time.offsetFromUtc() == offset)
            times.append(time);
    }
    const QLocale c = QLocale::c();
    QRegularExpressionMatchIterator matches = headlineTime().globalMatch(alert.headline);
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        int month = 1;
        while (month < 12 && c.monthName(month) != match.captured(1))
            ++month;
        const int day = match.captured(2).toInt();
        const int hour12 = match.captured(3).toInt();
        const int minute = match.captured(4).toInt();
        const int hour = hour12 % 12 + (match.captured(5) == QLatin1String("PM") ? 12 : 0);
        for (const QDateTime& time : times) {
            if (time.date().month() == month && time.date().day() == day && time.time().hour() == hour &&
                time.time().minute() == minute) {
                return match.captured(6);
            }
        }
    }
    return std::nullopt;
}

} // namespace

AlertWatch::AlertWatch(Clock& clock) : m_clock(clock) {}

AlertWatch::Prepared AlertWatch::prepare(const QList<WeatherAlert>& alerts)
{
    // Only actual messages replace others: a test cancellation leaves the
    // real warning standing.
    QSet<QString> replaced;
    for (const Alert& alert : alerts) {
        if (alert.status == Alert::Status::Actual) {
            for (const QString& reference : alert.references)
                replaced.insert(reference);
        }
    }
    QList<qsizetype> effective;
    for (qsizetype index = 0; index < alerts.size(); ++index) {
        if (shownKind(alerts[index]) && !replaced.contains(alerts[index].id))
            effective.append(index);
    }
    std::stable_sort(effective.begin(), effective.end(),
                     [&alerts](qsizetype a, qsizetype b) { return alerts[a].severity > alerts[b].severity; });

    Prepared prepared;
    QHash<QString, qsizetype> lineAt;
    for (qsizetype rank = 0; rank < effective.size(); ++rank) {
        const Alert& alert = alerts[effective[rank]];
        if (rank >= maxAlerts) {
            prepared.beyond.append(overAt(alert));
            continue;
        }
        prepared.alerts.append(alert);
        const QString line = sightLine(alert);
        const auto known = lineAt.constFind(line);
        const bool warning = alert.severity >= Alert::Severity::Severe;
        if (known == lineAt.cend()) {
            lineAt.insert(line, prepared.lines.size());
            prepared.lines.append({line, overAt(alert), warning});
        } else {
            Prepared::Line& shown = prepared.lines[*known];
            shown.over = std::max(shown.over, overAt(alert));
            shown.warning = shown.warning || warning;
        }
    }
    std::sort(prepared.beyond.begin(), prepared.beyond.end());
    return prepared;
}

void AlertWatch::forget(const QDateTime& now)
{
    m_seen.removeIf([&now](const auto& seen) { return seen.value().forgetAfter < now; });
    m_allowances.removeIf(
        [&now](const auto& allowance) { return allowance.value().since.addSecs(3600) <= now; });
    // A flood of new ids at every refresh is bounded by count as well; those
    // the answers listed longest ago go first, never those of the answer
    // just taken (at most maxAlerts).
    if (m_seen.size() > maxRemembered) {
        QList<QDateTime> listed;
        listed.reserve(m_seen.size());
        for (const Seen& seen : std::as_const(m_seen))
            listed.append(seen.lastListed);
        const auto cut = listed.begin() + (m_seen.size() - maxRemembered);
        std::nth_element(listed.begin(), cut, listed.end());
        const QDateTime oldestKept = *cut;
        m_seen.removeIf([&oldestKept](const auto& seen) { return seen.value().lastListed < oldestKept; });
    }
}

bool AlertWatch::allowed(const WeatherAlert& alert, const QDateTime& now)
{
    // The service's words, cut: the key only tells events and areas apart.
    const QString key = alert.event.left(200) + QLatin1Char('\n') + alert.area.left(200);
    Allowance& allowance = m_allowances[key];
    if (!allowance.since.isValid() || allowance.since.addSecs(3600) <= now)
        allowance = {now, 0};
    if (allowance.told >= toldPerHour)
        return false;
    ++allowance.told;
    return true;
}

QList<Notifier::Notification> AlertWatch::take(const Prepared& alerts)
{
    const QDateTime now = m_clock.wallTime();
    const qint64 nowMs = now.toMSecsSinceEpoch();
    m_last = alerts;
    forget(now);

    // What is new to the user, with whether it updates an alert seen. Each
    // alert told of one by one is logged on its own; of the others, whose
    // number the service decides, only how many.
    QList<std::pair<const Alert*, bool>> tell;
    qsizetype notWorse = 0;
    qsizetype heldBack = 0;
    for (const Alert& alert : alerts.alerts) {
        if (overAt(alert) <= nowMs)
            continue;
        const QDateTime until = alert.until();
        const QDateTime forgetAfter = std::min((until.isValid() && until > now ? until : now).addDays(1),
                                               now.addSecs(std::chrono::seconds(rememberedFor).count()));
        const auto known = m_seen.find(alert.id);
        if (known != m_seen.end()) {
            known->forgetAfter = std::max(known->forgetAfter, forgetAfter);
            known->lastListed = now;
            continue;
        }
        std::optional<Alert::Severity> updated;
        for (const QString& reference : alert.references) {
            const auto earlier = m_seen.constFind(reference);
            if (earlier != m_seen.cend())
                updated = std::max(updated.value_or(earlier->severity), earlier->severity);
        }
        m_seen.insert(alert.id, {alert.severity, forgetAfter, now});
        if (updated && alert.severity <= *updated) {
            ++notWorse;
            qCDebug(lcAlerts) << "update, not more severe:" << alert.event << alert.id;
            continue;
        }
        if (!allowed(alert, now)) {
            ++heldBack;
            qCDebug(lcAlerts) << "held back, its event told" << toldPerHour
                              << "times within the hour in its area:" << alert.event << alert.area
                              << alert.id;
            continue;
        }
        tell.append({&alert, updated.has_value()});
    }
    if (notWorse > 0)
        qCInfo(lcAlerts, "updates no more severe than what they update, not told: %lld",
               static_cast<long long>(notWorse));
    if (heldBack > 0)
        qCInfo(lcAlerts,
               "new alerts held back, their events told %d times within the hour in their areas: %lld",
               toldPerHour, static_cast<long long>(heldBack));

    QList<Notifier::Notification> told;
    for (qsizetype index = 0; index < tell.size() && index < toldOneByOne; ++index) {
        const auto [alert, update] = tell[index];
        qCInfo(lcAlerts) << (update ? "update, more severe:" : "new:") << alert->event << alert->id;
        told.append({alert->event, alert->headline, alert->severity >= Alert::Severity::Severe});
    }
    // The others together, naming a few of their events; the least severe,
    // past those weighed one by one, are only counted, and only when there
    // is something new to tell.
    const qsizetype beyond = tell.isEmpty() ? 0 : stillIn(alerts.beyond, nowMs);
    const qsizetype more = std::max<qsizetype>(0, tell.size() - toldOneByOne) + beyond;
    if (more > 0) {
        QStringList events;
        bool unnamed = beyond > 0;
        bool critical = false;
        for (qsizetype index = toldOneByOne; index < tell.size(); ++index) {
            const Alert& alert = *tell[index].first;
            critical = critical || alert.severity >= Alert::Severity::Severe;
            const QString event = oneLine(alert.event, 100);
            if (events.contains(event))
                continue;
            if (events.size() < 10)
                events.append(event);
            else
                unnamed = true;
        }
        if (unnamed && !events.isEmpty())
            events.append(QStringLiteral("others"));
        QString body = events.mid(0, events.size() - 1).join(QStringLiteral(", "));
        if (events.size() > 1)
            body += QStringLiteral(" and ");
        if (!events.isEmpty())
            body += events.last();
        qCInfo(lcAlerts, "alerts summed up in one notification: %lld", static_cast<long long>(more));
        told.append({moreAlerts(more), body, critical});
    }
    return told;
}

QStringList AlertWatch::inSight() const
{
    const qint64 now = m_clock.wallTime().toMSecsSinceEpoch();
    QStringList lines;
    qsizetype more = 0;
    for (const Prepared::Line& line : m_last.lines) {
        if (line.over <= now)
            continue;
        if (lines.size() < linesInSight)
            lines.append(line.text);
        else
            ++more;
    }
    more += stillIn(m_last.beyond, now);
    if (more > 0)
        lines.append(moreAlerts(more));
    return lines;
}

QString AlertWatch::warningInSight() const
{
    // The lines stand most severe first.
    const qint64 now = m_clock.wallTime().toMSecsSinceEpoch();
    for (const Prepared::Line& line : m_last.lines) {
        if (line.over > now && line.warning)
            return line.text;
    }
    return {};
}

QString AlertWatch::sightLine(const WeatherAlert& alert)
{
    const QString event = oneLine(alert.event, 100);
    const QDateTime until = alert.until();
    if (!until.isValid())
        return event;
    const int offset = until.offsetFromUtc();
    const QDateTime local = until.toOffsetFromUtc(offset);
    const int hour = local.time().hour();
    const int minute = local.time().minute();
    QString clock = QString::number(hour % 12 == 0 ? 12 : hour % 12);
    if (minute != 0)
        clock += QStringLiteral(":%1").arg(minute, 2, 10, QLatin1Char('0'));
    clock += hour < 12 ? QStringLiteral(" AM") : QStringLiteral(" PM");
    const QString zone = headlineZone(alert, offset).value_or(offsetName(offset));
    return QStringLiteral("%1 until %2 %3 %4")
        .arg(event, clock, zone, QLocale::c().toString(local.date(), QStringLiteral("ddd")));
}
