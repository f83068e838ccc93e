#include "GifEncoder.h"

#include <QHash>
#include <QList>
#include <algorithm>
#include <array>
#include <limits>
#include <optional>
#include <vector>

namespace GifEncoder {

namespace {

constexpr int maxColours = 256;
constexpr int maxCode = 4095; // codes are at most 12 bits

struct Indexed
{
    QList<QRgb> palette;
    std::vector<quint8> pixels;
};

// Images drawn with few colours keep them exactly.
std::optional<Indexed> exactColours(const QImage& image)
{
    Indexed result;
    QHash<QRgb, int> index;
    result.pixels.reserve(static_cast<std::size_t>(image.width()) * static_cast<std::size_t>(image.height()));
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb colour = line[x] | 0xff000000u;
            auto found = index.constFind(colour);
            if (found == index.constEnd()) {
                if (index.size() == maxColours)
                    return std::nullopt;
                found = index.insert(colour, static_cast<int>(index.size()));
                result.palette.append(colour);
            }
            result.pixels.push_back(static_cast<quint8>(*found));
        }
    }
    return result;
}

// A colour cell of 5 bits per channel, with the sums of the true colours
// that fell into it so that the palette keeps full precision.
struct Cell
{
    int key = 0;
    quint64 count = 0;
    quint64 red = 0;
    quint64 green = 0;
    quint64 blue = 0;

    int channel(int which) const { return (key >> (10 - 5 * which)) & 31; }
};

int cellKey(QRgb colour)
{
    return ((qRed(colour) >> 3) << 10) | ((qGreen(colour) >> 3) << 5) | (qBlue(colour) >> 3);
}

// Median cut: the box with the widest channel range is split at the
// population median of that channel until there are 256 boxes or no box
// can be split; each box's palette entry is the mean of its colours.
Indexed medianCut(const QImage& image)
{
    std::vector<Cell> histogram(32768);
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            Cell& cell = histogram[static_cast<std::size_t>(cellKey(line[x]))];
            ++cell.count;
            cell.red += static_cast<quint64>(qRed(line[x]));
            cell.green += static_cast<quint64>(qGreen(line[x]));
            cell.blue += static_cast<quint64>(qBlue(line[x]));
        }
    }
    std::vector<Cell> cells;
    for (std::size_t key = 0; key < histogram.size(); ++key) {
        if (histogram[key].count > 0) {
            histogram[key].key = static_cast<int>(key);
            cells.push_back(histogram[key]);
        }
    }

    struct Box
    {
        std::size_t begin;
        std::size_t end;
    };
    const auto widest = [&cells](const Box& box, int& channel) {
        int bestRange = -1;
        for (int c = 0; c < 3; ++c) {
            int low = 31;
            int high = 0;
            for (std::size_t i = box.begin; i < box.end; ++i) {
                low = std::min(low, cells[i].channel(c));
                high = std::max(high, cells[i].channel(c));
            }
            if (high - low > bestRange) {
                bestRange = high - low;
                channel = c;
            }
        }
        return bestRange;
    };

    std::vector<Box> boxes{{0, cells.size()}};
    while (boxes.size() < static_cast<std::size_t>(maxColours)) {
        int bestRange = 0;
        int bestChannel = 0;
        std::size_t best = boxes.size();
        for (std::size_t b = 0; b < boxes.size(); ++b) {
            int channel = 0;
            const int range = boxes[b].end - boxes[b].begin > 1 ? widest(boxes[b], channel) : 0;
            if (range > bestRange) {
                bestRange = range;
                bestChannel = channel;
                best = b;
            }
        }
        if (best == boxes.size())
            break;
        const Box box = boxes[best];
        const auto first = cells.begin() + static_cast<std::ptrdiff_t>(box.begin);
        const auto last = cells.begin() + static_cast<std::ptrdiff_t>(box.end);
        std::sort(first, last, [bestChannel](const Cell& a, const Cell& b) {
            return a.channel(bestChannel) < b.channel(bestChannel);
        });
        quint64 total = 0;
        for (auto it = first; it != last; ++it)
            total += it->count;
        quint64 running = 0;
        std::size_t split = box.begin + 1;
        for (std::size_t i = box.begin; i + 1 < box.end; ++i) {
            running += cells[i].count;
            split = i + 1;
            if (running * 2 >= total)
                break;
        }
        boxes[best] = {box.begin, split};
        boxes.push_back({split, box.end});
    }

    Indexed result;
    for (const Box& box : boxes) {
        quint64 count = 0, red = 0, green = 0, blue = 0;
        for (std::size_t i = box.begin; i < box.end; ++i) {
            count += cells[i].count;
            red += cells[i].red;
            green += cells[i].green;
            blue += cells[i].blue;
        }
        result.palette.append(qRgb(static_cast<int>(red / count), static_cast<int>(green / count),
                                   static_cast<int>(blue / count)));
    }

    // Every cell maps to the palette colour nearest to its mean, which is
    // not always the entry of its own box.
    std::vector<quint8> nearest(32768, 0);
    for (const Cell& cell : cells) {
        const int r = static_cast<int>(cell.red / cell.count);
        const int g = static_cast<int>(cell.green / cell.count);
        const int b = static_cast<int>(cell.blue / cell.count);
        int bestDistance = std::numeric_limits<int>::max();
        for (qsizetype i = 0; i < result.palette.size(); ++i) {
            const QRgb p = result.palette[i];
            const int dr = qRed(p) - r, dg = qGreen(p) - g, db = qBlue(p) - b;
            const int distance = dr * dr + dg * dg + db * db;
            if (distance < bestDistance) {
                bestDistance = distance;
                nearest[static_cast<std::size_t>(cell.key)] = static_cast<quint8>(i);
            }
        }
    }
    result.pixels.reserve(static_cast<std::size_t>(image.width()) * static_cast<std::size_t>(image.height()));
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            result.pixels.push_back(nearest[static_cast<std::size_t>(cellKey(line[x]))]);
    }
    return result;
}

