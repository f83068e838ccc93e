#pragma once

#include <QByteArray>
#include <QSize>
#include <QStringList>
#include <optional>

// The satellite pictures the sample server hands out: drawn maps of one
// cloud field over North America, seen in the infrared, visible and water
// vapour channels, for the eastern, western and whole United States.
namespace SatellitePictures {

inline constexpr QSize pictureSize{640, 480};

// The twelve paths: "/GIFS/" + EC, WC or NH + IR, VS or WV + ".JPG", and
// the three water vapour pictures again as ".GIF".
QStringList paths();

struct Picture
{
    QByteArray bytes;
    QByteArray contentType; // "image/jpeg" or "image/gif"
};

// The picture at `path`, or nothing when the path is not one of paths().
// Each picture is drawn and encoded at its first request and kept for the
// life of the process. Drawing text needs a QGuiApplication; call from the
// thread that runs it.
std::optional<Picture> find(const QString& path);

} // namespace SatellitePictures
