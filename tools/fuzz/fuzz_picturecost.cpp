// The walk over a picture's structure on any bytes: it stays inside them,
// and what it counts is there to be counted.

#include "FuzzSupport.h"
#include "satellite/PictureCost.h"

namespace {

qsizetype occurrences(const QByteArray& bytes, const QByteArray& what)
{
    qsizetype count = 0;
    for (qsizetype at = bytes.indexOf(what); at >= 0; at = bytes.indexOf(what, at + 1))
        ++count;
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const PictureCost cost = PictureCost::measure(bytes);

    FUZZ_CHECK(cost.width >= 0 && cost.height >= 0);
    FUZZ_CHECK(cost.scans >= 0 && cost.markers >= cost.scans && cost.blockVisits >= 0 && cost.frames >= 0);
    // Every marker counted is a 0xFF byte, every scan a start-of-scan marker.
    FUZZ_CHECK(cost.markers <= occurrences(bytes, QByteArray(1, '\xFF')));
    FUZZ_CHECK(cost.scans <= occurrences(bytes, QByteArray("\xFF\xDA", 2)));
    // A scan names at most 255 components, each of at most 8192 x 8192
    // blocks.
    FUZZ_CHECK(cost.blockVisits <= qint64(cost.scans) * 255 * 8192 * 8192);
    if (cost.format != PictureCost::Format::Png)
        FUZZ_CHECK(cost.width <= 2 * 65535 && cost.height <= 2 * 65535);
    if (cost.format != PictureCost::Format::Jpeg)
        FUZZ_CHECK(cost.scans == 0 && cost.markers == 0);
    FUZZ_CHECK((cost.format == PictureCost::Format::Unknown) == cost.formatName().isEmpty());
    if (cost.format == PictureCost::Format::Unknown)
        FUZZ_CHECK(!cost.refusal().isEmpty());
    return 0;
}
