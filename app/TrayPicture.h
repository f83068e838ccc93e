#pragma once

#include <QIcon>
#include <QRgb>
#include <QString>
#include <QStringView>
#include <array>
#include <optional>

// The tray pictures the program draws itself: the observed temperature, and
// the mark of a warning in effect. Each is a QIcon whose pictures are drawn
// when asked for, at the size and device pixel ratio asked for, so that they
// stay sharp at any panel size and on high-density screens; a notification
// area that draws the icon itself (XEmbed) gets it painted at its own size,
// one that is sent pictures (a StatusNotifierItem host) gets one for each
// offered size.
//
// Only Qt Gui is used; nothing here needs a window.
namespace TrayPicture {

// The sizes (logical pixels, square) every icon made here reports as
// available, so that a host sent pictures receives each of them.
inline constexpr std::array<int, 5> offeredSizes{16, 22, 24, 32, 48};

// From this logical size up there is room for the sky picture beside the
// number; below it the number is drawn alone.
inline constexpr int skyFromSize = 22;

// The contrast rule: the number is drawn in a white fill inside a
// near-black outline, a twentieth of the side wide in device pixels
// (rounded, at least one), so that on any panel one of the two stands out
// by at least the 4.5:1 ordinary text needs: the fill on a dark panel
// (#2b2b2b: 14:1), the outline on a light one (#f0f0f0: 14.6:1); and the
// fill reads on its own outline (16.7:1) whatever lies behind.
inline constexpr QRgb numberFill = 0xffffffff;
inline constexpr QRgb numberOutline = 0xff1e1e1e;

// The warning mark: a red disc ringed in white in the icon's top-right
// corner, a third of the side across (at least 6 logical pixels). The red
// stands out of a light panel by itself (4.4:1), the white ring out of a
// dark one.
inline constexpr QRgb badgeRed = 0xffd91e18;
inline constexpr QRgb badgeRing = 0xffffffff;

// The icon of the temperature. What it draws on a square of logical side s:
// - s below skyFromSize (16 px): the number alone, without the degree sign
//   ("72"), centred, filling the square; the sign would cost the digits a
//   third of their height where every pixel counts;
// - s from skyFromSize up (22, 24, 32, 48 px): `sky` (one of the tray's sky
//   pictures; may be null) in the top-left corner, and the number with its
//   degree sign ("72°") in a band along the bottom, right-aligned, in front
//   of the sky's lower part. Picture and band are each 0.55 of the side
//   below 32 px, where the number comes first, and half of it from 32 px
//   on, where the sky's rain or snow keeps clear of the number.
// The digits are as tall as their box allows, narrowed first (to 0.6 of
// their natural width alone, 0.7 beside the sky) before they are made
// smaller, and drawn by the contrast rule above. A non-square request is
// answered with the square of its shorter side.
QIcon temperatureIcon(int fahrenheit, const QIcon& sky);

// `icon` with the warning mark in its top-right corner (see badgeRed), at
// every size the icon is asked for; the picture of `icon` fills the square
// under it, enlarged where `icon` has none so large.
QIcon withWarningBadge(const QIcon& icon);

} // namespace TrayPicture
