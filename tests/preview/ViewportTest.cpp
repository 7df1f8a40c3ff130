#include "Failure.h"
#include "Procedure.h"
#include "RecordingMessageBoxes.h"
#include "TestMain.h"
#include "Twips.h"
#include "Viewport.h"

#include <QPainter>
#include <QSet>

namespace {
const QString kActivateTag = QStringLiteral("in Parcelwise2021/08/31.Form2.Form_Activate ");
const QString kRedrawTag = QStringLiteral("in Parcelwise2021/08/31.Form2.RedrawImage ");
const QString kZoomInTag = QStringLiteral("in Parcelwise2021/08/31.Form2.PushButton1_Click ");
const QString kUpTag = QStringLiteral("in Parcelwise2021/08/31.Form2.Picture1_MouseUp ");

// The production sheet: 1472 x 1904 pixels at 384 dpi, 5520 x 7140 twips.
const QSize kSheetTwips(5520, 7140);

// A viewport laid out as the preview window has it, holding a picture of the
// given natural size, after its first display.
struct Fixture
{
    RecordingMessageBoxes boxes;
    Viewport view{boxes};

    explicit Fixture(QSize natural, const QImage &picture = QImage(8, 8, QImage::Format_RGB32))
    {
        view.setViewportSize(9330, 7425, 30);
        view.setCanvasSize(2340, 3435);
        view.setZoomSourceSize(735, 375);
        QImage image = picture;
        if (!image.isNull() && image.format() == QImage::Format_RGB32 && image.size() == QSize(8, 8))
            image.fill(Qt::white);
        view.setCanvasPicture(image, natural);
        Procedure p(boxes, kActivateTag);
        view.FirstDisplay(p);
    }

    void zoom(int direction)
    {
        Procedure p(boxes, kZoomInTag);
        p.step(100, [&] { view.StepZoom(direction); });
    }

    void drag(float fromX, float fromY, float toX, float toY)
    {
        Procedure p(boxes, QStringLiteral("drag "));
        view.Picture1_MouseDown(p, 1, 0, fromX, fromY);
        view.Picture1_MouseMove(p, 1, 0, toX, toY);
    }

    void release()
    {
        Procedure p(boxes, kUpTag);
        view.Picture1_MouseUp(p, 1, 0, 0, 0);
    }
};

// A black-and-white page: stripes two pixels wide on the left, blocks elsewhere.
QImage stripedSheet()
{
    QImage sheet(1472, 1904, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    sheet.setDotsPerMeterX(15118);
    sheet.setDotsPerMeterY(15118);
    QPainter painter(&sheet);
    for (int x = 0; x < 800; x += 4)
        painter.fillRect(x, 0, 2, 400, Qt::black);
    for (int y = 500; y < 1900; y += 37)
        for (int x = 0; x < 1470; x += 53)
            painter.fillRect(x, y, 23, 17, Qt::black);
    return sheet;
}

int grey(const QImage &image, int x, int y)
{
    return qGray(image.pixel(x, y));
}
} // namespace

class ViewportTest : public QObject
{
    Q_OBJECT

private slots:
    void roundingAndConversions();
    void naturalSizeFollowsResolution();

    void firstDisplayOfTheSheet();
    void scrollbarMaxima_data();
    void scrollbarMaxima();
    void overflowEndsTheSetUp();

    void zoomOutStopsAtAQuarter();
    void zoomInStopsAtFour();
    void zoomInFallsBackAtTheCap();
    void pictureBeyondTheCapAtFirstDisplay();
    void firstDisplayWithoutAPicture();
    void newPictureAfterPanning();

    void scrollBarsMoveTheCanvas();
    void dragClampsToTheViewport_data();
    void dragClampsToTheViewport();
    void moveWithoutButtonDoesNothing();
    void releaseSynchronisesTheBars();
    void releaseBeyondHundredLeavesTheBar();
    void releaseOnCanvasAsWideAsTheViewport();
    void zoomStepResetsPosition();

