#pragma once

#include <QString>
#include <QtGlobal>

// The program's module variables: one object, owned by the main window
// from start to exit and lent by reference to the routines that use it.
struct ModuleState
{
    QString CurrentPage; // current-conditions page text
    QString StationCode; // first three characters of CityCode
    QString StateCode;   // State, as stored
    qint16 UpdateMinutes = 0;
    qint16 MinuteCount = 0;
    bool ExitRequested = false;
};
