// The settings store's number forms on any text and any double.

#include "FuzzSupport.h"
#include "settings/NumberForm.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace {

// The reading rule done by hand and handed to the C library, whose strtod
// rounds correctly and saturates to infinity on overflow and to zero (or a
// subnormal) on underflow, as a reading of a decimal number should.
double referenceValue(const QString& text)
{
    qsizetype pos = 0;
    while (pos < text.size() && text.at(pos) == QLatin1Char(' '))
        ++pos;
    std::string number;
    if (pos < text.size() && text.at(pos) == QLatin1Char('-')) {
        number += '-';
        ++pos;
    }
    const auto isDigit = [&](qsizetype at) {
        return at < text.size() && text.at(at).unicode() >= '0' && text.at(at).unicode() <= '9';
    };
    bool anyDigit = false;
    while (isDigit(pos)) {
        number += static_cast<char>(text.at(pos++).unicode());
        anyDigit = true;
    }
    if (pos < text.size() && text.at(pos) == QLatin1Char('.') && isDigit(pos + 1)) {
        number += '.';
        ++pos;
        while (isDigit(pos))
            number += static_cast<char>(text.at(pos++).unicode());
        anyDigit = true;
    }
    if (!anyDigit)
        return 0;
    return std::strtod(number.c_str(), nullptr);
}

bool sameValue(double a, double b)
{
    // Zero's sign is not part of a reading the store can tell apart.
    return a == b || (std::isnan(a) && std::isnan(b));
}

// Nearest integer, ties to the even one, done without the FPU's rounding
// mode so it does not share a mistake with the code under test.
bool roundsTo(double value, double integer)
{
    const double distance = std::fabs(value - integer);
    if (distance < 0.5)
        return true;
    return distance == 0.5 && std::fmod(integer, 2.0) == 0.0;
}

void checkToInt16(double value)
{
    const qint16 result = NumberForm::toInt16(value);
    if (std::isnan(value)) {
        FUZZ_CHECK(result == 0);
    } else if (value <= -32768.5) {
        FUZZ_CHECK(result == std::numeric_limits<qint16>::min());
    } else if (value >= 32767.5) {
        FUZZ_CHECK(result == std::numeric_limits<qint16>::max());
    } else {
        FUZZ_CHECK(roundsTo(value, result));
    }
}

void checkToColour(double value)
{
    const qint32 result = NumberForm::toColour(value);
    constexpr double lowest = std::numeric_limits<qint32>::min();
    constexpr double highest = std::numeric_limits<qint32>::max();
    if (std::isnan(value) || value < lowest - 0.5 || value > highest + 0.5) {
        FUZZ_CHECK(result == 0);
    } else if (value == lowest - 0.5 || value == highest + 0.5) {
        // A tie goes to the even neighbour, which is inside only at the top.
        FUZZ_CHECK(result == (value > 0 ? 0 : std::numeric_limits<qint32>::min()));
    } else {
        FUZZ_CHECK(roundsTo(value, result));
    }
}

void checkText(double value)
{
    const QString text = NumberForm::numberToText(value);
    FUZZ_CHECK(text.size() >= 2);
    if (!std::isfinite(value))
        return;
    FUZZ_CHECK(text.at(0) == (value < 0 ? QLatin1Char('-') : QLatin1Char(' ')));
    // Plain digits: no separators, no exponent, a point only before a
    // fraction.
    qsizetype points = 0;
    for (qsizetype i = 1; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('.'))
            ++points;
        else
            FUZZ_CHECK(c.unicode() >= '0' && c.unicode() <= '9');
    }
    FUZZ_CHECK(points <= 1);
    FUZZ_CHECK(!text.endsWith(QLatin1Char('.')));
    if (value == std::trunc(value))
        FUZZ_CHECK(points == 0);

    // What is written is read back as the same number, and written again
    // the same way.
    const double read = NumberForm::numericValue(text);
    FUZZ_CHECK(read == value);
    FUZZ_CHECK(NumberForm::numberToText(read) == text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = fuzz::latin1(data, size);
    const double value = NumberForm::numericValue(text);
    FUZZ_CHECK(!std::isnan(value));
    FUZZ_CHECK(sameValue(value, referenceValue(text)));
    checkToInt16(value);
    checkToColour(value);
    checkText(value);

    // Raw bit patterns reach NaN, infinities and subnormals, which no text
    // above can.
    if (size >= sizeof(double)) {
        double raw;
        std::memcpy(&raw, data, sizeof raw);
        checkToInt16(raw);
        checkToColour(raw);
        checkText(raw);
    }
    return 0;
}
