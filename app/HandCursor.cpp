#include "HandCursor.h"

#include "Failure.h"
#include "ProgramFolder.h"

#include <QFile>
#include <QPixmap>

#include <cstdint>
#include <sys/stat.h>

namespace {

// Little-endian reads that never step past the end of the data.
class Reader
{
public:
    explicit Reader(const QByteArray &bytes)
        : m_bytes(bytes)
    {
    }

    bool has(qint64 offset, qint64 length) const
    {
        return offset >= 0 && length >= 0 && offset <= m_bytes.size()
            && length <= m_bytes.size() - offset;
    }
    quint8 u8(qint64 offset) const { return quint8(m_bytes.at(offset)); }
    quint16 u16(qint64 offset) const { return quint16(u8(offset) | (u8(offset + 1) << 8)); }
    quint32 u32(qint64 offset) const { return quint32(u16(offset)) | (quint32(u16(offset + 2)) << 16); }
    qint32 i32(qint64 offset) const { return qint32(u32(offset)); }

private:
    const QByteArray &m_bytes;
};

[[noreturn]] void notACursor(const QString &why)
{
    throw Failure(QStringLiteral("Invalid picture: %1").arg(why));
}

qint64 rowBytes(qint64 width, int bitsPerPixel)
{
    return ((width * bitsPerPixel + 31) / 32) * 4; // rows are padded to 32 bits
}

// A BITMAPINFOHEADER image as stored in .ico/.cur files: its height counts the
// colour bitmap and the AND mask below it, and rows run bottom-up.
QImage readDib(const QByteArray &bytes, qint64 offset, qint64 size)
{
    const Reader r(bytes);
    if (!r.has(offset, 40) || size < 40)
        notACursor(QStringLiteral("the image header is cut short"));
    const quint32 headerSize = r.u32(offset);
    const qint64 width = r.i32(offset + 4);
    const qint64 doubleHeight = r.i32(offset + 8);
    const int bits = r.u16(offset + 14);
    const quint32 compression = r.u32(offset + 16);
    quint32 coloursUsed = r.u32(offset + 32);
    if (headerSize < 40 || headerSize > size)
        notACursor(QStringLiteral("unknown image header"));
    if (width <= 0 || width > 256 || doubleHeight <= 0 || doubleHeight > 512 || doubleHeight % 2)
        notACursor(QStringLiteral("bad image size"));
    if (compression != 0)
        notACursor(QStringLiteral("compressed images are not supported"));
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
        notACursor(QStringLiteral("%1 bits per pixel are not supported").arg(bits));
    const qint64 height = doubleHeight / 2;

    QList<QRgb> palette;
    qint64 at = offset + headerSize;
    if (bits <= 8) {
        const quint32 maxColours = 1u << bits;
        if (coloursUsed == 0 || coloursUsed > maxColours)
            coloursUsed = maxColours;
        if (!r.has(at, qint64(coloursUsed) * 4))
            notACursor(QStringLiteral("the colour table is cut short"));
        for (quint32 i = 0; i < coloursUsed; ++i, at += 4)
            palette.append(qRgb(r.u8(at + 2), r.u8(at + 1), r.u8(at)));
        while (palette.size() < qsizetype(maxColours))
            palette.append(qRgb(0, 0, 0));
    }
    const qint64 colourRow = rowBytes(width, bits);
    const qint64 maskRow = rowBytes(width, 1);
    const qint64 colourStart = at;
    const qint64 maskStart = colourStart + colourRow * height;
    if (!r.has(colourStart, colourRow * height + maskRow * height)
        || maskStart + maskRow * height > offset + size)
        notACursor(QStringLiteral("the image data is cut short"));

    QImage image(int(width), int(height), QImage::Format_ARGB32);
    bool anyAlpha = false;
    for (qint64 y = 0; y < height; ++y) {
        const qint64 row = colourStart + (height - 1 - y) * colourRow;
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(int(y)));
        for (qint64 x = 0; x < width; ++x) {
            QRgb pixel = 0;
            switch (bits) {
            case 1:
                pixel = palette.at((r.u8(row + x / 8) >> (7 - x % 8)) & 1);
                break;
            case 4:
                pixel = palette.at((r.u8(row + x / 2) >> (x % 2 ? 0 : 4)) & 0x0f);
                break;
            case 8:
                pixel = palette.at(r.u8(row + x));
                break;
            case 24:
                pixel = qRgb(r.u8(row + 3 * x + 2), r.u8(row + 3 * x + 1), r.u8(row + 3 * x));
                break;
            case 32: {
                const int alpha = r.u8(row + 4 * x + 3);
                anyAlpha = anyAlpha || alpha != 0;
                pixel = qRgba(r.u8(row + 4 * x + 2), r.u8(row + 4 * x + 1), r.u8(row + 4 * x), alpha);
                break;
            }
            }
            line[x] = pixel;
        }
    }
    // Without an alpha channel of its own, the AND mask says which pixels are see-through.
    if (!anyAlpha) {
        for (qint64 y = 0; y < height; ++y) {
            const qint64 row = maskStart + (height - 1 - y) * maskRow;
            auto *line = reinterpret_cast<QRgb *>(image.scanLine(int(y)));
            for (qint64 x = 0; x < width; ++x) {
                const bool transparent = (r.u8(row + x / 8) >> (7 - x % 8)) & 1;
                line[x] = transparent ? qRgba(0, 0, 0, 0) : (line[x] | 0xff000000u);
            }
        }
    }
    return image;
}

} // namespace

