#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <algorithm>
#include <cmath>

// Every position and size of the windows is designed in twips (1/1440 inch).
// Qt works in device-independent pixels at 96 per inch, so one pixel is 15
// twips. This header is the only place that converts between the two.
namespace Twips {

inline constexpr int perPixel = 15;

// Far beyond any screen, yet small enough that a window's size can be
// added to a position without overflowing an int.
inline constexpr int maxPixels = 1 << 24;

constexpr int toPixels(double twips)
{
    // A hand-edited setting may hold any number, infinity included; it is
    // brought into range before the conversion, which would otherwise be
    // undefined for values an int cannot hold.
    if (!(twips == twips)) // NaN
        return 0;
    const double px = std::clamp(twips / perPixel, -double(maxPixels), double(maxPixels));
    // Round half away from zero, so that a design value such as 7 twips
    // (under half a pixel) lands on the nearer pixel in both directions.
    return static_cast<int>(px < 0 ? px - 0.5 : px + 0.5);
}

constexpr double fromPixels(int pixels)
{
    return static_cast<double>(pixels) * perPixel;
}

inline QRect rect(int left, int top, int width, int height)
{
    return QRect(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}

// A control's designed position and size, in twips.
struct Box
{
    int left;
    int top;
    int width;
    int height;
};

inline QRect rect(const Box& box)
{
    return rect(box.left, box.top, box.width, box.height);
}

inline QSize size(int width, int height)
{
    return QSize(toPixels(width), toPixels(height));
}

inline QPoint point(double left, double top)
{
    return QPoint(toPixels(left), toPixels(top));
}

} // namespace Twips
