#pragma once

#include <QString>
#include <QStringList>
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
struct Ugc
{
    QStringList codes; // "COZ039", the ranges written out, "COZALL" kept as it is
    QString expires;   // "080000"

    // The code line at the start of `text` and the lines it runs on to,
    // up to its expiry; nothing when it is not a well-formed code line (an
    // item of another shape, a range running backwards, no expiry).
    static std::optional<Ugc> read(QStringView text);

    // Whether the line names `zone` ("COZ039"), itself, in a range, or by
    // "ALL" for its state and kind.
    bool covers(QStringView zone) const;
};
