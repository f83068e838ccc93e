#include "PictureCost.h"

#include <QList>
#include <algorithm>

namespace {

// The bytes as unsigned values, bounds checked by the callers.
class Bytes
{
public:
    explicit Bytes(const QByteArray& bytes)
        : m_data(reinterpret_cast<const uchar*>(bytes.constData())), m_size(bytes.size())
    {}

    qsizetype size() const { return m_size; }
    bool has(qsizetype at, qsizetype count) const { return at >= 0 && count >= 0 && at + count <= m_size; }
    uchar at(qsizetype index) const { return m_data[index]; }
    int bigEndian16(qsizetype index) const { return m_data[index] << 8 | m_data[index + 1]; }
    int littleEndian16(qsizetype index) const { return m_data[index] | m_data[index + 1] << 8; }
    qint64 bigEndian32(qsizetype index) const
    {
        return qint64(m_data[index]) << 24 | m_data[index + 1] << 16 | m_data[index + 2] << 8 |
               m_data[index + 3];
    }
    bool startsWith(const char* signature, qsizetype length) const
    {
        return m_size >= length &&
               std::equal(m_data, m_data + length, reinterpret_cast<const uchar*>(signature));
    }

private:
    const uchar* m_data;
    qsizetype m_size;
};

// JPEG markers (ITU T.81, table B.1).
constexpr uchar markerTem = 0x01;
constexpr uchar markerDht = 0xC4;
constexpr uchar markerJpg = 0xC8;
constexpr uchar markerDac = 0xCC;
constexpr uchar markerRst0 = 0xD0;
constexpr uchar markerRst7 = 0xD7;
constexpr uchar markerSoi = 0xD8;
constexpr uchar markerEoi = 0xD9;
constexpr uchar markerSos = 0xDA;

bool isStartOfFrame(uchar marker)
{
    return marker >= 0xC0 && marker <= 0xCF && marker != markerDht && marker != markerJpg &&
           marker != markerDac;
}

bool isProgressive(uchar marker)
{
    return marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE;
}

struct Component
{
    int id = 0;
    qint64 blocks = 0;
};

qint64 roundUpDivision(qint64 value, qint64 divisor)
{
    return (value + divisor - 1) / divisor;
}

// The frame header: size and components, and how many blocks each
// component has, as libjpeg sizes them (its sampling against the largest).
bool readFrame(const Bytes& bytes, qsizetype at, qsizetype end, PictureCost& cost,
               QList<Component>& components)
{
    if (end - at < 6)
        return false;
    cost.height = bytes.bigEndian16(at + 1);
    cost.width = bytes.bigEndian16(at + 3);
    cost.components = bytes.at(at + 5);
    if (end - at < 6 + 3 * qsizetype(cost.components))
        return false;
    int maxH = 1;
    int maxV = 1;
    for (int n = 0; n < cost.components; ++n) {
        const uchar sampling = bytes.at(at + 6 + 3 * n + 1);
        maxH = std::max(maxH, sampling >> 4);
        maxV = std::max(maxV, sampling & 0x0F);
    }
    for (int n = 0; n < cost.components; ++n) {
        const qsizetype entry = at + 6 + 3 * n;
        const int h = std::max(1, bytes.at(entry + 1) >> 4);
        const int v = std::max(1, bytes.at(entry + 1) & 0x0F);
        const qint64 wide = roundUpDivision(cost.width * h, qint64(maxH) * 8);
        const qint64 high = roundUpDivision(cost.height * v, qint64(maxV) * 8);
        components.append({bytes.at(entry), wide * high});
    }
    return true;
}

// A scan header: the blocks of the components it names.
qint64 scanBlocks(const Bytes& bytes, qsizetype at, qsizetype end, const QList<Component>& components)
{
    if (end - at < 1)
        return 0;
    const int named = bytes.at(at);
    // A decoder takes a scan's component by its id, the first of the frame
    // with it, and a component named twice is still one component: each
    // counts once, however malformed the headers.
    QList<bool> counted(components.size(), false);
    qint64 blocks = 0;
    for (int n = 0; n < named && at + 1 + 2 * n < end; ++n) {
        const int id = bytes.at(at + 1 + 2 * n);
        for (qsizetype c = 0; c < components.size(); ++c) {
            if (components[c].id != id)
                continue;
            if (!counted[c]) {
                counted[c] = true;
                blocks += components[c].blocks;
            }
            break;
        }
    }
    return blocks;
}

// Walks the markers from the start of the picture to its end, finding each
// the way a decoder does: whatever is not a marker (entropy-coded data,
// stuffed 0xFF 0x00 pairs, fill bytes, garbage) is passed over, so no scan
// hides from the count behind bytes a decoder would skip.
void measureJpeg(const Bytes& bytes, PictureCost& cost)
{
    QList<Component> components;
    bool sawFrame = false;
    qsizetype at = 2;
    const qsizetype size = bytes.size();
    while (true) {
        while (at + 1 < size &&
               !(bytes.at(at) == 0xFF && bytes.at(at + 1) != 0x00 && bytes.at(at + 1) != 0xFF))
            ++at;
        if (at + 1 >= size)
            return;
        const uchar marker = bytes.at(at + 1);
        at += 2;
        if ((marker >= markerRst0 && marker <= markerRst7) || marker == markerTem)
            continue;
        ++cost.markers;
        if (marker == markerEoi)
            return;
        if (marker == markerSoi)
            continue;
        if (!bytes.has(at, 2))
            return;
        const qsizetype end = at + bytes.bigEndian16(at);
        // A length that runs past the data ends the picture for the
        // decoder too.
        if (end < at + 2 || end > size)
            return;
        if (isStartOfFrame(marker) && !sawFrame) {
            sawFrame = true;
            cost.progressive = isProgressive(marker);
            if (!readFrame(bytes, at + 2, end, cost, components))
                return;
        } else if (marker == markerSos) {
            ++cost.scans;
            cost.blockVisits += scanBlocks(bytes, at + 2, end, components);
        }
        at = end;
    }
}

void skipSubBlocks(const Bytes& bytes, qsizetype& at)
{
    while (at < bytes.size()) {
        const int length = bytes.at(at);
        ++at;
        if (length == 0)
            return;
        at += length;
    }
}

qsizetype colourTableSize(uchar flags)
{
    return (flags & 0x80) ? 3 * (qsizetype(2) << (flags & 0x07)) : 0;
}

// The logical screen, then the blocks up to the trailer: the images
// counted, the first one's extent taken into the size, as Qt grows the
// picture to hold it.
void measureGif(const Bytes& bytes, PictureCost& cost)
{
    if (!bytes.has(6, 7))
        return;
    cost.width = bytes.littleEndian16(6);
    cost.height = bytes.littleEndian16(8);
    qsizetype at = 13 + colourTableSize(bytes.at(10));
    while (at < bytes.size()) {
        const uchar block = bytes.at(at);
        if (block == 0x2C) {
            if (!bytes.has(at, 10))
                return;
            if (cost.frames == 0) {
                cost.width =
                    std::max<qint64>(cost.width, bytes.littleEndian16(at + 1) + bytes.littleEndian16(at + 5));
                cost.height = std::max<qint64>(cost.height,
                                               bytes.littleEndian16(at + 3) + bytes.littleEndian16(at + 7));
            }
            ++cost.frames;
            at += 10 + colourTableSize(bytes.at(at + 9)) + 1;
            skipSubBlocks(bytes, at);
        } else if (block == 0x21) {
            at += 2;
            skipSubBlocks(bytes, at);
        } else {
            return;
        }
    }
}

void measurePng(const Bytes& bytes, PictureCost& cost)
{
    // The header chunk comes first: its length, "IHDR", width, height.
    if (!bytes.has(8, 16))
        return;
    cost.width = bytes.bigEndian32(16);
    cost.height = bytes.bigEndian32(20);
}

} // namespace

