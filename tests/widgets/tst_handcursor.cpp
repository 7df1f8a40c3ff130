#include "core/Failure.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestMain.h"
#include "widgets/HandCursor.h"

#include <QBuffer>
#include <QFile>

#include <sys/stat.h>

namespace {
const QString kShippedCursor = QStringLiteral(PARCELON_SOURCE_DIR "/resources/HAND-M.CUR");

void put16(QByteArray &out, int v)
{
    out.append(char(v & 0xff)).append(char((v >> 8) & 0xff));
}
void put32(QByteArray &out, qint64 v)
{
    put16(out, int(v & 0xffff));
    put16(out, int((v >> 16) & 0xffff));
}

QByteArray cursorHeader(int type, int w, int h, QPoint hotspot, qint64 imageSize)
{
    QByteArray out;
    put16(out, 0);
    put16(out, type);
    put16(out, 1);
    out.append(char(w)).append(char(h)).append('\0').append('\0');
    put16(out, hotspot.x());
    put16(out, hotspot.y());
    put32(out, imageSize);
    put32(out, 22);
    return out;
}

// A 16 x 16 cursor holding a PNG: red left half, transparent right half.
QByteArray pngCursor(QPoint hotspot)
{
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 8; ++x)
            image.setPixel(x, y, qRgb(255, 0, 0));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return cursorHeader(2, 16, 16, hotspot, png.size()) + png;
}

// An 8 x 2 monochrome cursor: a palette of black and white, top row white,
// bottom row black, the mask makes the right half of the top row see-through.
QByteArray monochromeCursor()
{
    QByteArray dib;
    put32(dib, 40);
    put32(dib, 8);
    put32(dib, 4);
    put16(dib, 1);
    put16(dib, 1);
    put32(dib, 0);
    put32(dib, 0);
    put32(dib, 0);
    put32(dib, 0);
    put32(dib, 2);
    put32(dib, 0);
    put32(dib, 0x000000);
    put32(dib, 0xffffff); // palette: black, white
    // Rows bottom-up, padded to 4 bytes: colour (black, white), then the AND mask.
    dib.append(QByteArray::fromHex("00000000"
                                   "ff000000"
                                   "00000000"
                                   "0f000000"));
    return cursorHeader(2, 8, 2, QPoint(1, 0), dib.size()) + dib;
}
} // namespace

class tst_HandCursor : public QObject
{
    Q_OBJECT

private slots:
    void readsTheShippedHand()
    {
        const CursorImage cursor = ReadCursorFile(ReadFileBytes(kShippedCursor));
        QCOMPARE(cursor.image.size(), QSize(32, 32));
        QCOMPARE(cursor.hotspot, QPoint(11, 1));
        // The tip of the finger is drawn, the corners are see-through, the palm is white.
        QCOMPARE(qAlpha(cursor.image.pixel(cursor.hotspot)), 255);
        QCOMPARE(qAlpha(cursor.image.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(cursor.image.pixel(31, 0)), 0);
        QCOMPARE(cursor.image.pixel(16, 24), qRgb(255, 255, 255));
    }

    void readsAnEmbeddedPng()
    {
        const CursorImage cursor = ReadCursorFile(pngCursor(QPoint(3, 9)));
        QCOMPARE(cursor.hotspot, QPoint(3, 9));
        QCOMPARE(cursor.image.size(), QSize(16, 16));
        QCOMPARE(cursor.image.pixel(2, 2), qRgb(255, 0, 0));
        QCOMPARE(qAlpha(cursor.image.pixel(12, 2)), 0);
    }

    void readsAMonochromeBitmapWithItsMask()
    {
        const CursorImage cursor = ReadCursorFile(monochromeCursor());
        QCOMPARE(cursor.image.size(), QSize(8, 2));
        QCOMPARE(cursor.hotspot, QPoint(1, 0));
        QCOMPARE(cursor.image.pixel(0, 0), qRgb(255, 255, 255));
        QCOMPARE(qAlpha(cursor.image.pixel(6, 0)), 0);
        QCOMPARE(cursor.image.pixel(6, 1), qRgb(0, 0, 0));
    }

    void refusesWhatIsNotACursor_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray good = ReadFileBytes(kShippedCursor);
        QVERIFY(good.size() > 1000);
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("text") << QByteArray("This is not a cursor at all, just some text.");
        QTest::newRow("icon, not cursor") << (QByteArray(good).replace(2, 1, "\x01"));
        QTest::newRow("no images") << QByteArray::fromHex("000002000000");
        QTest::newRow("png header only") << QByteArray("\x89PNG\r\n\x1a\n", 8);
        QByteArray farOffset = good;
        farOffset[18] = '\x7f'; // the image starts far beyond the end
        QTest::newRow("offset beyond end") << farOffset;
        QByteArray badHotspot = good;
        badHotspot[10] = 40; // hotspot x outside the 32 x 32 image
        QTest::newRow("hotspot outside") << badHotspot;
        QByteArray damagedPng = pngCursor(QPoint(0, 0));
        damagedPng.replace(22 + 8, 40, QByteArray(40, '\0')); // signature kept, chunks gone
        QTest::newRow("damaged png") << damagedPng;
        // Cut short in the header, the directory entry, the image.
        for (const qsizetype length : {qsizetype(5), qsizetype(21), qsizetype(200), good.size() - 1})
            QTest::addRow("first %lld bytes", qlonglong(length)) << good.left(length);
    }

    void refusesWhatIsNotACursor()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY_THROWS_EXCEPTION(Failure, ReadCursorFile(bytes));
    }

    // A bitmap header claiming millions of pixels never becomes a huge image:
    // the reader keeps to the directory's size or refuses the file.
    void hugeBitmapHeaderStaysSmall()
    {
        QByteArray hugeWidth = ReadFileBytes(kShippedCursor);
        hugeWidth[22 + 4 + 2] = '\x7f'; // width in the bitmap header
        try {
            QCOMPARE(ReadCursorFile(hugeWidth).image.size(), QSize(32, 32));
        } catch (const Failure &) {
        }
    }

    void loadRefusesPipesAndDevicesAtOnce()
    {
        // A named pipe would block the open for ever, a device never ends.
        const QString pipe = TestEnvironment::temp() + QStringLiteral("/pipe.cur");
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        const QString device = TestEnvironment::temp() + QStringLiteral("/zero.cur");
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), device));
        for (const QString &path : {pipe, device})
            QVERIFY_THROWS_EXCEPTION(Failure, LoadHandCursor(path));
    }

    void loadNamesAMissingFile()
    {
        try {
            LoadHandCursor(TestEnvironment::temp() + QStringLiteral("/none/HAND-M.CUR"));
            QFAIL("a missing file must fail");
        } catch (const Failure &failure) {
            QVERIFY(failure.description().contains(QStringLiteral("none/HAND-M.CUR")));
        }
    }
};

PARCELON_TEST_MAIN(tst_HandCursor)
#include "tst_handcursor.moc"
