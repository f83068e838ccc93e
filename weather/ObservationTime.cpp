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

QString plural(qint64 count, const char* unit)
{
    return QStringLiteral("%1 %2%3 ago").arg(count).arg(QLatin1String(unit)).arg(count == 1 ? "" : "s");
}

} // namespace

std::optional<Observed> fromPage(const QString& page)
{
    static const QRegularExpression timeLine(QStringLiteral(
        R"(([A-Z][a-z]{2} \d{1,2}, \d{4}) - (\d{1,2}:\d{2} [AP]M) ([A-Z]{2,5})(?: / (\d{4}\.\d{2}\.\d{2} \d{4}) UTC)?)"));
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
    const QRegularExpressionMatch match = timeLine.match(QStringView(page).mid(start, end - start));
    if (!match.hasMatch())
        return std::nullopt;

    Observed observed;
    const QString zone = match.captured(3);
    observed.shown = QStringLiteral("%1 %2 %3").arg(match.captured(1), match.captured(2), zone);
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    if (match.hasCaptured(4)) {
        observed.at = english.toDateTime(match.captured(4), QStringLiteral("yyyy.MM.dd HHmm"));
        observed.at.setTimeZone(QTimeZone::utc());
    } else if (const auto offset = zoneOffsets().constFind(zone); offset != zoneOffsets().constEnd()) {
        QDateTime local = english.toDateTime(match.captured(1) + QLatin1Char(' ') + match.captured(2),
                                             QStringLiteral("MMM d, yyyy h:mm AP"));
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
