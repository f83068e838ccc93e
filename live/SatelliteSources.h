#pragma once

#include <QString>
#include <QStringView>
#include <array>
#include <optional>

// The current satellite pictures that stand in for the viewer's nine: the
// water vapour, infrared and visible channels for the eastern, western and
// whole United States. The viewer asks by its twelve fixed paths
// ("/GIFS/ECIR.JPG"; the water vapour pictures also as ".GIF"); each maps
// to one picture of the geostationary satellites' imager (ABI) as the
// satellite service publishes it, the newest image of a channel at one
// fixed size:
//
// - East ("EC", eastern CONUS): GOES-East (GOES19), CONUS sector, 1250x750;
// - West ("WC", western CONUS): GOES-West (GOES18), CONUS sector, 1250x750;
// - US ("NH", the old northern-hemisphere view): GOES-East full disk, 678x678;
//
// with the channels infrared: band 13 (clean longwave window, 10.3 um),
// visible: band 02 (red, 0.64 um), water vapour: band 09 (mid-level, 6.9 um).
namespace SatelliteSources {

struct Picture
{
    QString name;      // the viewer's name for it: region and channel, "ECIR"
    QString satellite; // "GOES19"
    QString sector;    // "CONUS" or "FD"
    QString band;      // "13"
    QString size;      // "1250x750"
};

// The nine pictures, East, West and US, each in water vapour, infrared and
// visible.
const std::array<Picture, 9>& pictures();

// The picture a viewer path asks for: "/GIFS/" + EC, WC or NH + WV, IR or
// VS + ".JPG", or a water vapour one with ".GIF". Nothing for any other path
// (the letters are matched as the viewer writes them, in upper case).
std::optional<Picture> forPath(QStringView path);

} // namespace SatelliteSources
