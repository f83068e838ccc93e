#pragma once

#include <QSizeF>
#include <QString>
#include <array>

class SettingsStore;

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

} // namespace FirstStart

// Writes the fourteen first-start values once per store, in their order,
// then marks the store initialised; an initialised store is left alone even
// when keys are missing. `screenTwips` is the primary screen's size and
// `windowTwips` the main window's designed outer size, both in twips.
void InitializeSettings(SettingsStore& store, QSizeF screenTwips, QSizeF windowTwips,
                        const QString& appVersion);