PictureCost PictureCost::measure(const QByteArray& data)
{
    const Bytes bytes(data);
    PictureCost cost;
    if (bytes.startsWith("\xFF\xD8\xFF", 3)) {
        cost.format = Format::Jpeg;
        measureJpeg(bytes, cost);
    } else if (bytes.startsWith("GIF87a", 6) || bytes.startsWith("GIF89a", 6)) {
        cost.format = Format::Gif;
        measureGif(bytes, cost);
    } else if (bytes.startsWith("\x89PNG\r\n\x1A\n", 8)) {
        cost.format = Format::Png;
        measurePng(bytes, cost);
    }
    return cost;
}

QString PictureCost::refusal() const
{
    if (format == Format::Unknown)
        return QStringLiteral("The data received is not a picture that can be shown (it is neither JPEG, GIF "
                              "nor PNG).");
    QString why;
    // A PNG's sizes are 32 bits each; their product could overflow.
    if (width > 0 && height > 0 && width > maxPixels / height)
        why = QStringLiteral("%L1 x %L2 pixels, where at most %L3 are shown")
                  .arg(width)
                  .arg(height)
                  .arg(maxPixels);
    else if (components > maxComponents)
        why = QStringLiteral("%1 colour components, where at most %2 are read")
                  .arg(components)
                  .arg(maxComponents);
    else if (scans > maxScans)
        why = QStringLiteral("%L1 scans, where real pictures have about ten and at most %L2 are decoded")
                  .arg(scans)
                  .arg(maxScans);
    else if (markers > maxMarkers)
        why = QStringLiteral("%L1 markers, where real pictures have a few dozen and at most %L2 are read")
                  .arg(markers)
                  .arg(maxMarkers);
    else if (blockVisits > maxBlockVisits)
        why = QStringLiteral("%L1 x %L2 pixels in %L3 scans, %L4 million blocks to decode, where at most %L5 "
                             "million are")
                  .arg(width)
                  .arg(height)
                  .arg(scans)
                  .arg(blockVisits / 1'000'000)
                  .arg(maxBlockVisits / 1'000'000);
    if (why.isEmpty())
        return {};
    return QStringLiteral("The picture would cost far too much to show (%1).").arg(why);
}

QByteArray PictureCost::formatName() const
{
    switch (format) {
    case Format::Jpeg:
        return "jpeg";
    case Format::Gif:
        return "gif";
    case Format::Png:
        return "png";
    case Format::Unknown:
        break;
    }
    return {};
}
