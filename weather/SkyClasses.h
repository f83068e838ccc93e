#pragma once

#include <QList>
#include <QString>
#include <optional>

// The sky classes and the tray pictures that stand for them.
namespace SkyClasses {

enum Index : int
{
    Overcast = 0,
    Cloud = 1,
    Rain = 2,
    Snow = 3,
    ClearOrSun = 4,
    Thunder = 5,
    StartUp = 6, // the question mark; never chosen by the keywords
};
inline constexpr int iconCount = 7;

struct Choice
{
    QList<int> shown;              // indexes to show, in test order
    std::optional<int> windowIcon; // the last match, or nothing
};

// The case-sensitive keyword tests, in order: "cloud", "overcast", "rain",
// "thunder", "clear" or "sun", "snow". Every test runs.
Choice classify(const QString& skyConditions);

// The icons the notification area shows for a choice: its matches, or the
// start-up icon standing in when nothing matched, so that a hidden window
// always keeps a way back.
QList<int> trayIcons(const Choice& choice);

} // namespace SkyClasses
