#include "StationIdentifiers.h"

#include <array>

namespace StationIdentifiers {

namespace {

struct Exception
{
    const char* code;
    const char* identifier;
};

// Every entry of the station table whose station does not report as "K" +
// code. Outside the contiguous states the prefix is the region's; inside
// them the rest are airports that moved or were renamed.
// clang-format off
constexpr std::array<Exception, 16> exceptions{{
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
}};
// clang-format on

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

} // namespace StationIdentifiers
