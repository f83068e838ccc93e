#include "SatelliteSources.h"

namespace SatelliteSources {

const std::array<Picture, 9>& pictures()
{
    static const std::array<Picture, 9> all = [] {
        struct Region
        {
            const char* prefix;
            const char* satellite;
            const char* sector;
            const char* size;
        };
        struct Channel
        {
            const char* suffix;
            const char* band;
        };
        const Region regions[] = {
            {"EC", "GOES19", "CONUS", "1250x750"},
            {"WC", "GOES18", "CONUS", "1250x750"},
            {"NH", "GOES19", "FD", "678x678"},
        };
        const Channel channels[] = {{"WV", "09"}, {"IR", "13"}, {"VS", "02"}};
        std::array<Picture, 9> built;
        std::size_t i = 0;
        for (const Region& region : regions) {
            for (const Channel& channel : channels) {
                built[i++] = Picture{
                    QLatin1StringView(region.prefix) + QLatin1StringView(channel.suffix),
                    QLatin1StringView(region.satellite),
                    QLatin1StringView(region.sector),
                    QLatin1StringView(channel.band),
                    QLatin1StringView(region.size),
                };
            }
        }
        return built;
    }();
    return all;
}

std::optional<Picture> forPath(QStringView path)
{
    static const QLatin1StringView folder("/GIFS/");
    if (!path.startsWith(folder) || path.size() != folder.size() + 8)
        return std::nullopt;
    const QStringView name = path.mid(folder.size(), 4);
    const QStringView extension = path.mid(folder.size() + 4);
    const bool waterVapour = name.endsWith(QLatin1StringView("WV"));
    if (extension != QLatin1StringView(".JPG") && !(waterVapour && extension == QLatin1StringView(".GIF")))
        return std::nullopt;
    for (const Picture& picture : pictures()) {
        if (picture.name == name)
            return picture;
    }
    return std::nullopt;
}

} // namespace SatelliteSources