QString HandCursorPath()
{
    return ProgramFilePath(QStringLiteral("HAND-M.CUR"));
}

CursorImage ReadCursorFile(const QByteArray &bytes)
{
    const Reader r(bytes);
    if (!r.has(0, 6) || r.u16(0) != 0 || r.u16(2) != 2)
        notACursor(QStringLiteral("not a cursor file"));
    if (r.u16(4) == 0 || !r.has(6, 16))
        notACursor(QStringLiteral("the cursor file holds no image"));

    const qint64 entry = 6;
    const QPoint hotspot(r.u16(entry + 4), r.u16(entry + 6));
    const qint64 size = r.u32(entry + 8);
    const qint64 offset = r.u32(entry + 12);
    if (!r.has(offset, size) || size == 0)
        notACursor(QStringLiteral("the image lies beyond the end of the file"));

    static const QByteArray pngSignature("\x89PNG\r\n\x1a\n", 8);
    QImage image;
    if (bytes.mid(offset, 8) == pngSignature) {
        if (!image.loadFromData(bytes.mid(offset, size), "PNG"))
            notACursor(QStringLiteral("damaged PNG image"));
        image = image.convertToFormat(QImage::Format_ARGB32);
    } else {
        image = readDib(bytes, offset, size);
    }
    if (hotspot.x() >= image.width() || hotspot.y() >= image.height())
        notACursor(QStringLiteral("the hotspot lies outside the image"));
    return {image, hotspot};
}

QCursor LoadHandCursor(const QString &path)
{
    // Only a regular file can be a cursor: opening a named pipe would block
    // start-up for ever, and a device such as /dev/zero never ends.
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) == 0 && !S_ISREG(info.st_mode))
        notACursor(QStringLiteral("%1 is not a regular file").arg(path));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("Cannot read %1: %2").arg(path, file.errorString()));
    // A cursor file is a few kilobytes; refuse to pull anything huge into memory.
    if (file.size() > 1024 * 1024)
        notACursor(QStringLiteral("the file is too large for a cursor"));
    const CursorImage cursor = ReadCursorFile(file.read(1024 * 1024 + 1));
    return QCursor(QPixmap::fromImage(cursor.image), cursor.hotspot.x(), cursor.hotspot.y());
}
