#include "preview/Twips.h"

#include "core/Failure.h"

#include <QImage>

#include <cmath>
#include <limits>

namespace Twips {

double RoundHalfEven(double value)
{
    const double nearest = std::round(value); // halves away from zero
    if (std::fabs(value - std::trunc(value)) == 0.5)
        return 2.0 * std::round(value / 2.0);
    return nearest;
}

namespace {
template <typename Int>
Int toInteger(double value)
{
    const double rounded = RoundHalfEven(value);
    if (!(rounded >= double(std::numeric_limits<Int>::min()) && rounded <= double(std::numeric_limits<Int>::max())))
        throw Failure(QStringLiteral("Overflow"));
    return Int(rounded);
}

// Dots per inch as stored: dots per metre are whole numbers, so the inch
// value is rounded back to the whole number it was made from.
double dotsPerInch(int dotsPerMetre)
{
    if (dotsPerMetre <= 0)
        return 96.0;
    const double dpi = std::round(dotsPerMetre * 0.0254);
    return dpi > 0 ? dpi : 96.0;
}
} // namespace

qint16 ToInt16(double value)
{
    return toInteger<qint16>(value);
}

qint32 ToInt32(double value)
{
    return toInteger<qint32>(value);
}

int ToPixels(double twips)
{
    return int(std::floor(twips / kPerPixel + 0.5));
}

QSize NaturalSize(const QImage &picture)
{
    if (picture.isNull())
        return {};
    const double dpiX = dotsPerInch(picture.dotsPerMeterX());
    const double dpiY = dotsPerInch(picture.dotsPerMeterY());
    return QSize(ToInt32(picture.width() * 1440.0 / dpiX), ToInt32(picture.height() * 1440.0 / dpiY));
}

} // namespace Twips
