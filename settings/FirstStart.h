#pragma once

#include "StoreCheck.h"

#include <QLoggingCategory>
#include <QSizeF>
#include <QString>
#include <array>

class SettingsStore;

Q_DECLARE_LOGGING_CATEGORY(lcSettings)

// The first-start values and the initialisation that writes them.
namespace FirstStart {

inline const QString cityCode = QStringLiteral("DEN         DENVER, CO");
inline const QString state = QStringLiteral("co");
inline const QString update = QStringLiteral("15");
inline const QString region = QStringLiteral("West");
inline const QString sysTray = QStringLiteral("-1");

inline constexpr qint32 windowText = -2147483640; // system colour reference 0x80000008
inline constexpr qint32 paleYellow = 12648447;    // 0xC0FFFF
inline constexpr qint32 lightGrey = 12632256;     // 0xC0C0C0

// The six colour keys with their defaults, in the order they are written.
struct ColourDefault
{
    QString key;
    qint32 value;
};
const std::array<ColourDefault, 6>& colourDefaults();

// Writes the six colour defaults, each by its own store operation.
void writeColourDefaults(SettingsStore& store);

// The program version as the store keeps it: 1.2.3 gives "123".
QString appVersionText(int major, int minor, int revision);

// What the user is told about a store found damaged or unreadable, in one
// sentence or two; empty for a whole or missing store.
QString notice(const StoreCheck& check);

} // namespace FirstStart

// Has the store look at itself (a damaged one is set aside and rebuilt from
// what could be read of it), then, unless the store is marked initialised,
// writes the first-start value of each of the fourteen keys that is
// missing, in their order, and marks the store initialised last. A store
// marked initialised is left alone even when keys are missing, unless it
// was rebuilt; a store that could be neither read nor set aside is not
// written at all. A damaged or unreadable store is told once in the log.
// `screenTwips` is the primary screen's size and `windowTwips` the main
// window's designed outer size, both in twips.
StoreCheck InitializeSettings(SettingsStore& store, QSizeF screenTwips, QSizeF windowTwips,
                              const QString& appVersion);
