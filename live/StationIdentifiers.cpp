#include "StationIdentifiers.h"

#include <QtMath>
#include <algorithm>
#include <array>
#include <cmath>

namespace StationIdentifiers {

namespace {

struct Exception
{
    const char* code;
    const char* identifier;
};

// Every entry of the station table whose station does not report as "K" +
// code. Outside the contiguous states the prefix is the region's; inside
// them the rest are airports that moved or were renamed, and the last four
// stations that closed, each given the nearest station reporting today
// (see substitutes).
// clang-format off
constexpr std::array<Exception, 20> exceptions{{
    {"ANC", "PANC"}, // Anchorage, Ted Stevens Anchorage International
    {"FAI", "PAFA"}, // Fairbanks International
    {"DUT", "PADU"}, // Dutch Harbor, Unalaska
    {"HNL", "PHNL"}, // Honolulu International
    {"OGG", "PHOG"}, // Maui, Kahului
    {"SJU", "TJSJ"}, // San Juan, Luis Munoz Marin International
    {"CUN", "MMUN"}, // Cancun International
    {"E23", "KSKX"}, // Taos Regional Airport; E23 was the old location code
    {"PVV", "KPVU"}, // Provo Municipal Airport
    {"FCA", "KGPI"}, // Kalispell, Glacier Park International
    {"AQQ", "KAAF"}, // Apalachicola Regional Airport
    {"PFN", "KECP"}, // Panama City: the old airport closed in 2010 for Northwest Florida Beaches
    {"NHZ", "KBXM"}, // Brunswick: the naval air station became Brunswick Executive Airport
    {"RIE", "KRPD"}, // Rice Lake Regional Airport, Carl's Field
    {"ISN", "KXWA"}, // Williston: Sloulin Field closed in 2019 for Williston Basin International
    {"WEY", "KWYS"}, // West Yellowstone, Yellowstone Airport
    {"HMS", "KRLD"}, // Hanford: silent since 2013; Richland Airport
    {"MSV", "KMGJ"}, // Monticello, Sullivan County: silent since March 2024; Orange County Airport
    {"TDO", "KCLS"}, // Toledo-Winlock: silent since 2007; Chehalis-Centralia Airport
    {"UCA", "KRME"}, // Utica, Oneida County: silent since 1997; Griffiss, Rome
}};
// clang-format on

struct Substitute
{
    const char* code;
    const char* place;   // the named place as a reader writes it
    const char* station; // the observing station as the service's station list names it
    double formerLatitude;
    double formerLongitude;
    double latitude;
    double longitude;
};

// The positions are NOAA's station history's (the former station's last
// row, the substitute's current one), so that both ends of a distance come
// from one survey. Each substitute is the nearest station that both the
// station history and the service's station list of mid-2025 call current.
// clang-format off
constexpr std::array<Substitute, 4> substitutes{{
    {"HMS", "Hanford", "Richland Airport", 46.567, -119.600, 46.306, -119.304},
    {"MSV", "Monticello", "Orange County Airport, Montgomery", 41.701, -74.795, 41.509, -74.265},
    {"TDO", "Toledo", "Chehalis-Centralia Airport", 46.483, -122.817, 46.683, -122.983},
    {"UCA", "Utica", "Griffiss International Airport", 43.145, -75.384, 43.224, -75.396},
}};
// clang-format on

// Between two points in degrees (east positive), on a sphere of the
// Earth's mean radius.
double distanceKm(double latitudeA, double longitudeA, double latitudeB, double longitudeB)
{
    // The haversine form, which stays exact for the short distances it is
    // asked about.
    constexpr double earthRadiusKm = 6371.0088;
    const double phiA = qDegreesToRadians(latitudeA);
    const double phiB = qDegreesToRadians(latitudeB);
    const double halfDPhi = (phiB - phiA) / 2;
    const double halfDLambda = qDegreesToRadians(longitudeB - longitudeA) / 2;
    const double h = std::sin(halfDPhi) * std::sin(halfDPhi) +
                     std::cos(phiA) * std::cos(phiB) * std::sin(halfDLambda) * std::sin(halfDLambda);
    return 2 * earthRadiusKm * std::asin(std::sqrt(std::min(1.0, h)));
}

} // namespace

QString icaoFor(const QString& stationCode)
{
    const QString code = stationCode.toUpper();
    for (const Exception& exception : exceptions) {
        if (code == QLatin1StringView(exception.code))
            return QLatin1StringView(exception.identifier);
    }
    return QLatin1Char('K') + code;
}

QString observedAt(const QString& stationCode)
{
    const QString code = stationCode.toUpper();
    for (const Substitute& substitute : substitutes) {
        if (code != QLatin1StringView(substitute.code))
            continue;
        const double km = distanceKm(substitute.formerLatitude, substitute.formerLongitude,
                                     substitute.latitude, substitute.longitude);
        return QStringLiteral("Observed at %1 (%2), %3 km from %4's former station")
            .arg(QLatin1StringView(substitute.station), icaoFor(code))
            .arg(std::lround(km))
            .arg(QLatin1StringView(substitute.place));
    }
    return {};
}

} // namespace StationIdentifiers
