// The vectorised stripper against the one-tag-per-pass rule it replaces.

#include "FuzzSupport.h"
#include "pages/StripMarkup.h"
#include "support/LiteralStrip.h"

#include <chrono>
#include <cstring>

namespace {

// The literal rule rebuilds the text once per tag, so it is quadratic. The
// vector scan works in steps of 16 and 32 characters, so a few KB already
// puts tags at every alignment it has.
constexpr qsizetype literalLimit = 8 * 1024;

// The stripper looks at the clock once per this many characters (a detail
// of its implementation); a longer text crosses a point where the scan is
// suspended for a yield and then resumed.
constexpr qsizetype sliceLength = 32 * 1024;

void checkAgainstLiteral(const QString& text)
{
    const QString fast = StripMarkup(text);
    FUZZ_CHECK(fast.size() <= text.size());
    if (!text.contains(QLatin1Char('<')))
        FUZZ_CHECK(fast == text);
    if (text.size() <= literalLimit)
        FUZZ_CHECK(fast == literalStripMarkup(text));
}

// Resuming the scan between two looks at the cancel flag must not lose the
// state it was in (inside or outside a tag, where the open tag began).
void checkResumedScan(const QString& piece)
{
    const QString text = piece.repeated(sliceLength / piece.size() + 2);
    const std::atomic<bool> running{false};
    const QString resumed = StripMarkup(text, &running);
    FUZZ_CHECK(resumed == StripMarkup(text));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = fuzz::latin1(data, size);
    checkAgainstLiteral(text);

    // The same bytes as UTF-16: characters that share a byte with '<' or
    // '>' (U+3C00, U+013C, ...) must not be taken for them.
    QString wide(static_cast<qsizetype>(size / 2), Qt::Uninitialized);
    std::memcpy(wide.data(), data, size / 2 * sizeof(char16_t));
    checkAgainstLiteral(wide);

    // Each such check scans two slices' worth of text; one input in about
    // thirty keeps the rate of runs up and still reaches every boundary.
    if (size > 0 && size <= 4096 && data[0] % 32 == 0)
        checkResumedScan(text);
    return 0;
}
