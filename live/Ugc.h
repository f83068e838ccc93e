#pragma once

#include <QList>
#include <QString>
#include <QStringView>
#include <optional>

// The zone codes a part of a weather service text product is for, as its
// Universal Geographic Code line gives them:
//
//   COZ039-080000-                      one zone
//   COZ030>034-036-080000-              a range, then one more zone
//   WAZ021-ORZ006>008-081600-           two states in one line
//   TXZ091>095-100>107-117>123-
//   135>138-080400-                     run on over two lines
//
// Each item is a state (two letters), Z for a forecast zone or C for a
// county, and three digits ("COZ039"); after the first, an item of three
// digits alone takes the state and letter before it, "NNN>NNN" stands for
// every number of the range, and "ALL" for every zone of the state. Items
// end in "-"; the last is the expiry, day, hour and minute ("080000").
//
// Ranges are kept as ranges: a line of 4 KiB names at most a few hundred
// of them, whatever they span, so what a line costs is bounded by its
// length.
struct Ugc
{
    // The areas of one state and kind ("COZ") numbered `first` to `last`;
    // "ALL" is 000 to 999.
    struct Range
    {
        QString area;
        int first = 0;
        int last = 0;
    };

    QList<Range> ranges;
    QString expires; // "080000"

    // A code line is never longer than a product line (69 characters), and
    // the longest seen run over a few lines; a "line" of kilobytes is not
    // one, and reading it whole would only cost. No more of a line and the
    // lines it runs on to is read.
    static constexpr qsizetype longest = 4096;

    // The code line at the start of `text` and the lines it runs on to,
    // up to its expiry; nothing when it is not a well-formed code line (an
    // item of another shape, a range running backwards, no expiry).
    static std::optional<Ugc> read(QStringView text);

    // Whether the line names `zone` ("COZ039"), itself, in a range, or by
    // "ALL" for its state and kind.
    bool covers(QStringView zone) const;
};
