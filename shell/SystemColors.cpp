#include "SystemColors.h"

#include <algorithm>
#include <cmath>

namespace SystemColors {

bool isReference(qint32 value)
{
    return (static_cast<quint32>(value) & referenceBit) != 0;
}

QPalette::ColorRole roleForIndex(int index)
{
    // The classic system colour indexes, each to the palette role that
    // plays the same part on a Qt desktop.
    switch (index) {
    case 0:
        return QPalette::Mid; // scroll bar
    case 1:
        return QPalette::Window; // desktop
    case 2:
        return QPalette::Highlight; // active caption
    case 3:
        return QPalette::Mid; // inactive caption
    case 4:
        return QPalette::Window; // menu bar
    case 5:
        return QPalette::Base; // window background
    case 6:
        return QPalette::Shadow; // window frame
    case 7:
        return QPalette::WindowText; // menu text
    case 8:
        return QPalette::WindowText; // window text
    case 9:
        return QPalette::HighlightedText; // caption text
    case 10:
        return QPalette::Mid; // active border
    case 11:
        return QPalette::Mid; // inactive border
    case 12:
        return QPalette::Dark; // application workspace
    case 13:
        return QPalette::Highlight; // highlight
    case 14:
        return QPalette::HighlightedText; // highlighted text
    case 15:
        return QPalette::Button; // button face
    case 16:
        return QPalette::Dark; // button shadow
    case 17:
        return QPalette::PlaceholderText; // grey text
    case 18:
        return QPalette::ButtonText; // button text
    case 19:
        return QPalette::WindowText; // inactive caption text
    case 20:
        return QPalette::Light; // button highlight
    case 21:
        return QPalette::Shadow; // dark shadow
    case 22:
        return QPalette::Midlight; // light 3-D
    case 23:
        return QPalette::ToolTipText; // tooltip text
    case 24:
        return QPalette::ToolTipBase; // tooltip background
    default:
        return QPalette::WindowText;
    }
}

QColor toColor(qint32 value, const QPalette& palette)
{
    if (isReference(value))
        return palette.color(QPalette::Active, roleForIndex(value & 0xFF));
    const auto v = static_cast<quint32>(value);
    return QColor(static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF),
                  static_cast<int>((v >> 16) & 0xFF));
}

qint32 fromColor(const QColor& color)
{
    const QColor rgb = color.toRgb();
    return static_cast<qint32>(static_cast<quint32>(rgb.red()) | (static_cast<quint32>(rgb.green()) << 8) |
                               (static_cast<quint32>(rgb.blue()) << 16));
}

double relativeLuminance(const QColor& color)
{
    const QColor rgb = color.toRgb();
    const auto linear = [](double channel) {
        return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) + 0.0722 * linear(rgb.blueF());
}

double contrastRatio(const QColor& first, const QColor& second)
{
    const double a = relativeLuminance(first);
    const double b = relativeLuminance(second);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

QColor readableOn(const QColor& text, const QColor& background)
{
    if (contrastRatio(text, background) >= minimumTextContrast)
        return text;
    const QColor black(Qt::black);
    const QColor white(Qt::white);
    return contrastRatio(black, background) >= contrastRatio(white, background) ? black : white;
}

QColor textColor(qint32 text, qint32 background, const QPalette& palette)
{
    const QColor resolved = toColor(text, palette);
    if (isReference(text) == isReference(background))
        return resolved;
    return readableOn(resolved, toColor(background, palette));
}

} // namespace SystemColors