// Codes go out least significant bit first, packed across byte borders.
class BitWriter
{
public:
    void write(int code, int size)
    {
        m_pending |= static_cast<quint32>(code) << m_bits;
        m_bits += size;
        while (m_bits >= 8) {
            m_bytes.append(static_cast<char>(m_pending & 0xff));
            m_pending >>= 8;
            m_bits -= 8;
        }
    }

    QByteArray finish()
    {
        if (m_bits > 0)
            m_bytes.append(static_cast<char>(m_pending & 0xff));
        m_pending = 0;
        m_bits = 0;
        return m_bytes;
    }

private:
    QByteArray m_bytes;
    quint32 m_pending = 0;
    int m_bits = 0;
};

// The string table as an open-addressed hash from (prefix code, next
// index) to the code of the longer string. At most 4096 entries live in
// 8192 slots, so probes stay short.
class StringTable
{
public:
    StringTable() { clear(); }

    void clear() { std::fill(m_keys.begin(), m_keys.end(), -1); }

    int find(int key) const
    {
        for (std::size_t slot = start(key);; slot = (slot + 1) & mask) {
            if (m_keys[slot] == key)
                return m_codes[slot];
            if (m_keys[slot] < 0)
                return -1;
        }
    }

    void insert(int key, int code)
    {
        std::size_t slot = start(key);
        while (m_keys[slot] >= 0)
            slot = (slot + 1) & mask;
        m_keys[slot] = key;
        m_codes[slot] = static_cast<quint16>(code);
    }

private:
    static constexpr std::size_t slotCount = 8192;
    static constexpr std::size_t mask = slotCount - 1;

    static std::size_t start(int key) { return (static_cast<quint32>(key) * 2654435761u >> 19) & mask; }

    std::array<int, slotCount> m_keys{};
    std::array<quint16, slotCount> m_codes{};
};

// Variable-length LZW as GIF uses it: codes start one bit wider than the
// pixel size and grow when the next free code no longer fits; the table
// is cleared (and a clear code sent) before it would pass code 4095.
QByteArray compress(const std::vector<quint8>& pixels, int minCodeSize)
{
    const int clearCode = 1 << minCodeSize;
    const int endCode = clearCode + 1;
    int codeSize = minCodeSize + 1;
    int nextCode = endCode + 1;
    StringTable table;
    BitWriter out;

    const auto send = [&](int code) {
        out.write(code, codeSize);
        if (nextCode >= (1 << codeSize) && codeSize < 12)
            ++codeSize;
    };

    out.write(clearCode, codeSize);
    if (!pixels.empty()) {
        int prefix = pixels.front();
        for (std::size_t i = 1; i < pixels.size(); ++i) {
            const int pixel = pixels[i];
            const int key = (prefix << 8) | pixel;
            const int found = table.find(key);
            if (found >= 0) {
                prefix = found;
                continue;
            }
            send(prefix);
            if (nextCode >= maxCode) {
                out.write(clearCode, codeSize);
                table.clear();
                codeSize = minCodeSize + 1;
                nextCode = endCode + 1;
            } else {
                table.insert(key, nextCode++);
            }
            prefix = pixel;
        }
        send(prefix);
    }
    out.write(endCode, codeSize);
    return out.finish();
}

void appendWord(QByteArray& bytes, int value)
{
    bytes.append(static_cast<char>(value & 0xff));
    bytes.append(static_cast<char>((value >> 8) & 0xff));
}

} // namespace

QByteArray encode(const QImage& source)
{
    if (source.isNull() || source.width() > 0xffff || source.height() > 0xffff)
        return {};
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    std::optional<Indexed> indexed = exactColours(image);
    if (!indexed)
        indexed = medianCut(image);

    // The palette size is a power of two of at least 2 entries; LZW needs
    // a minimum code size of at least 2 bits.
    int paletteBits = 1;
    while ((1 << paletteBits) < indexed->palette.size())
        ++paletteBits;
    const int minCodeSize = std::max(2, paletteBits);

    QByteArray gif("GIF89a");
    appendWord(gif, image.width());
    appendWord(gif, image.height());
    gif.append(static_cast<char>(0x80 | (7 << 4) | (paletteBits - 1))); // global table, 8-bit colour
    gif.append('\0');                                                   // background index
    gif.append('\0');                                                   // square pixels
    for (int i = 0; i < (1 << paletteBits); ++i) {
        const QRgb colour = i < indexed->palette.size() ? indexed->palette[i] : qRgb(0, 0, 0);
        gif.append(static_cast<char>(qRed(colour)));
        gif.append(static_cast<char>(qGreen(colour)));
        gif.append(static_cast<char>(qBlue(colour)));
    }

    gif.append(',');
    appendWord(gif, 0);
    appendWord(gif, 0);
    appendWord(gif, image.width());
    appendWord(gif, image.height());
    gif.append('\0'); // no local table, not interlaced

    gif.append(static_cast<char>(minCodeSize));
    const QByteArray data = compress(indexed->pixels, minCodeSize);
    for (qsizetype at = 0; at < data.size(); at += 255) {
        const qsizetype length = std::min<qsizetype>(255, data.size() - at);
        gif.append(static_cast<char>(length));
        gif.append(data.constData() + at, length);
    }
    gif.append('\0');
    gif.append(';');
    return gif;
}

} // namespace GifEncoder
