#pragma once

#include <QByteArray>
#include <QImage>

// Writes GIF89a files, which Qt can read but not write.
namespace GifEncoder {

// One image in one frame with a global palette of at most 256 colours and
// LZW-compressed pixels. An image of at most 256 distinct colours keeps
// them exactly; a richer one is reduced by median cut. Transparency is
// dropped (pixels are taken as opaque). A null image gives an empty array.
QByteArray encode(const QImage& image);

} // namespace GifEncoder