    void paintingKeepsTheSourceDetail();
    void paintingIsSmoothlyFiltered();
};

void ViewportTest::roundingAndConversions()
{
    QCOMPARE(Twips::RoundHalfEven(2.5), 2.0);
    QCOMPARE(Twips::RoundHalfEven(3.5), 4.0);
    QCOMPARE(Twips::RoundHalfEven(-2.5), -2.0);
    QCOMPARE(Twips::RoundHalfEven(0.5), 0.0);
    QCOMPARE(Twips::RoundHalfEven(2.6), 3.0);
    QCOMPARE(Twips::RoundHalfEven(-3.4), -3.0);
    QCOMPARE(Twips::ToInt16(32767.4), qint16(32767));
    QCOMPARE(Twips::ToInt16(-32768.5), qint16(-32768)); // the even neighbour is in range
    QVERIFY_THROWS_EXCEPTION(Failure, Twips::ToInt16(32767.5));
    QVERIFY_THROWS_EXCEPTION(Failure, Twips::ToInt16(-32769));
    try {
        Twips::ToInt16(40000);
        QFAIL("no overflow");
    } catch (const Failure &failure) {
        QCOMPARE(failure.description(), QStringLiteral("Overflow"));
    }
    QVERIFY_THROWS_EXCEPTION(Failure, Twips::ToInt32(3e9));
    QCOMPARE(Twips::ToPixels(-7.5), 0);
    QCOMPARE(Twips::ToPixels(-22.5), -1); // whole-pixel moves keep the rounding
    QCOMPARE(Twips::ToPixels(5518), 368);
}

void ViewportTest::naturalSizeFollowsResolution()
{
    QImage sheet(1472, 1904, QImage::Format_RGB32);
    sheet.setDotsPerMeterX(15118); // 384 dpi as stored
    sheet.setDotsPerMeterY(15118);
    QCOMPARE(Twips::NaturalSize(sheet), kSheetTwips);

    QImage screen(1000, 10, QImage::Format_RGB32); // Qt's default, about 96 dpi
    QCOMPARE(Twips::NaturalSize(screen), QSize(15000, 150));
    screen.setDotsPerMeterX(0);
    QCOMPARE(Twips::NaturalSize(screen).width(), 15000);
    QVERIFY(Twips::NaturalSize(QImage()).isEmpty());
}

void ViewportTest::firstDisplayOfTheSheet()
{
    Fixture f(kSheetTwips);
    const Viewport &v = f.view;
    QVERIFY(f.boxes.boxes().isEmpty());
    QCOMPARE(v.zoom(), 1.0f);
    QCOMPARE(v.baseWidth(), 5518);
    QCOMPARE(v.baseHeight(), 7138);
    QCOMPARE(v.canvas().width, 5518);
    QCOMPARE(v.canvas().height, 7138);
    QVERIFY(v.canvas().whiteBackground);
    QVERIFY(v.canvas().picture.isNull()); // dropped at the first repaint
    QVERIFY(!v.canvas().painting.isNull());
    QVERIFY(!v.zoomSource().visible);
    QCOMPARE(v.zoomSource().width, 5520);
    // The whole sheet fits: both bars disabled, steps 0.
    QVERIFY(!v.hScroll().enabled);
    QVERIFY(!v.vScroll().enabled);
    QCOMPARE(v.hStep(), qint16(0));
    QCOMPARE(v.vStep(), qint16(0));
    QCOMPARE(v.hScroll().maximum, 32767); // left as it was
    QCOMPARE(v.viewportInnerWidth(), 9270);
    QCOMPARE(v.viewportInnerHeight(), 7365);
}

void ViewportTest::scrollbarMaxima_data()
{
    QTest::addColumn<int>("overflow");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("maximum");

    QTest::newRow("narrower") << -1 << false << 0 << 32767;
    QTest::newRow("equal") << 0 << false << 0 << 32767;
    QTest::newRow("1") << 1 << true << 1 << 1;
    QTest::newRow("100") << 100 << true << 1 << 100;
    QTest::newRow("101") << 101 << true << 10 << 10;
    QTest::newRow("105 to the even 10") << 105 << true << 10 << 10;
    QTest::newRow("115 to the even 12") << 115 << true << 10 << 12;
    QTest::newRow("2369") << 2369 << true << 10 << 237;
    QTest::newRow("327674") << 327674 << true << 10 << 32767;
}

void ViewportTest::scrollbarMaxima()
{
    QFETCH(int, overflow);
    QFETCH(bool, enabled);
    QFETCH(int, step);
    QFETCH(int, maximum);

    // The canvas's outer width is the base (natural - 2) unless beyond the cap.
    const int canvasWidth = 9330 + overflow;
    const int natural = canvasWidth + 2 < Viewport::kCapWidth + 2 ? canvasWidth + 2 : canvasWidth;
    Fixture f(QSize(natural, 1000));
    QCOMPARE(f.view.canvas().width, canvasWidth);
    QVERIFY2(f.boxes.errorReports().isEmpty(), "no report");
    QCOMPARE(f.view.hScroll().enabled, enabled);
    QCOMPARE(int(f.view.hStep()), step);
    QCOMPARE(f.view.hScroll().maximum, maximum);
    QCOMPARE(f.view.hScroll().value, 0);
    // Moving the bar from 0 to its maximum moves the canvas by the overflow, to half a step.
    if (enabled) {
        f.view.setHScrollValue(maximum);
        QVERIFY(qAbs(-f.view.canvas().left - overflow) <= step / 2.0);
    }
}

void ViewportTest::overflowEndsTheSetUp()
{
    // Beyond the cap the canvas keeps its natural size: 327675 twips of
    // overflow make the maximum 32767.5, which rounds to 32768.
    Fixture f(QSize(9330 + 327675, 20000));
    const auto reports = f.boxes.errorReports();
    QCOMPARE(reports.size(), 1);
    QVERIFY(reports[0].text.startsWith(QStringLiteral("Overflow\r\n") + kActivateTag
                                       + QStringLiteral("at line 136\r\r")));
    QCOMPARE(f.view.hStep(), qint16(0));        // never reached
    QCOMPARE(f.view.hScroll().maximum, 32767);
    // The vertical set-up is skipped altogether although it would be enabled.
    QCOMPARE(f.view.vStep(), qint16(0));
    QCOMPARE(f.view.vScroll().maximum, 32767);
    QCOMPARE(f.view.canvas().left, 0.0f);
}

void ViewportTest::zoomOutStopsAtAQuarter()
{
    Fixture f(kSheetTwips);
    const float expected[] = {0.75f, 0.5f, 0.25f};
    for (float zoom : expected) {
        f.zoom(1);
        QCOMPARE(f.view.zoom(), zoom);
        QCOMPARE(f.view.canvas().width, int(5518 * zoom));
    }
    QCOMPARE(f.view.canvas().height, 1784); // floor(7138 * 0.25)
    const quint64 painted = f.view.canvas().paintingSerial;
    f.zoom(1);
    QCOMPARE(f.view.zoom(), 0.25f);
    QCOMPARE(f.view.canvas().paintingSerial, painted);
    QVERIFY(f.boxes.boxes().isEmpty());
}

void ViewportTest::zoomInStopsAtFour()
{
    Fixture f(QSize(1002, 1002));
    for (int click = 1; click <= 12; ++click)
        f.zoom(0);
    QCOMPARE(f.view.zoom(), 4.0f);
    QCOMPARE(f.view.canvas().width, 4000);
    const quint64 painted = f.view.canvas().paintingSerial;
    f.zoom(0);
    QCOMPARE(f.view.zoom(), 4.0f);
    QCOMPARE(f.view.canvas().paintingSerial, painted);
    QVERIFY(f.boxes.boxes().isEmpty());
}

void ViewportTest::zoomInFallsBackAtTheCap()
{
    Fixture f(kSheetTwips);
    for (int click = 0; click < 4; ++click)
        f.zoom(0);
    QCOMPARE(f.view.zoom(), 2.0f);
    QCOMPARE(f.view.canvas().width, 11036);
    QCOMPARE(f.view.canvas().height, 14276);
    const QImage painting = f.view.canvas().painting;
    const quint64 painted = f.view.canvas().paintingSerial;

    f.zoom(0); // 2.25: 12415 twips wide, at the cap
    QCOMPARE(f.view.zoom(), 1.0f);
    QCOMPARE(f.view.canvas().paintingSerial, painted);
    QCOMPARE(f.view.canvas().painting.cacheKey(), painting.cacheKey());
    QCOMPARE(f.view.canvas().width, 11036); // still the previous painting
    QCOMPARE(f.view.zoomedWidth(), 5518);
    // The bars follow the canvas as it stands.
    QCOMPARE(f.view.hStep(), qint16(10));
    QCOMPARE(f.view.hScroll().maximum, 171); // 1706 / 10 = 170.6
    QCOMPARE(f.view.vScroll().maximum, 685); // 6851 / 10
    QVERIFY(f.boxes.boxes().isEmpty());

    f.zoom(0); // from 1.0 again
    QCOMPARE(f.view.zoom(), 1.25f);
    QCOMPARE(f.view.canvas().width, 6897);
}

void ViewportTest::pictureBeyondTheCapAtFirstDisplay()
{
    Fixture f(QSize(12000, 8000));
    QVERIFY(f.boxes.boxes().isEmpty());
    QVERIFY(!f.view.canvas().picture.isNull()); // shown as handed over
    QVERIFY(f.view.canvas().painting.isNull());
    QCOMPARE(f.view.canvas().width, 12000);
    QCOMPARE(f.view.canvas().height, 8000);

    f.zoom(0);
    QCOMPARE(f.view.zoom(), 1.0f);
    QVERIFY(f.view.canvas().painting.isNull());

    f.zoom(1);
    QCOMPARE(f.view.zoom(), 0.75f);
    QVERIFY(!f.view.canvas().painting.isNull());
    QCOMPARE(f.view.canvas().width, 8998);
    QCOMPARE(f.view.canvas().height, 5998);
}

void ViewportTest::firstDisplayWithoutAPicture()
{
    Fixture f{QSize(), QImage()};
    const auto reports = f.boxes.errorReports();
    QCOMPARE(reports.size(), 1);
    QVERIFY(reports[0].text.contains(kRedrawTag + QStringLiteral("at line 112")));
    // The rest still ran: a white canvas of the designed size, bars set up.
    QVERIFY(f.view.canvas().whiteBackground);
    QVERIFY(f.view.canvas().painting.isNull());
    QCOMPARE(f.view.canvas().width, 2338);
    QVERIFY(!f.view.hScroll().enabled);
    QCOMPARE(f.view.zoom(), 1.0f);
}

void ViewportTest::newPictureAfterPanning()
{
    Fixture f(kSheetTwips);
    for (int i = 0; i < 4; ++i)
        f.zoom(0);
    f.drag(4000, 4000, 3000, 3000);
    QVERIFY(f.view.canvas().left < 0);

    // Generate again: a new picture, then the next first display.
    QImage next(20, 20, QImage::Format_RGB32);
    next.fill(Qt::black);
    f.view.setCanvasPicture(next, QSize(3002, 4002));
    QCOMPARE(f.view.canvas().width, 3002); // the canvas follows its new picture
    QVERIFY(f.view.canvas().painting.isNull());
    Procedure p(f.boxes, kActivateTag);
    f.view.FirstDisplay(p);
    QCOMPARE(f.view.zoom(), 1.0f);
    QCOMPARE(f.view.canvas().left, 0.0f);
    QCOMPARE(f.view.canvas().top, 0.0f);
    QCOMPARE(f.view.canvas().width, 3000);
    f.zoom(0);
    // Zooming shows the new sheet (black), never the previous one.
    QCOMPARE(f.view.canvas().width, 3750);
    QCOMPARE(grey(f.view.canvas().painting, 10, 10), 0);
}

void ViewportTest::scrollBarsMoveTheCanvas()
{
    Fixture f(QSize(9432, 14002)); // 100 twips too wide, 6575 too high
    QCOMPARE(f.view.hStep(), qint16(1));
    QCOMPARE(f.view.vStep(), qint16(10));
    QCOMPARE(f.view.vScroll().maximum, 658); // 657.5 to the even neighbour
    f.view.setHScrollValue(37);
    f.view.setVScrollValue(600);
    QCOMPARE(f.view.canvas().left, -37.0f);
    QCOMPARE(f.view.canvas().top, -6000.0f);
    QVERIFY_THROWS_EXCEPTION(Failure, f.view.setHScrollValue(101)); // beyond the maximum

    Fixture narrow(kSheetTwips); // disabled bars, step 0
    narrow.view.setHScrollValue(50);
    QCOMPARE(narrow.view.canvas().left, 0.0f);
}

void ViewportTest::dragClampsToTheViewport_data()
{
    QTest::addColumn<int>("zoomIns");
    QTest::addColumn<float>("dx");
    QTest::addColumn<float>("dy");
    QTest::addColumn<float>("left");
    QTest::addColumn<float>("top");

    // At 1.0 the canvas (5518 x 7138) is smaller than the inner area (9270 x 7365):
    // on such an axis any drag that does not go right (down) pins it flush right (bottom).
    QTest::newRow("narrow, to the left: flush right") << 0 << -3000.f << 0.f << 3752.f << 227.f;
    QTest::newRow("narrow, up: flush bottom") << 0 << 0.f << -50.f << 3752.f << 227.f;
    QTest::newRow("narrow, to the right: the upper bound wins") << 0 << 3000.f << 40.f << 0.f << 0.f;
    // At 2.0 (11036 x 14276) it is larger.
    QTest::newRow("wide, inside") << 4 << -1000.f << -500.f << -1000.f << -500.f;
    QTest::newRow("wide, far left and up") << 4 << -90000.f << -90000.f << -1766.f << -6911.f;
    QTest::newRow("wide, right and down") << 4 << 500.f << 500.f << 0.f << 0.f;
}

void ViewportTest::dragClampsToTheViewport()
{
    QFETCH(int, zoomIns);
    QFETCH(float, dx);
    QFETCH(float, dy);
    QFETCH(float, left);
    QFETCH(float, top);

    Fixture f(kSheetTwips);
    for (int i = 0; i < zoomIns; ++i)
        f.zoom(0);
    f.drag(1500, 1500, 1500 + dx, 1500 + dy);
    QCOMPARE(f.view.canvas().left, left);
    QCOMPARE(f.view.canvas().top, top);
    QCOMPARE(f.view.dragX(), 1500.f);
    // The bars are not touched during the drag.
    QCOMPARE(f.view.hScroll().value, 0);
    QCOMPARE(f.view.vScroll().value, 0);
}

void ViewportTest::moveWithoutButtonDoesNothing()
{
    Fixture f(kSheetTwips);
    for (int i = 0; i < 4; ++i)
        f.zoom(0);
    Procedure p(f.boxes, QStringLiteral("move "));
    f.view.Picture1_MouseDown(p, 1, 0, 3000, 3000);
    f.view.Picture1_MouseMove(p, 0, 0, 100, 100);
    QCOMPARE(f.view.canvas().left, 0.f);
    QCOMPARE(f.view.canvas().top, 0.f);
    // Any button drags, with any modifier.
    f.view.Picture1_MouseMove(p, 2, 1, 2900, 2950);
    QCOMPARE(f.view.canvas().left, -100.f);
    QCOMPARE(f.view.canvas().top, -50.f);
}

void ViewportTest::releaseSynchronisesTheBars()
{
    Fixture f(kSheetTwips);
    for (int i = 0; i < 4; ++i)
        f.zoom(0);
    f.drag(1500, 1500, 500, 1000); // to (-1000, -500)
    f.release();
    // 1000 / 1706 = 59 %, of 171 is 101; 500 / 6851 = 7 %, of 685 is 48.
    QCOMPARE(f.view.hScroll().value, 101);
    QCOMPARE(f.view.vScroll().value, 48);
    QCOMPARE(f.view.canvas().left, -1010.f);
    QCOMPARE(f.view.canvas().top, -480.f);
    QVERIFY(f.boxes.boxes().isEmpty());

    // A plain click on a canvas moved off the grid snaps it back onto it.
    f.drag(1500, 1500, 1200, 1500); // to (-1310, -480)
    Procedure p(f.boxes, QStringLiteral("click "));
    f.view.Picture1_MouseDown(p, 1, 0, 10, 10);
    f.view.Picture1_MouseUp(p, 1, 0, 10, 10);
    QCOMPARE(f.view.hScroll().value, 132); // 77 % of 171 = 131.67
    QCOMPARE(f.view.canvas().left, -1320.f);
}

void ViewportTest::releaseBeyondHundredLeavesTheBar()
{
    Fixture f(kSheetTwips);
    for (int i = 0; i < 4; ++i)
        f.zoom(0);
    f.view.setHScrollValue(50);
    f.drag(1500, 1500, -90000, 1500); // far left: -1766, 104 % of the outer overflow
    QCOMPARE(f.view.canvas().left, -1766.f);
    f.release();
    QCOMPARE(f.view.hScroll().value, 50);
    QCOMPARE(f.view.canvas().left, -1766.f);
}

void ViewportTest::releaseOnCanvasAsWideAsTheViewport()
{
    // Canvas 9330 wide, exactly the viewport's outer width.
    Fixture f(QSize(9332, 14000));
    QVERIFY(!f.view.hScroll().enabled);
    f.drag(1500, 1500, 1000, 1500); // the inner area still lets it move 60 twips
    QCOMPARE(f.view.canvas().left, -60.f);
    f.release();
    QVERIFY2(f.boxes.errorReports().isEmpty(), "no division-by-zero report");
    QCOMPARE(f.view.hScroll().value, 0);
    QCOMPARE(f.view.canvas().left, -60.f);
}

void ViewportTest::zoomStepResetsPosition()
{
    Fixture f(kSheetTwips);
    for (int i = 0; i < 4; ++i)
        f.zoom(0);
    f.drag(1500, 1500, 500, 1000);
    f.release();
    QVERIFY(f.view.hScroll().value > 0);
    f.zoom(1);
    QCOMPARE(f.view.zoom(), 1.75f);
    QCOMPARE(f.view.canvas().left, 0.f);
    QCOMPARE(f.view.canvas().top, 0.f);
    QCOMPARE(f.view.hScroll().value, 0);
    QCOMPARE(f.view.vScroll().value, 0);
    QVERIFY(f.view.hScroll().enabled);
}

void ViewportTest::paintingKeepsTheSourceDetail()
{
    // Stripes 2 source pixels wide are half a screen pixel at 1.0 and a whole
    // one at 2.0: only a painting made from the full-resolution source shows
    // them there; one stretched from the screen-sized copy is flat grey.
    Fixture f(kSheetTwips, stripedSheet());
    for (int i = 0; i < 4; ++i)
        f.zoom(0);
    const QImage painting = f.view.canvas().painting;
    QCOMPARE(painting.size(), QSize(736, 952));
    int sharpPairs = 0;
    for (int x = 1; x < 100; ++x)
        if (qAbs(grey(painting, x, 50) - grey(painting, x - 1, 50)) > 160)
            ++sharpPairs;
    QVERIFY2(sharpPairs > 90, qPrintable(QString::number(sharpPairs)));

    // At 1.0 the same stripes average out: the check above is not vacuous.
    f.zoom(1);
    f.zoom(1);
    f.zoom(1);
    f.zoom(1);
    QCOMPARE(f.view.zoom(), 1.0f);
    const QImage small = f.view.canvas().painting;
    QVERIFY(qAbs(grey(small, 20, 50) - 128) < 40);
}

void ViewportTest::paintingIsSmoothlyFiltered()
{
    Fixture f(kSheetTwips, stripedSheet());
    f.zoom(0); // 1.25: a factor of about 0.31 from the source
    const QImage painting = f.view.canvas().painting;
    QSet<int> levels;
    for (int y = 150; y < painting.height(); ++y)
        for (int x = 0; x < painting.width(); ++x)
            levels.insert(grey(painting, x, y));
    // A black-and-white source scaled by dropping pixels keeps two levels.
    QVERIFY2(levels.size() > 20, qPrintable(QString::number(levels.size())));
    QVERIFY(levels.contains(0) || levels.contains(1));
    QVERIFY(levels.contains(255));
}

PARCELON_TEST_MAIN(ViewportTest)
#include "ViewportTest.moc"
