#include "ObservationTime.h"

#include <QHash>
#include <QRegularExpression>
#include <QTimeZone>

namespace ObservationTime {

namespace {

// The zones the weather service names in its time lines, by their offset
// from UTC in hours.
const QHash<QString, int>& zoneOffsets()
{
    static const QHash<QString, int> offsets{
        {QStringLiteral("UTC"), 0},   {QStringLiteral("GMT"), 0},   {QStringLiteral("AST"), -4},
        {QStringLiteral("ADT"), -3},  {QStringLiteral("EST"), -5},  {QStringLiteral("EDT"), -4},
        {QStringLiteral("CST"), -6},  {QStringLiteral("CDT"), -5},  {QStringLiteral("MST"), -7},
        {QStringLiteral("MDT"), -6},  {QStringLiteral("PST"), -8},  {QStringLiteral("PDT"), -7},
        {QStringLiteral("AKST"), -9}, {QStringLiteral("AKDT"), -8}, {QStringLiteral("HST"), -10},
        {QStringLiteral("SST"), -11}, {QStringLiteral("CHST"), 10},
    };
    return offsets;
}

// The digits of `text` from `at` on, `count` of them, as a number; -1 when
// they are not all digits. The pattern has already checked the shape; this
// reads it without a locale's date parser, which costs tens of
// microseconds a refresh.
int number(QStringView text, qsizetype at, qsizetype count)
{
    int value = 0;
    for (qsizetype i = at; i < at + count; ++i) {
        if (i >= text.size() || !text[i].isDigit())
            return -1;
        value = value * 10 + text[i].digitValue();
    }
    return value;
}

// "2026.12.07 1553", in UTC; invalid when no such moment exists.
QDateTime utcStamp(QStringView text)
{
    const QDate date(number(text, 0, 4), number(text, 5, 2), number(text, 8, 2));
    const QTime time(number(text, 11, 2), number(text, 13, 2));
    if (!date.isValid() || !time.isValid())
        return {};
    return QDateTime(date, time, QTimeZone::utc());
}

// "Dec 07, 2026" and "8:53 AM", as a wall-clock time; invalid when no such
// moment exists.
QDateTime localStamp(QStringView day, QStringView clock)
{
    static const QStringList months{
        QStringLiteral("Jan"), QStringLiteral("Feb"), QStringLiteral("Mar"), QStringLiteral("Apr"),
        QStringLiteral("May"), QStringLiteral("Jun"), QStringLiteral("Jul"), QStringLiteral("Aug"),
        QStringLiteral("Sep"), QStringLiteral("Oct"), QStringLiteral("Nov"), QStringLiteral("Dec"),
    };
    const qsizetype comma = day.indexOf(QLatin1Char(','));
    const qsizetype colon = clock.indexOf(QLatin1Char(':'));
    if (comma < 0 || colon < 0)
        return {};
    const QDate date(number(day, comma + 2, 4), int(months.indexOf(day.left(3))) + 1,
                     number(day, 4, comma - 4));
    const int hour = number(clock, 0, colon);
    const int minute = number(clock, colon + 1, 2);
    if (!date.isValid() || hour < 1 || hour > 12 || minute < 0 || minute > 59)
        return {};
    const bool afternoon = clock.endsWith(QLatin1StringView("PM"));
    return QDateTime(date, QTime(hour % 12 + (afternoon ? 12 : 0), minute));
}

QString plural(qint64 count, const char* unit)
{
    return QStringLiteral("%1 %2%3 ago").arg(count).arg(QLatin1String(unit)).arg(count == 1 ? "" : "s");
}

} // namespace

std::optional<Observed> fromPage(const QString& page)
{
    // The location is the fifth line from the title; the time follows it
    // within a few lines on every page the program reads.
    qsizetype start = 0;
    for (int line = 1; line < 5; ++line) {
        start = page.indexOf(QLatin1Char('\n'), start);
        if (start < 0)
            return std::nullopt;
        ++start;
    }
    const qsizetype end = [&page, start] {
        qsizetype at = start;
        for (int line = 0; line < 5 && at >= 0; ++line)
            at = page.indexOf(QLatin1Char('\n'), at + 1);
        return at < 0 ? page.size() : at;
    }();
    return fromLine(QStringView(page).mid(start, end - start));
}

std::optional<Observed> fromLine(QStringView line)
{
    static const QRegularExpression timeLine(QStringLiteral(
        R"(([A-Z][a-z]{2} \d{1,2}, \d{4}) - (\d{1,2}:\d{2} [AP]M) ([A-Z]{2,5})(?: / (\d{4}\.\d{2}\.\d{2} \d{4}) UTC)?)"));
    const QRegularExpressionMatch match = timeLine.match(line);
    if (!match.hasMatch())
        return std::nullopt;

    Observed observed;
    const QString zone = match.captured(3);
    observed.shown = QStringLiteral("%1 %2 %3").arg(match.captured(1), match.captured(2), zone);
    if (match.hasCaptured(4)) {
        observed.at = utcStamp(match.capturedView(4));
    } else if (const auto offset = zoneOffsets().constFind(zone); offset != zoneOffsets().constEnd()) {
        QDateTime local = localStamp(match.capturedView(1), match.capturedView(2));
        local.setTimeZone(QTimeZone(*offset * 3600));
        observed.at = local.toUTC();
    }
    return observed;
}

QString describe(const Observed& observed, const QDateTime& now)
{
    const QString when = QStringLiteral("Observed ") + observed.shown;
    if (!observed.at.isValid() || observed.at > now.addSecs(60))
        return when;
    const qint64 minutes = observed.at.secsTo(now) / 60;
    QString age;
    if (minutes < 1)
        age = QStringLiteral("just now");
    else if (minutes < 60)
        age = plural(minutes, "minute");
    else if (minutes < 48 * 60)
        age = plural(minutes / 60, "hour");
    else if (minutes < 2 * 365 * 24 * 60)
        age = plural(minutes / (24 * 60), "day");
    else
        age = plural(minutes / (365 * 24 * 60), "year");
    return when + QStringLiteral(" \u2014 ") + age;
}

} // namespace ObservationTime
