#pragma once

#include <QString>

// Where the program's settings live in the store, and their key names.
namespace SettingsKeys {

inline const QString application = QStringLiteral("Ventaro");
inline const QString section = QStringLiteral("Settings");

inline const QString AppVersion = QStringLiteral("AppVersion");
inline const QString CityCode = QStringLiteral("CityCode");
inline const QString State = QStringLiteral("State");
inline const QString Update = QStringLiteral("Update");
inline const QString LabelForeColor = QStringLiteral("LabelForeColor");
inline const QString ConditionsForeColor = QStringLiteral("ConditionsForeColor");
inline const QString ConditionsBackColor = QStringLiteral("ConditionsBackColor");
inline const QString ForecastForeColor = QStringLiteral("ForecastForeColor");
inline const QString ForecastBackColor = QStringLiteral("ForecastBackColor");
inline const QString BackBackColor = QStringLiteral("BackBackColor");
inline const QString Left = QStringLiteral("Left");
inline const QString Top = QStringLiteral("Top");
inline const QString Region = QStringLiteral("Region");
inline const QString SysTray = QStringLiteral("SysTray");
// Whether weather alerts are notified: "-1" (on) or "0" (off), as SysTray
// is kept. Not among the first-start keys: absent means on.
inline const QString AlertNotify = QStringLiteral("AlertNotify");
// Whether the tray icon shows the observed temperature instead of the sky
// alone: "-1" (on) or "0" (off), kept as SysTray is. Not among the
// first-start keys: absent means off.
inline const QString TrayTemperature = QStringLiteral("TrayTemperature");

// The first-start marker sits in a section of its own, apart from the
// user's settings.
inline const QString markerSection = QStringLiteral("Store");
inline const QString markerKey = QStringLiteral("Initialized");

} // namespace SettingsKeys
