#pragma once

#include "live/SourceTemplates.h"

#include <QString>

// The live layer's addresses on a server of the tests and benchmarks that
// answers under short paths at `base` ("http://127.0.0.1:N"): /obs/KDEN.TXT,
// /zfp/BOU, /sat/ECIR, /stations/KDEN, /zones/COZ039, /alerts/COZ039.
inline SourceTemplates shortTemplates(const QString& base)
{
    SourceTemplates templates;
    templates.observation = base + QStringLiteral("/obs/{station}.TXT");
    templates.zoneForecast = base + QStringLiteral("/zfp/{office}");
    templates.satellite = base + QStringLiteral("/sat/{picture}");
    templates.station = base + QStringLiteral("/stations/{station}");
    templates.zone = base + QStringLiteral("/zones/{zone}");
    templates.alerts = base + QStringLiteral("/alerts/{zone}");
    return templates;
}
