#pragma once

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QString>

// A page picture like the one label generation hands over: 1472 x 1904
// pixels at 384 dpi (8.5 x 11 in at a quarter of the screen's pixel size),
// six labels with text, and a band of two-pixel stripes at the top left.
inline QImage SyntheticSheet(const QString &recipient = QStringLiteral("Grace Hopper"))
{
    QImage sheet(1472, 1904, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    sheet.setDotsPerMeterX(15118);
    sheet.setDotsPerMeterY(15118);
    QPainter painter(&sheet);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    for (int x = 40; x < 440; x += 4)
        painter.fillRect(x, 10, 2, 40, Qt::black);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(44);
    painter.setFont(font);
    const int left[] = {20, 764};
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 2; ++column) {
            const QRect label(left[column], 64 + row * 616, 688, 584);
            painter.setPen(QPen(Qt::black, 3));
            painter.drawRoundedRect(label, 24, 24);
            painter.drawText(label.adjusted(40, 40, -20, -20), Qt::AlignLeft | Qt::AlignTop,
                             QStringLiteral("FROM:\nQuillmark Supply Co.\nAda Lovelace\n"
                                            "12 Analytical Row\nLondon, LN 10101\n\nSHIP TO:\n")
                                 + recipient
                                 + QStringLiteral("\nNaval Research Lab\nArlington, VA 22203"));
        }
    }
    return sheet;
}
