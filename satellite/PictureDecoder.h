#pragma once

#include <QByteArray>
#include <QImage>
#include <QLoggingCategory>
#include <QString>
#include <atomic>

Q_DECLARE_LOGGING_CATEGORY(lcSatellite)

// A picture's bytes turned into an image, or the reason they were not.
struct DecodedPicture
{
    // Null when the picture was refused, could not be decoded or the
    // decoding was cancelled.
    QImage image;
    // A sentence for the viewer when `image` is null; empty when cancelled.
    QString failure;
};

namespace PictureDecoder {

// Decodes a JPEG, GIF or PNG picture, once PictureCost has found it worth
// decoding; a picture it refuses is not handed to a decoder at all.
//
// Runs on any thread and touches nothing but its arguments. Setting
// `cancelled` ends a decoding under way within a few hundred bytes of
// input: the decoder reads the picture through a device that checks the
// flag at every read, so ending the program or asking for another picture
// never waits for a long decoding.
DecodedPicture decode(const QByteArray& bytes, const std::atomic_bool& cancelled);

} // namespace PictureDecoder
