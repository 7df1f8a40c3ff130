// Draws Parcelon's artwork: the program icon (a parcel with a shipping label)
// in 32, 48, 128 and 256 pixels, and the hand pointer HAND-M.CUR (a Windows
// cursor file holding one 32 x 32 32-bit image and its AND mask).
// resources/icons/parcelon.svg holds the same icon shapes by hand: change both.
// Usage: draw-assets <resources folder>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QtEndian>

#include <cstdio>

namespace {

QImage drawIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 256.0, size / 256.0);

    // The box: kraft card with a darker side, seen slightly from above.
    const QColor kraft(0xc8, 0x8f, 0x4e), kraftDark(0x9c, 0x68, 0x33), kraftLight(0xdd, 0xa9, 0x6c);
    const QColor outline(0x5a, 0x3a, 0x1a);
    const qreal stroke = size <= 48 ? 10 : 6;
    p.setPen(QPen(outline, stroke, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));

    QPainterPath top;
    top.moveTo(24, 70);
    top.lineTo(88, 28);
    top.lineTo(232, 28);
    top.lineTo(168, 70);
    top.closeSubpath();
    p.setBrush(kraftLight);
    p.drawPath(top);
    QPainterPath side;
    side.moveTo(168, 70);
    side.lineTo(232, 28);
    side.lineTo(232, 170);
    side.lineTo(168, 228);
    side.closeSubpath();
    p.setBrush(kraftDark);
    p.drawPath(side);
    p.setBrush(kraft);
    p.drawRect(QRectF(24, 70, 144, 158));

    // Packing tape across the top and down the front.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xe9, 0xd3, 0x9a));
    QPainterPath tape;
    tape.moveTo(76, 70);
    tape.lineTo(140, 28);
    tape.lineTo(172, 28);
    tape.lineTo(108, 70);
    tape.closeSubpath();
    p.drawPath(tape);
    p.drawRect(QRectF(76, 70, 32, 40));

    // The shipping label on the front face.
    p.setPen(QPen(QColor(0x40, 0x40, 0x40), stroke * 0.6));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(38, 118, 118, 92), 8, 8);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xd2, 0x32, 0x2d));
    p.drawRect(QRectF(48, 128, 30, 18)); // the carrier's stripe
    p.setBrush(QColor(0x3a, 0x4a, 0x6a));
    const qreal line = size <= 48 ? 12 : 8;
    p.drawRect(QRectF(48, 156, 96, line));
    p.drawRect(QRectF(48, 156 + 2 * line, 72, line));
    if (size > 48)
        p.drawRect(QRectF(48, 156 + 4 * line, 84, line));
    p.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

// A white pointing hand with a black outline, index finger up; hotspot at its tip.
const QPoint kHotspot(11, 1);

QImage drawHand()
{
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainterPath hand;
    hand.setFillRule(Qt::WindingFill);
    hand.addRoundedRect(QRectF(9, 1, 5, 17), 2.5, 2.5);   // index finger
    hand.addRoundedRect(QRectF(13, 9, 5, 10), 2.5, 2.5);  // middle
    hand.addRoundedRect(QRectF(17, 10, 5, 10), 2.5, 2.5); // ring
    hand.addRoundedRect(QRectF(21, 11, 5, 10), 2.5, 2.5); // little finger
    QPainterPath thumb;
    thumb.moveTo(3.5, 16);
    thumb.lineTo(6.5, 14);
    thumb.lineTo(11, 20);
    thumb.lineTo(9, 23);
    thumb.closeSubpath();
    hand.addPath(thumb);
    hand.addRoundedRect(QRectF(8, 15, 18, 14), 4, 4); // palm
    hand = hand.simplified();

    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawPath(hand);
    // Creases between the folded fingers.
    p.drawLine(QPointF(17.5, 11), QPointF(17.5, 15));
    p.drawLine(QPointF(21.5, 12), QPointF(21.5, 16));
    p.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

void put16(QByteArray &out, quint16 v)
{
    out.append(char(v & 0xff)).append(char(v >> 8));
}
void put32(QByteArray &out, quint32 v)
{
    put16(out, quint16(v & 0xffff));
    put16(out, quint16(v >> 16));
}

QByteArray cursorFile(const QImage &image, QPoint hotspot)
{
    const int w = image.width(), h = image.height();
    const int maskRow = ((w + 31) / 32) * 4;
    const quint32 dibSize = 40 + quint32(w * h * 4 + maskRow * h);
    QByteArray out;
    put16(out, 0);
    put16(out, 2);
    put16(out, 1); // ICONDIR: cursor, one image
    out.append(char(w)).append(char(h)).append(char(0)).append(char(0));
    put16(out, quint16(hotspot.x()));
    put16(out, quint16(hotspot.y()));
    put32(out, dibSize);
    put32(out, 22); // image bytes and where they start
    put32(out, 40);
    put32(out, quint32(w));
    put32(out, quint32(2 * h)); // BITMAPINFOHEADER
    put16(out, 1);
    put16(out, 32);
    put32(out, 0);
    put32(out, quint32(w * h * 4 + maskRow * h));
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    for (int y = h - 1; y >= 0; --y)
        for (int x = 0; x < w; ++x) {
            const QRgb c = image.pixel(x, y);
            out.append(char(qBlue(c))).append(char(qGreen(c))).append(char(qRed(c))).append(char(qAlpha(c)));
        }
    for (int y = h - 1; y >= 0; --y) {
        QByteArray row(maskRow, '\0');
        for (int x = 0; x < w; ++x)
            if (qAlpha(image.pixel(x, y)) == 0)
                row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
        out.append(row);
    }
    return out;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: draw-assets <resources folder>\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    for (int size : {32, 48, 128, 256})
        if (!drawIcon(size).save(folder + QStringLiteral("/icons/parcelon-%1.png").arg(size)))
            return 1;
    return writeFile(folder + QStringLiteral("/HAND-M.CUR"), cursorFile(drawHand(), kHotspot)) ? 0 : 1;
}
