#pragma once

#include <QSize>
#include <QtGlobal>

class QImage;

// Preview geometry is kept in twips (1/1440 inch), as the window layouts are.
namespace Twips {

inline constexpr int kPerPixel = 15; // at 96 dots per inch

// Nearest whole number, a half going to the even neighbour (2.5 -> 2, 3.5 -> 4).
double RoundHalfEven(double value);

// Rounded conversions that fail with "Overflow" outside the integer's range.
qint16 ToInt16(double value);
qint32 ToInt32(double value);

// Screen pixels for a twips position or extent. Rounds halves upwards so that
// moving by whole pixels never changes the rounding (no jitter while dragging).
int ToPixels(double twips);

// The picture's natural size: its pixels at the resolution it carries in its
// dots-per-metre. A resolution of (about) 96 dpi, or none, is 15 twips a pixel.
QSize NaturalSize(const QImage &picture);

} // namespace Twips
