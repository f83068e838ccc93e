// A station page of any content through the whole current-conditions path.

#include "FuzzSupport.h"
#include "pages/Extraction.h"
#include "pages/PageReadings.h"
#include "pages/StripMarkup.h"
#include "pages/WeatherAddresses.h"
#include "weather/Conditions.h"
#include "weather/SkyClasses.h"

#include <QList>
#include <QStringList>
#include <utility>

namespace {

const QString conditionsPrefix = QStringLiteral("/weather/current/K");
const QString conditionsSuffix = QStringLiteral(".html");

// The title counts from position 200 on (1-based), written out here rather
// than taken from the code under test so that a change to it is noticed.
constexpr qsizetype titleFrom = 199;

// The field rule stated the other way round: split the text from the label
// on LF and take the wanted line, which exists only when its LF does.
QString fieldBySplitting(const QString& page, const QString& label, int lineNumber, bool trim)
{
    const qsizetype at = label.isEmpty() ? 0 : page.indexOf(label);
    if (at < 0)
        return {};
    const QStringList lines = page.mid(at).split(QLatin1Char('\n'));
    if (lines.size() <= lineNumber)
        return {};
    QString value = lines.at(lineNumber - 1);
    if (trim) {
        qsizetype blanks = 0;
        while (blanks < value.size() && value.at(blanks) == QLatin1Char(' '))
            ++blanks;
        value.remove(0, blanks);
    }
    return value;
}

void checkField(const QString& page, const QString& value, const QString& label, int lineNumber, bool trim)
{
    FUZZ_CHECK(!value.contains(QLatin1Char('\n')));
    if (trim)
        FUZZ_CHECK(!value.startsWith(QLatin1Char(' ')));
    FUZZ_CHECK(value == fieldBySplitting(page, label, lineNumber, trim));
}

void checkSkyChoice(const QString& sky, const SkyClasses::Choice& choice)
{
    // Every keyword test runs, case-sensitively, in this order.
    const std::pair<int, QStringList> tests[] = {
        {SkyClasses::Cloud, {QStringLiteral("cloud")}},
        {SkyClasses::Overcast, {QStringLiteral("overcast")}},
        {SkyClasses::Rain, {QStringLiteral("rain")}},
        {SkyClasses::Thunder, {QStringLiteral("thunder")}},
        {SkyClasses::ClearOrSun, {QStringLiteral("clear"), QStringLiteral("sun")}},
        {SkyClasses::Snow, {QStringLiteral("snow")}},
    };
    QList<int> expected;
    for (const auto& [index, keywords] : tests) {
        for (const QString& keyword : keywords) {
            if (sky.contains(keyword)) {
                expected.append(index);
                break;
            }
        }
    }
    FUZZ_CHECK(choice.shown == expected);
    FUZZ_CHECK(choice.windowIcon.has_value() == !expected.isEmpty());
    if (choice.windowIcon)
        FUZZ_CHECK(*choice.windowIcon == expected.constLast());
}

// The station code comes from the user's settings; the first line of the
// input stands in for it, so the address is fuzzed along with the page.
void checkStationAddress(const QString& text)
{
    const QString code = text.left(text.indexOf(QLatin1Char('\n'))).left(16);
    fuzz::checkRequestAddress(WeatherAddresses::conditions(QStringLiteral("127.0.0.1:8080"), code),
                              conditionsPrefix, code, conditionsSuffix);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString body = fuzz::latin1(data, size);
    checkStationAddress(body);

    const PageReadings::ConditionsPage read = PageReadings::conditions(body);
    const ConditionsReading& reading = read.reading;
    const bool ok = reading.received;
    FUZZ_CHECK(ok == reading.problem.isEmpty());

    const QString& page = read.text;
    if (!body.contains(QLatin1Char('<'))) {
        // Text without markup is not a station page at all.
        FUZZ_CHECK(!ok);
        FUZZ_CHECK(page == body);
    } else {
        const QString stripped = StripMarkup(body);
        const qsizetype title = stripped.indexOf(QLatin1String("Current Weather Conditions"), titleFrom);
        FUZZ_CHECK(ok == (title >= 0));
        if (ok) {
            // Cut at the first title from position 200 on, and nowhere else.
            FUZZ_CHECK(page.startsWith(QLatin1String("Current Weather Conditions")));
            FUZZ_CHECK(stripped.endsWith(page));
            FUZZ_CHECK(stripped.size() - page.size() == title);
        } else {
            FUZZ_CHECK(page == stripped);
        }
    }

    // The window reads the fields after a true result only, but they must
    // be safe on whatever the page holds.
    checkField(page, Extraction::GetLocation(page), QString(), 5, false);
    checkField(page, Extraction::GetTemperature(page), QStringLiteral("Temperature"), 3, true);
    checkField(page, Extraction::GetHumidity(page), QStringLiteral("Relative Humidity"), 3, true);
    checkField(page, Extraction::GetDewPoint(page), QStringLiteral("Dew Point"), 3, true);
    checkField(page, Extraction::GetWind(page), QStringLiteral("Wind"), 3, true);
    checkField(page, Extraction::GetPressure(page), QStringLiteral("Pressure"), 3, true);
    checkField(page, Extraction::GetSkyConditions(page), QStringLiteral("Sky conditions"), 3, true);
    checkField(page, Extraction::GetVisibility(page), QStringLiteral("Visibility"), 3, true);
    if (!ok)
        return 0;
    const Conditions& values = reading.values;
    FUZZ_CHECK(values.location == Extraction::GetLocation(page));
    FUZZ_CHECK(values.sky == Extraction::GetSkyConditions(page));
    checkSkyChoice(values.sky, SkyClasses::classify(values.sky));
    // Into the labels, as the window shows them.
    for (const QString* value : {&values.location, &values.temperature, &values.humidity, &values.dewPoint,
                                 &values.pressure, &values.wind, &values.visibility, &values.sky})
        fuzz::Display::instance().showValue(*value);
    return 0;
}
