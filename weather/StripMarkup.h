#pragma once

#include <QString>
#include <QStringView>
#include <chrono>

class Yielder;

// Removes every markup tag: repeatedly the leftmost "<" through the first
// ">" after it, until no "<" is left or a "<" has no ">" after it (then
// that "<" and the rest stay). Everything outside tags is kept unchanged,
// line ends and character entities included. The result is the same as
// removing one tag per pass, but found in one scan.
//
// With a yielder, the event loop is served whenever `slice` has passed
// since the last yield, so a large page never stalls the window.
QString StripMarkup(QStringView text, Yielder* yielder = nullptr,
                    std::chrono::milliseconds slice = std::chrono::milliseconds(15));
