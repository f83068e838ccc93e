#pragma once

#include <QString>
#include <QStringView>
#include <atomic>

// Removes every markup tag: repeatedly the leftmost "<" through the first
// ">" after it, until no "<" is left or a "<" has no ">" after it (then
// that "<" and the rest stay). Everything outside tags is kept unchanged,
// line ends and character entities included. The result is the same as
// removing one tag per pass, but found in one scan.
//
// With `cancelled`, the flag is looked at every few tens of thousands of
// characters and the scan gives up (answering the empty text) once it is
// set, so a worker stripping a large page can be stopped.
QString StripMarkup(QStringView text, const std::atomic<bool>* cancelled = nullptr);
