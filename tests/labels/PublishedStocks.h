#pragma once

#include <QRectF>
#include <QSizeF>
#include <QString>

#include <array>

// The label stocks as their makers publish them (LibreOffice's label
// database, in hundredths of a millimetre; 4 x 6 in and the half sheet from
// the makers' sheets), written out apart from the program's records so that
// tests check the records and the documents against them.
struct PublishedStock
{
    const char *name;
    const char *product; // another product number that finds it
    double paperWidth, paperHeight;
    int columns, rows;
    double left, top, pitchAcross, pitchDown, width, height;

    static double points(double hundredthsOfMm) { return hundredthsOfMm / 100.0 * 72.0 / 25.4; }
    QSizeF paper() const { return QSizeF(points(paperWidth), points(paperHeight)); }
    int labels() const { return columns * rows; }
    // Label 1.. in reading order, in points from the paper's top-left corner.
    QRectF label(int number) const
    {
        const int index = number - 1;
        return QRectF(points(left + (index % columns) * pitchAcross), points(top + (index / columns) * pitchDown),
                      points(width), points(height));
    }
};

inline constexpr std::array<PublishedStock, 6> kPublishedStocks = {{
    {"5164", "avery 8164", 21590, 27940, 2, 3, 396, 1270, 10636, 8467, 10160, 8467},
    {"4x6", "1744907", 10160, 15240, 1, 1, 0, 0, 10160, 15240, 10160, 15240},
    {"5126", "Avery 8126", 21590, 27940, 1, 2, 0, 0, 21590, 13970, 21590, 13970},
    {"5163", "8163", 21590, 27940, 2, 5, 396, 1270, 10636, 5080, 10160, 5080},
    {"L7166", "j8166", 21000, 29700, 2, 3, 467, 881, 10160, 9313, 9906, 9313},
    // Listed in landscape there (2 x 2, 139 x 99.1 mm): here turned upright.
    {"L7169", "L7169", 21000, 29700, 2, 2, 463, 950, 10164, 13900, 9910, 13900},
}};
