#pragma once

#include <QByteArray>
#include <QString>

// What decoding a picture would cost, read from the structure of its bytes
// without decoding any of it: one pass over a JPEG's markers or a GIF's
// blocks, linear in the number of bytes and a few milliseconds for the
// largest body the network lets through.
//
// A picture's bytes do not bound its decoding: a progressive JPEG goes over
// every block of its frame once per scan, and a scan takes ten bytes, so a
// few kilobytes can ask for minutes of work on a large frame. The figures
// counted here are the ones that drive that cost; refusal() holds them
// against bounds far above what real satellite pictures carry.
//
// Only JPEG, GIF and PNG are recognised, by their first bytes: the formats
// pictures are served in. Every other kind of data is refused, whatever
// else Qt could read, so that no decoder whose cost is not looked at here
// ever runs.
struct PictureCost
{
    enum class Format
    {
        Unknown,
        Jpeg,
        Gif,
        Png,
    };

    Format format = Format::Unknown;
    // The frame (JPEG), logical screen (GIF) or header (PNG) size; for a GIF
    // the larger of the screen and its first frame's extent.
    qint64 width = 0;
    qint64 height = 0;

    // JPEG only.
    int components = 0;
    bool progressive = false;
    // Start-of-scan markers before the end of the picture.
    int scans = 0;
    // Markers outside the entropy-coded data, restart markers aside.
    int markers = 0;
    // Eight-by-eight blocks decoded over all scans: each scan goes over
    // every block of the components it names.
    qint64 blockVisits = 0;

    // GIF only: images in the file. Only the first is decoded.
    int frames = 0;

    // Bounds far above what real satellite pictures carry, so that only a
    // picture built to be costly meets them.
    //
    // libjpeg's progressive mode writes 10 scans for a colour picture and 6
    // for a grey one, and other encoders stay near that; a baseline picture
    // has one scan per component at most. Each scan costs its set-up
    // whatever the frame's size, so the count is bounded on its own too.
    static constexpr int maxScans = 100;
    // Tables, application data and comments: a real picture has a few
    // dozen at most, one set of tables per scan where it changes them.
    static constexpr int maxMarkers = 2000;
    // A 1250 x 750 colour picture of the service in 10 scans visits about
    // 120 thousand blocks, a 5424 x 5424 full disk about 5 million; 64
    // million is a second or so of decoding on a slow machine.
    static constexpr qint64 maxBlockVisits = 64'000'000;
    // Qt refuses to allocate more than 128 MiB for a picture, counted at
    // four bytes a pixel; the walk refuses the same before any decoding,
    // with a plainer reason. The full disk at 5424 x 5424 is 29 million
    // pixels, the pictures the program asks for at most one million.
    static constexpr qint64 maxPixels = 128 * 1024 * 1024 / 4;
    // Grey, YCbCr or RGB, and CMYK: all that Qt reads.
    static constexpr int maxComponents = 4;

    static PictureCost measure(const QByteArray& bytes);

    // Why the picture is not decoded, as a sentence for the viewer; empty
    // when it may be. A structure the walk cannot follow to its end is left
    // to the decoder, which tells what is wrong with it better.
    QString refusal() const;

    // Qt's name of the format ("jpeg", "gif", "png"); empty for Unknown.
    QByteArray formatName() const;
};
