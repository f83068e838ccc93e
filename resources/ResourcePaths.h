#pragma once

#include <QString>

// Where the artwork lives in the compiled-in resources.
namespace ResourcePaths {

// Tray pictures by index: overcast, cloud, rain, snow, clear or sun,
// thunder, and the start-up question mark. Each has a 16 and/or 32 pixel
// drawing; trayIcon() gathers the sizes that exist into one QIcon.
inline const QString trayBase[7] = {
    QStringLiteral(":/icons/tray/overcast"), QStringLiteral(":/icons/tray/cloud"),
    QStringLiteral(":/icons/tray/rain"),     QStringLiteral(":/icons/tray/snow"),
    QStringLiteral(":/icons/tray/sun"),      QStringLiteral(":/icons/tray/thunder"),
    QStringLiteral(":/icons/tray/question"),
};

inline const QString windowIcon16 = QStringLiteral(":/icons/window-cloud-rain-16.svg");
inline const QString windowIcon32 = QStringLiteral(":/icons/window-cloud-rain-32.svg");

inline const QString getForecast = QStringLiteral(":/pictures/get-forecast.svg");
inline const QString exitWord = QStringLiteral(":/pictures/exit.svg");
inline const QString satelliteDish = QStringLiteral(":/pictures/satellite-dish.svg");
inline const QString tools = QStringLiteral(":/pictures/tools.svg");
inline const QString logo = QStringLiteral(":/pictures/logo.svg");

// The colour the words of getForecast and exitWord are drawn in (their
// "fill" in the drawings), as 0xRRGGBB.
inline constexpr unsigned wordInk = 0x0b2a78;

} // namespace ResourcePaths
