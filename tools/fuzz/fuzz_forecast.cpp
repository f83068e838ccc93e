// A state forecast page of any content through the forecast path, and the
// cutting rules on raw text.

#include "FuzzSupport.h"
#include "pages/Extraction.h"
#include "pages/PageReadings.h"
#include "pages/StripMarkup.h"
#include "pages/WeatherAddresses.h"
#include "weather/StateForecast.h"
#include "weather/WeatherTexts.h"

#include <QTextDocument>
#include <algorithm>
#include <optional>

namespace {

const QString forecastPrefix = QStringLiteral("/iwin/");
const QString forecastSuffix = QStringLiteral("/state.html");

// The cuts restated with 1-based positions, as the rules are written: a
// search gives 0 for "not there", and a cut to a negative length is refused
// rather than clamped.
qsizetype positionOf(const QString& text, QLatin1String what)
{
    return text.indexOf(what) + 1;
}

std::optional<QString> leftPart(const QString& text, qsizetype length)
{
    if (length < 0)
        return std::nullopt;
    return text.first(std::min(length, text.size()));
}

std::optional<QString> rightPart(const QString& text, qsizetype length)
{
    if (length < 0)
        return std::nullopt;
    return text.last(std::min(length, text.size()));
}

std::optional<QString> modelCut(QString text)
{
    if (const qsizetype year = positionOf(text, QLatin1String("1998")); year > 0) {
        // From 29 characters before the year, then past the first CR.
        text = *rightPart(text, text.size() - year + 30);
        text = *rightPart(text, text.size() - positionOf(text, QLatin1String("\r")));
    }
    for (const QLatin1String marker : {QLatin1String("NNNN"), QLatin1String("$$")}) {
        if (const qsizetype at = positionOf(text, marker); at > 0) {
            const std::optional<QString> kept = leftPart(text, at - 3);
            if (!kept)
                return std::nullopt;
            text = *kept;
        }
    }
    return rightPart(text, text.size() - 1);
}

void checkCut(const QString& text, const Extraction::ForecastCut& cut)
{
    const std::optional<QString> expected = modelCut(text);
    FUZZ_CHECK(cut.ok == expected.has_value());
    if (!cut.ok) {
        FUZZ_CHECK(!cut.error.isEmpty());
        FUZZ_CHECK(cut.text.isEmpty());
        return;
    }
    FUZZ_CHECK(cut.text == *expected);
    FUZZ_CHECK(cut.error.isEmpty());
    // A cut only ever removes text from the two ends, and always the first
    // character, so the forecast is a strictly shorter piece of the page
    // (that it is a piece of it follows from the model, which only takes
    // the ends off; a search for it would cost the square of a long page).
    FUZZ_CHECK(cut.text.size() < text.size());
    // Both end markers and everything after them are gone.
    FUZZ_CHECK(!cut.text.contains(QLatin1String("NNNN")));
    FUZZ_CHECK(!cut.text.contains(QLatin1String("$$")));
}

// The state code comes from the user's settings; the first line of the
// input stands in for it, so the address is fuzzed along with the page.
void checkStateAddress(const QString& text)
{
    const QString code = text.left(text.indexOf(QLatin1Char('\n'))).left(16);
    const QUrl url = WeatherAddresses::stateForecast(QStringLiteral("127.0.0.1:8081"), code);
    if (code == QLatin1String(".") || code == QLatin1String(".."))
        FUZZ_CHECK(!url.isValid());
    fuzz::checkRequestAddress(url, forecastPrefix, code, forecastSuffix);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString body = fuzz::latin1(data, size);
    checkStateAddress(body);
    checkCut(body, Extraction::cutStateForecast(body));

    const ForecastReading reading = PageReadings::stateForecast(body);
    if (!body.contains(QLatin1Char('<'))) {
        FUZZ_CHECK(reading.outcome == ForecastReading::Outcome::NotReceived);
        FUZZ_CHECK(reading.text == WeatherTexts::forecastNotReceived);
        return 0;
    }
    const QString stripped = StripMarkup(body);
    const Extraction::ForecastCut cut = Extraction::cutStateForecast(stripped);
    checkCut(stripped, cut);
    if (cut.ok) {
        FUZZ_CHECK(reading.outcome == ForecastReading::Outcome::Forecast);
        FUZZ_CHECK(reading.text == cut.text);
    } else {
        FUZZ_CHECK(reading.outcome == ForecastReading::Outcome::CutFailed);
        FUZZ_CHECK(reading.text == WeatherTexts::forecastError(cut.error));
    }

    // Into the box, as the window fills it: the same text, apart from line
    // ends added where a line was too long to lay out as one.
    QString shown = fuzz::Display::instance().showForecast(reading.text);
    // The text as a box holds it (a document is never laid out unless
    // asked), to compare line ends as the box keeps them.
    QTextDocument reference;
    reference.setPlainText(reading.text);
    QString expected = reference.toPlainText();
    FUZZ_CHECK(shown.remove(QLatin1Char('\n')) == expected.remove(QLatin1Char('\n')));
    return 0;
}
