#include "core/Failure.h"
#include "core/Procedure.h"
#include "preview/Twips.h"
#include "preview/Viewport.h"
#include "tests/support/RecordingMessageBoxes.h"
#include "tests/support/TestMain.h"

#include <QPainter>
#include <QSet>
#include <QTest>

namespace {
const QString kActivateTag = QStringLiteral("in Parcelwise2021/08/31.Form2.Form_Activate ");

// The production sheet: 1472 x 1904 pixels at 384 dpi, 5520 x 7140 twips.
const QSize kSheetTwips(5520, 7140);

QImage whitePicture()
{
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

// A viewport laid out as the preview window has it, holding a picture of the
// given natural size, after its first display and the given Zoom In clicks.
struct Fixture
{
    RecordingMessageBoxes boxes;
    Viewport view{boxes};
    Procedure p{boxes, kActivateTag};

    explicit Fixture(QSize natural, int zoomIns = 0, const QImage &picture = whitePicture())
    {
        view.setViewportSize(9330, 7425, 30);
        view.setCanvasSize(2340, 3435);
        view.setZoomSourceSize(735, 375);
        view.setCanvasPicture(picture, natural);
        view.FirstDisplay(p);
        for (int i = 0; i < zoomIns; ++i)
            zoom(0);
        // From the top-left corner, whatever the steps kept in view.
        view.setHScrollValue(0);
        view.setVScrollValue(0);
    }
    void zoom(int direction)
    {
        p.step(100, [&] { view.StepZoom(direction); });
    }
    void drag(float fromX, float fromY, float toX, float toY, qint16 button = 1)
    {
        view.Picture1_MouseDown(p, 1, 0, fromX, fromY);
        view.Picture1_MouseMove(p, button, 0, toX, toY);
    }
    void release() { view.Picture1_MouseUp(p, 1, 0, 0, 0); }
    float left() const { return view.canvas().left; }
    float top() const { return view.canvas().top; }
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

class tst_Viewport : public QObject
{
    Q_OBJECT

private slots:
    void twipsConversions();
    void firstDisplayWithoutAPicture();
    void scrollbarSetUp_data();
    void scrollbarSetUp();
    void zoomStopsAtItsLimits();
    void zoomInStopsAtTheCap();
    void zoomKeepsTheSpot_data();
    void zoomKeepsTheSpot();
    void pictureBeyondTheCap();
    void newPictureAfterPanning();
    void dragClampsToTheViewport_data();
    void dragClampsToTheViewport();
    void releaseLeavesTheCanvasWhereDropped();
    void keysAndWheelStep_data();
    void keysAndWheelStep();
    void paintingIsSharpAndSmooth();
    void nextStepsArePaintedAhead();
};

void tst_Viewport::twipsConversions()
{
    QCOMPARE(Twips::RoundHalfEven(-3.5), -4.0);
    QCOMPARE(Twips::ToInt16(-32768.5), qint16(-32768)); // the even neighbour is in range
    QVERIFY_THROWS_EXCEPTION(Failure, Twips::ToInt32(3e9));
    // Halves round upwards on screen, so whole-pixel moves never jitter.
    QCOMPARE(Twips::ToPixels(-7.5), 0);
    QCOMPARE(Twips::ToPixels(-22.5), -1);
    // Qt's default resolution, about 96 dpi, is 15 twips a pixel.
    QCOMPARE(Twips::NaturalSize(QImage(1000, 10, QImage::Format_RGB32)), QSize(15000, 150));
    QVERIFY(Twips::NaturalSize(QImage()).isEmpty());
}

void tst_Viewport::firstDisplayWithoutAPicture()
{
    Fixture f{QSize(), 0, QImage()};
    const auto reports = f.boxes.errorReports();
    QCOMPARE(reports.size(), 1);
    QVERIFY(reports[0].text.contains(QStringLiteral("Form2.RedrawImage at line 112")));
    // The rest still ran: a white canvas of the designed size, bars set up.
    QVERIFY(f.view.canvas().whiteBackground);
    QCOMPARE(f.view.canvas().width, 2338);
    QVERIFY(!f.view.hScroll().enabled);
}

void tst_Viewport::scrollbarSetUp_data()
{
    QTest::addColumn<int>("overflow");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("maximum");

    QTest::newRow("equal") << 0 << false << 0 << 32767;
    QTest::newRow("100") << 100 << true << 1 << 100;
    QTest::newRow("101") << 101 << true << 10 << 10;
    QTest::newRow("105 to the even 10") << 105 << true << 10 << 10;
    QTest::newRow("115 to the even 12") << 115 << true << 10 << 12;
    QTest::newRow("327674") << 327674 << true << 10 << 32767;
    // 32767.5 rounds to 32768: the set-up fails before the step is set.
    QTest::newRow("327675 overflows") << 327675 << true << 0 << 32767;
}

void tst_Viewport::scrollbarSetUp()
{
    QFETCH(int, overflow);
    QFETCH(bool, enabled);
    QFETCH(int, step);
    QFETCH(int, maximum);

    // Too high to paint: the canvas keeps the picture's natural size.
    Fixture f(QSize(9330 + overflow, 20000));
    QCOMPARE(f.view.canvas().width, 9330 + overflow);
    QCOMPARE(f.view.hScroll().enabled, enabled);
    QCOMPARE(int(f.view.hStep()), step);
    QCOMPARE(f.view.hScroll().maximum, maximum);
    QCOMPARE(f.view.hScroll().value, 0);
    const bool overflows = enabled && step == 0;
    const auto reports = f.boxes.errorReports();
    QCOMPARE(reports.size(), overflows ? 1 : 0);
    if (overflows) {
        QVERIFY(reports[0].text.startsWith(QStringLiteral("Overflow\r\n") + kActivateTag
                                           + QStringLiteral("at line 136\r\r")));
        // The vertical set-up is skipped although that bar would be enabled.
        QCOMPARE(int(f.view.vStep()), 0);
        QCOMPARE(f.view.vScroll().maximum, 32767);
        return;
    }
    QCOMPARE(int(f.view.vStep()), 10);
    QCOMPARE(f.view.vScroll().maximum, 1258); // 12575 / 10 to the even neighbour
    // Each bar moves by its own step: the horizontal one is 0 or 1 in some rows.
    f.view.setVScrollValue(1258);
    QCOMPARE(f.top(), -12580.f);
    // The bar's whole range moves the canvas by the overflow, to half a step.
    if (enabled) {
        f.view.setHScrollValue(maximum);
        QVERIFY(qAbs(-f.left() - overflow) <= step / 2.0);
    }
}

void tst_Viewport::zoomStopsAtItsLimits()
{
    Fixture f(kSheetTwips);
    for (float zoom : {0.75f, 0.5f, 0.25f}) {
        f.zoom(1);
        QCOMPARE(f.view.zoom(), zoom);
        QCOMPARE(f.view.canvas().width, int(5518 * zoom));
    }
    QCOMPARE(f.view.canvas().height, 1784); // floor(7138 * 0.25)
    quint64 painted = f.view.canvas().paintingSerial;
    f.zoom(1);
    QCOMPARE(f.view.zoom(), 0.25f);
    QCOMPARE(f.view.canvas().paintingSerial, painted);

    Fixture small(QSize(1002, 1002), 12);
    QCOMPARE(small.view.zoom(), 4.0f);
    QCOMPARE(small.view.canvas().width, 4000);
    painted = small.view.canvas().paintingSerial;
    small.zoom(0);
    QCOMPARE(small.view.zoom(), 4.0f);
    QCOMPARE(small.view.canvas().paintingSerial, painted);
    QVERIFY(f.boxes.boxes().isEmpty() && small.boxes.boxes().isEmpty());
}

void tst_Viewport::zoomInStopsAtTheCap()
{
    Fixture f(kSheetTwips, 4);
    QCOMPARE(f.view.zoom(), 2.0f);
    QCOMPARE(f.view.canvas().width, 11036);
    const qint64 painting = f.view.canvas().painting.cacheKey();

    // Exactly at the cap is too large already, on either axis: 1.75 stays.
    for (const QSize natural : {QSize(5852, 3002), QSize(3002, 7152)}) {
        Fixture g(natural, 4); // 2.0: 11700 wide, or 14300 high
        QCOMPARE(g.view.zoom(), 1.75f);
        QCOMPARE(g.view.canvas().width, (natural.width() - 2) * 7 / 4);
        QVERIFY(!g.view.CanStepZoom(0));
        QVERIFY(g.view.CanStepZoom(1));
    }

    f.view.setHScrollValue(100);
    f.zoom(0); // 2.25: 12415 twips wide, at the cap: nothing changes
    QCOMPARE(f.view.zoom(), 2.0f);
    QCOMPARE(f.view.canvas().painting.cacheKey(), painting);
    QCOMPARE(f.left(), -1000.f);
    QCOMPARE(f.view.hScroll().value, 100);
    QVERIFY(f.boxes.boxes().isEmpty());

    f.zoom(1); // the next step goes from 2.0
    QCOMPARE(f.view.zoom(), 1.75f);
    QCOMPARE(f.view.canvas().width, 9656);
}

void tst_Viewport::zoomKeepsTheSpot_data()
{
    QTest::addColumn<int>("zoomIns"); // from 1.0, then the bars set to:
    QTest::addColumn<QPoint>("bars");
    QTest::addColumn<int>("direction");  // 0 in, 1 out
    QTest::addColumn<QPointF>("anchor"); // twips in the inner area; (-1, -1): its centre
    QTest::addColumn<QPointF>("canvas"); // where the canvas stands after the step

    const QPointF centre(-1, -1);
    // 1.0 -> 1.25: 6897 x 8922; only the height overflows (1497: step 10, max 150).
    // The centre line 3682.5 of 7138 is 4602.9 of 8922: bar 92.
    QTest::newRow("in from a page that fits") << 0 << QPoint(0, 0) << 0 << centre << QPointF(0, -920);
    // 2.0 at (-1000, -3000) -> 1.75 (9656 x 12491): the centre spot 5635 of 11036
    // across is 4930.4 of 9656, bar 30; 6682.5 of 14276 down is 5847.0 of 12491, bar 216.
    QTest::newRow("out about the centre") << 4 << QPoint(100, 300) << 1 << centre << QPointF(-300, -2160);
    // 1.75 at the top-left -> 2.0 about the inner area's bottom-right corner:
    // 9270 of 9656 is 10594.8 of 11036, bar 132; 7365 of 12491 is 8417.5 of 14276, bar 105.
    QTest::newRow("in about the pointer") << 3 << QPoint(0, 0) << 0 << QPointF(9270, 7365) << QPointF(-1320, -1050);
    // 1.75 at the far end (33, 507) -> 2.0: 4965 of 9656 -> 5674.6 of 11036, bar 104;
    // 8752.5 of 12491 -> 10003.2 of 14276, bar 632.
    QTest::newRow("in at the far end") << 3 << QPoint(33, 507) << 0 << centre << QPointF(-1040, -6320);
    // 2.0 -> 1.75 about the top-left corner: it stays in the corner.
    QTest::newRow("out about the corner") << 4 << QPoint(0, 0) << 1 << QPointF(0, 0) << QPointF(0, 0);
    // Out to 0.75 from anywhere: the page fits, nothing to keep.
    QTest::newRow("out to a page that fits") << 1 << QPoint(0, 100) << 1 << centre << QPointF(0, 0);
}

void tst_Viewport::zoomKeepsTheSpot()
{
    QFETCH(int, zoomIns);
    QFETCH(QPoint, bars);
    QFETCH(int, direction);
    QFETCH(QPointF, anchor);
    QFETCH(QPointF, canvas);

    Fixture f(kSheetTwips, zoomIns);
    f.view.setHScrollValue(bars.x());
    f.view.setVScrollValue(bars.y());
    const float from = f.view.zoom();
    const float to = direction == 0 ? from + 0.25f : from - 0.25f;
    f.p.step(100, [&] {
        if (anchor.x() < 0)
            f.view.StepZoom(direction);
        else
            f.view.ApplyZoom(to, anchor);
    });
    QCOMPARE(f.view.zoom(), to);
    QCOMPARE(QPointF(f.left(), f.top()), canvas);
    // The bars say where the canvas is.
    QCOMPARE(f.view.hScroll().value * f.view.hStep(), -int(canvas.x()));
    QCOMPARE(f.view.vScroll().value * f.view.vStep(), -int(canvas.y()));
    QVERIFY(f.boxes.boxes().isEmpty());
}

void tst_Viewport::pictureBeyondTheCap()
{
    Fixture f(QSize(12000, 8000));
    QVERIFY(f.boxes.boxes().isEmpty());
    QVERIFY(!f.view.canvas().picture.isNull()); // shown as handed over
    QVERIFY(f.view.canvas().painting.isNull());
    QCOMPARE(f.view.canvas().width, 12000);
    f.zoom(0);
    QCOMPARE(f.view.zoom(), 1.0f);
    QVERIFY(f.view.canvas().painting.isNull());
    f.zoom(1);
    QCOMPARE(f.view.zoom(), 0.75f);
    QVERIFY(!f.view.canvas().painting.isNull());
    QCOMPARE(QSize(f.view.canvas().width, f.view.canvas().height), QSize(8998, 5998));
}

void tst_Viewport::newPictureAfterPanning()
{
    Fixture f(kSheetTwips, 4);
    f.drag(4000, 4000, 3000, 3000);
    QVERIFY(f.left() < 0);

    // Generate again: a new picture, then the next first display.
    QImage next(20, 20, QImage::Format_RGB32);
    next.fill(Qt::black);
    f.view.setCanvasPicture(next, QSize(3002, 4002));
    QVERIFY(f.view.canvas().painting.isNull());
    f.view.FirstDisplay(f.p);
    QCOMPARE(f.view.zoom(), 1.0f);
    QCOMPARE(QPointF(f.left(), f.top()), QPointF(0, 0));
    QCOMPARE(f.view.canvas().width, 3000);
    f.zoom(0);
    // Zooming shows the new sheet (black), never the previous one.
    QCOMPARE(f.view.canvas().width, 3750);
    QCOMPARE(grey(f.view.canvas().painting, 10, 10), 0);
}

void tst_Viewport::dragClampsToTheViewport_data()
{
    QTest::addColumn<int>("zoomIns");
    QTest::addColumn<int>("button");
    QTest::addColumn<float>("dx");
    QTest::addColumn<float>("dy");
    QTest::addColumn<float>("left");
    QTest::addColumn<float>("top");
    QTest::addColumn<QPoint>("bars"); // following the drag

    // At 1.0 the canvas (5518 x 7138) fits the inner area (9270 x 7365): it stays.
    QTest::newRow("fits, to the left") << 0 << 1 << -3000.f << 0.f << 0.f << 0.f << QPoint(0, 0);
    QTest::newRow("fits, to the right and down") << 0 << 1 << 3000.f << 40.f << 0.f << 0.f << QPoint(0, 0);
    // At 1.25 (6897 x 8922) it fits across only: it moves down and up alone.
    QTest::newRow("fits across only") << 1 << 1 << -2000.f << -333.f << 0.f << -333.f << QPoint(0, 33);
    // At 2.0 (11036 x 14276) it is larger; the bars go to the nearest value.
    QTest::newRow("wide, inside, right button") << 4 << 2 << -1000.f << -505.f << -1000.f << -505.f << QPoint(100, 51);
    QTest::newRow("wide, far left and up") << 4 << 1 << -90000.f << -90000.f << -1766.f << -6911.f << QPoint(171, 685);
    QTest::newRow("no button held") << 4 << 0 << -1000.f << -500.f << 0.f << 0.f << QPoint(0, 0);
}

void tst_Viewport::dragClampsToTheViewport()
{
    QFETCH(int, zoomIns);
    QFETCH(int, button);
    QFETCH(float, dx);
    QFETCH(float, dy);
    QFETCH(float, left);
    QFETCH(float, top);
    QFETCH(QPoint, bars);

    Fixture f(kSheetTwips, zoomIns);
    f.drag(1500, 2500, 1500 + dx, 2500 + dy, qint16(button));
    QCOMPARE(f.left(), left);
    QCOMPARE(f.top(), top);
    QCOMPARE(QPoint(f.view.hScroll().value, f.view.vScroll().value), bars);
}

void tst_Viewport::releaseLeavesTheCanvasWhereDropped()
{
    Fixture f(kSheetTwips, 4);
    f.drag(1500, 1500, 500, 995); // to (-1000, -505)
    f.release();
    QCOMPARE(QPointF(f.left(), f.top()), QPointF(-1000, -505));
    QCOMPARE(f.view.hScroll().value, 100);
    QCOMPARE(f.view.vScroll().value, 51);
    // The next arrow click goes on from there, not from where the bar was.
    f.view.setHScrollValue(101);
    QCOMPARE(f.left(), -1010.f);

    // A plain click puts the bars where the canvas stands.
    f.view.setVScrollValue(0);
    f.drag(1500, 1500, 1500, 1500); // nothing moves
    f.release();
    QCOMPARE(f.view.vScroll().value, 0);
    QCOMPARE(f.view.hScroll().value, 101);

    // A canvas exactly as wide as the viewport: no bar, the inner area lets it move 60 twips.
    Fixture g(QSize(9332, 14000));
    g.drag(1500, 1500, 1000, 1500);
    g.release();
    QVERIFY(g.boxes.errorReports().isEmpty());
    QCOMPARE(g.left(), -60.f);
    QVERIFY(!g.view.hScroll().enabled);
}

void tst_Viewport::keysAndWheelStep_data()
{
    QTest::addColumn<int>("zoomIns");
    QTest::addColumn<int>("lines");    // ScrollBy this many lines down
    QTest::addColumn<int>("pages");    // then this many pages
    QTest::addColumn<QPoint>("steps"); // line steps across and down, in bar units
    QTest::addColumn<int>("pageStep");
    QTest::addColumn<int>("top");

    // A line is 600 twips (40 pixels): 60 units of 10 twips; a page the inner
    // height 7365 less a line, 676 units.
    QTest::newRow("2.0, three lines") << 4 << 3 << 0 << QPoint(60, 60) << 676 << -1800;
    QTest::newRow("2.0, a page back from a line") << 4 << 1 << -1 << QPoint(60, 60) << 676 << 0;
    QTest::newRow("2.0, pages past the end") << 4 << 0 << 2 << QPoint(60, 60) << 676 << -6850;
    // 1.25: only the height overflows; across there is nothing to step.
    QTest::newRow("1.25, two lines") << 1 << 2 << 0 << QPoint(0, 60) << 676 << -1200;
    QTest::newRow("1.0: nothing moves") << 0 << 5 << 1 << QPoint(0, 0) << 0 << 0;
}

void tst_Viewport::keysAndWheelStep()
{
    QFETCH(int, zoomIns);
    QFETCH(int, lines);
    QFETCH(int, pages);
    QFETCH(QPoint, steps);
    QFETCH(int, pageStep);
    QFETCH(int, top);

    Fixture f(kSheetTwips, zoomIns);
    using Axis = Viewport::Axis;
    QCOMPARE(QPoint(f.view.lineStep(Axis::Horizontal), f.view.lineStep(Axis::Vertical)), steps);
    QCOMPARE(f.view.pageStep(Axis::Vertical), pageStep);
    f.view.ScrollBy(Axis::Vertical, lines * f.view.lineStep(Axis::Vertical));
    f.view.ScrollBy(Axis::Vertical, pages * f.view.pageStep(Axis::Vertical));
    QCOMPARE(f.top(), float(top));
    QCOMPARE(f.left(), 0.f);
}

void tst_Viewport::paintingIsSharpAndSmooth()
{
    // Stripes 2 source pixels wide are a whole screen pixel at 2.0: only a
    // painting made from the full-resolution source shows them there; one
    // stretched from the screen-sized copy is flat grey.
    Fixture f(kSheetTwips, 4, stripedSheet());
    const QImage sharp = f.view.canvas().painting;
    QCOMPARE(sharp.size(), QSize(736, 952));
    int sharpPairs = 0;
    for (int x = 1; x < 100; ++x)
        sharpPairs += qAbs(grey(sharp, x, 50) - grey(sharp, x - 1, 50)) > 160;
    QVERIFY2(sharpPairs > 90, qPrintable(QString::number(sharpPairs)));

    // At 1.25 (a factor of about 0.31) a filtered scaling shows many grey
    // levels; one that drops pixels keeps only black and white.
    Fixture g(kSheetTwips, 1, stripedSheet());
    const QImage smooth = g.view.canvas().painting;
    QSet<int> levels;
    for (int y = 150; y < smooth.height(); ++y)
        for (int x = 0; x < smooth.width(); ++x)
            levels.insert(grey(smooth, x, y));
    QVERIFY2(levels.size() > 20, qPrintable(QString::number(levels.size())));
    QVERIFY(levels.contains(255));
}

void tst_Viewport::nextStepsArePaintedAhead()
{
    // Given time between the clicks, a step finds its painting made ahead,
    // with the pixels of one made on the spot (here by a viewport that is
    // never given that time).
    Fixture f(kSheetTwips, 1, stripedSheet());
    QTest::qWait(100);
    f.view.paintings().waitForWorker();
    const int onTheSpot = f.view.paintings().scaledOnTheSpot();
    f.zoom(0);
    QCOMPARE(f.view.paintings().scaledOnTheSpot(), onTheSpot);
    Fixture g(kSheetTwips, 2, stripedSheet());
    QCOMPARE(f.view.zoom(), 1.5f);
    QCOMPARE(f.view.canvas().painting.size(), QSize(552, 714));
    QVERIFY(f.view.canvas().painting == g.view.canvas().painting);
    // Straight back: the step before is still at hand.
    f.zoom(1);
    QCOMPARE(f.view.paintings().scaledOnTheSpot(), onTheSpot);
    QVERIFY(f.view.canvas().painting == Fixture(kSheetTwips, 1, stripedSheet()).view.canvas().painting);
}

PARCELON_TEST_MAIN(tst_Viewport)
#include "tst_viewport.moc"
