#pragma once

#include <QByteArray>

// Progressive JPEG pictures whose decoding costs far more than their bytes
// suggest, as a hostile server would send them.
namespace ScanBomb {

// A valid progressive JPEG of `width` x `height` pixels and `components`
// components sampled alike: its tables, one DC scan whose blocks are all
// mid-grey, then `emptyScans` scans without data, each a 10-byte header for
// one component (AC scans) or a little more for several (DC scans naming
// all). A decoder goes over every block of the components a scan names,
// data or not; libjpeg warns once of the missing data and goes on. 4000 x
// 4000 grey with 1,000 empty scans makes 41,390 bytes, with 200,000 about
// 2 MB.
inline QByteArray progressiveJpeg(int width, int height, int emptyScans, int components = 1)
{
    QByteArray bytes;
    const auto word = [&bytes](int value) {
        bytes.append(char(value >> 8));
        bytes.append(char(value & 0xFF));
    };
    // A scan of the first `named` components over coefficients `first` to
    // `last`, on Huffman tables 0.
    const auto scan = [&](int named, char first, char last) {
        bytes.append("\xFF\xDA", 2);
        word(6 + 2 * named);
        bytes.append(char(named));
        for (int n = 1; n <= named; ++n)
            bytes.append(char(n)).append('\0');
        bytes.append(first).append(last).append('\0');
    };

    bytes.append("\xFF\xD8", 2);
    // One quantisation table of ones.
    bytes.append("\xFF\xDB", 2);
    word(67);
    bytes.append('\0').append(QByteArray(64, '\x01'));
    // Progressive frame, 8-bit, every component sampled 1:1 on table 0.
    bytes.append("\xFF\xC2", 2);
    word(8 + 3 * components);
    bytes.append('\x08');
    word(height);
    word(width);
    bytes.append(char(components));
    for (int n = 1; n <= components; ++n)
        bytes.append(char(n)).append("\x11\x00", 2);
    // A DC and an AC Huffman table, each of one one-bit code for symbol 0:
    // "no difference" and "end of block".
    for (const char tableClass : {'\x00', '\x10'}) {
        bytes.append("\xFF\xC4", 2);
        word(2 + 1 + 16 + 1);
        bytes.append(tableClass).append('\x01').append(QByteArray(15, '\0')).append('\0');
    }
    // The DC scan: one zero bit per block.
    scan(components, 0, 0);
    const qint64 blocks = qint64((width + 7) / 8) * ((height + 7) / 8) * components;
    bytes.append(QByteArray((blocks + 7) / 8, '\0'));
    for (int n = 0; n < emptyScans; ++n) {
        if (components == 1)
            scan(1, 1, 63);
        else
            scan(components, 0, 0);
    }
    bytes.append("\xFF\xD9", 2);
    return bytes;
}

} // namespace ScanBomb
