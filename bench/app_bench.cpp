// What the user waits for: start-up until the main window is shown, a click
// on "Start Creating Template" until the preview window is shown (the first
// one 3 s after start, as a user might, and one after "< Back"), and a zoom
// step with its repaint on an ordinary and on a 2x screen. All run the real
// windows with the real LibreOffice engine (offscreen); only the message
// boxes are silenced so that a failure cannot block the run.

#include "app/Form1.h"
#include "app/QtSeams.h"
#include "bench/BenchTable.h"
#include "bench/InertSeams.h"
#include "core/Seams.h"
#include "labels/ModuleEngineFactory.h"
#include "preview/Form2.h"
#include "preview/PictureBox.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <ctime>
#include <memory>
#include <stdexcept>

namespace {

class CountingBoxes : public SilentBoxes
{
public:
    BoxAnswer show(const QString &text, const QString &title, BoxStyle style) override
    {
        ++shown;
        last = text;
        return SilentBoxes::show(text, title, style);
    }
    int shown = 0;
    QString last;
};

// Every list from label 1, one label an address.
class FirstLabel : public PlacementDialog
{
public:
    std::optional<LabelChoice> askPlacement(QWidget *, qsizetype, const QString &) override { return LabelChoice{}; }
};

class NeverSeven : public RandomSource
{
public:
    double uniform() override { return 0.5; } // the web-site visit never fires
};

struct Program
{
    QtProgramExit exit;
    CountingBoxes boxes;
    QtSaveDialog saveDialog{exit};
    DesktopUrlOpener urlOpener;
    InProcessClipboard clipboard;
    ModuleEngineFactory engines{clipboard};
    InertSeams inert;
    FirstLabel placement;
    RandomSource &draws;
    Services services{.messages = boxes,
                      .saveDialog = saveDialog,
                      .openDialog = inert.openDialog,
                      .printDialog = inert.printDialog,
                      .placementDialog = placement,
                      .urlOpener = urlOpener,
                      .random = draws,
                      .clipboard = clipboard,
                      .engines = engines,
                      .exit = exit};

    explicit Program(RandomSource &random)
        : draws(random)
    {
    }

    void requireNoReports() const
    {
        if (boxes.shown)
            throw std::runtime_error(("a box was shown: " + boxes.last).toStdString());
    }
};

void startUp(Laps &laps)
{
    NeverSeven draws;
    Program program(draws);
    std::unique_ptr<Form1> form;
    laps.lap(QStringLiteral("start-up to main window shown"), [&] {
        form = std::make_unique<Form1>(program.services);
        if (!StartMainWindow(*form) || !QTest::qWaitForWindowExposed(form.get()))
            throw std::runtime_error("the main window did not show");
    });
    program.requireNoReports();
}

// The main window shown, and its office warmed in the background, as the program does.
void showAndWarm(Form1 &form, Program &program)
{
    if (!StartMainWindow(form) || !QTest::qWaitForWindowExposed(&form))
        throw std::runtime_error("the main window did not show");
    program.engines.warmUp();
}

void clickToPreview(Laps &laps, const QString &name, Form1 &form)
{
    laps.lap(name, [&] {
        form.PushButton6_Click();
        Form2 *preview = form.previewWindow();
        if (!preview || !QTest::qWaitForWindowExposed(preview))
            throw std::runtime_error("the preview did not show");
    });
}

// As the program runs: start, warm-up in the background, a first click some
// seconds later, then "< Back" and further clicks.
void clicks(Laps &laps)
{
    NeverSeven draws; // the document name is always the same; "< Back" deletes it
    Program program(draws);
    Form1 form(program.services);
    showAndWarm(form, program);
    QTest::qWait(3000);
    clickToPreview(laps, QStringLiteral("click to preview shown: first, 3 s after start"), form);
    program.requireNoReports();
    for (int i = 0; i < 3; ++i) {
        form.previewWindow()->PushButton8_Click(); // < Back: deletes the document
        QTest::qWait(300);
        clickToPreview(laps, QStringLiteral("click to preview shown: after < Back"), form);
        program.requireNoReports();
    }
    form.previewWindow()->PushButton8_Click();
}

// The first click at once, while the warm-up still runs: it waits for it.
void clickDuringWarmUp(Laps &laps)
{
    NeverSeven draws;
    Program program(draws);
    Form1 form(program.services);
    showAndWarm(form, program);
    clickToPreview(laps, QStringLiteral("click to preview shown: first, during the warm-up"), form);
    program.requireNoReports();
    form.previewWindow()->PushButton8_Click();
}

// A list of 100 addresses opened in the window: until its first sheet shows
// and until every sheet is made (the rest, in the background).
void hundredRowList(Laps &laps)
{
    QTemporaryDir folder;
    const QString list = folder.filePath(QStringLiteral("orders.csv"));
    QFile file(list);
    if (!file.open(QIODevice::WriteOnly))
        throw std::runtime_error("the list cannot be written");
    file.write("recipient_company,recipient_name,recipient_street,recipient_city,recipient_state,recipient_zip\n");
    for (int i = 1; i <= 100; ++i)
        file.write(QStringLiteral("Company %1,Person Number %1,%1 Long Avenue,Dayton,OH,45402\n").arg(i).toUtf8());
    file.close();

    NeverSeven draws;
    Program program(draws);
    Form1 form(program.services);
    showAndWarm(form, program);
    QTest::qWait(3000);
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer clock;
        clock.start();
        form.OpenAddressList(list);
        Form2 *preview = form.previewWindow();
        // Shown once the worker has made the first sheet.
        for (int wait = 0; preview && !preview->isVisible() && wait < 30000; ++wait)
            QTest::qWait(2);
        if (!preview || !QTest::qWaitForWindowExposed(preview))
            throw std::runtime_error(("the list's first sheet did not show: " + program.boxes.last).toStdString());
        laps.record(QStringLiteral("100-row list: to its first sheet shown"), double(clock.nsecsElapsed()) / 1e6);
        while (preview->isMakingSheets())
            QTest::qWait(5);
        laps.record(QStringLiteral("100-row list: to all 17 sheets made"), double(clock.nsecsElapsed()) / 1e6);
        program.requireNoReports();
        preview->PushButton8_Click();
        QTest::qWait(300);
    }
}

// A page picture as the generation hands it over (1472 x 1904 at 384 dpi).
QImage sheet()
{
    QImage page(1472, 1904, QImage::Format_RGB32);
    page.fill(Qt::white);
    page.setDotsPerMeterX(15118);
    page.setDotsPerMeterY(15118);
    QPainter painter(&page);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(40);
    painter.setFont(font);
    for (int y = 100; y < 1900; y += 60)
        painter.drawText(80, y, QStringLiteral("Recipient Street Address 1234 Quillmark"));
    return page;
}

// CPU time of the whole process (the smooth scaling runs on several threads):
// on a busy machine it shows what a step costs when the wall clock cannot.
double processCpuMs()
{
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// "Zoom In" from 1.0 to 2.0 as a user clicks it, each step with the canvas's repaint.
void zoomSteps(Laps &laps)
{
    CountingBoxes boxes;
    NoEngine engines;
    InertSeams inert;
    Services services = inert.with(boxes, engines);
    QWidget mainWindow;
    Form2 form(services, &mainWindow);
    form.setPicture(sheet());
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        throw std::runtime_error("the preview did not show");
    for (int i = 0; i < 250 && form.firstActivationDue(); ++i)
        QTest::qWait(20);
    auto *canvas = form.findChild<PictureBox *>(QStringLiteral("Picture1"));
    const QString screen = QStringLiteral("at %1x").arg(form.devicePixelRatioF());
    for (int round = 0; round < 5; ++round) {
        while (form.viewport().zoom() > 1.0f)
            form.PushButton2_Click();
        while (form.viewport().zoom() < 2.0f) {
            // A user's pause between clicks: the next step's painting is made meanwhile.
            QTest::qWait(150);
            const float to = form.viewport().zoom() + 0.25f;
            const double cpuBefore = processCpuMs();
            laps.lap(QStringLiteral("zoom step to %1 %2").arg(to, 0, 'f', 2).arg(screen), [&] {
                form.PushButton1_Click();
                canvas->repaint();
            });
            laps.record(QStringLiteral("zoom step to %1 %2, CPU time").arg(to, 0, 'f', 2).arg(screen),
                        processCpuMs() - cpuBefore);
        }
    }
    if (boxes.shown)
        throw std::runtime_error("a box was shown");
}

// The same on a 2x screen: the scale factor is fixed when the program starts,
// so a second run of this benchmark measures there and hands its samples back.
void zoomStepsOnA2xScreen(Laps &laps)
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("2"));
    environment.insert(QStringLiteral("PARCELON_BENCH_SAMPLES"), QStringLiteral("1"));
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("^preview: zoom steps$")});
    if (!child.waitForFinished(120000) || child.exitCode() != 0)
        throw std::runtime_error("the 2x run failed");
    const QList<QByteArray> lines = child.readAllStandardOutput().split('\n');
    for (const QByteArray &line : lines) {
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() == 3 && fields[0] == "sample")
            laps.record(QString::fromUtf8(fields[1]), fields[2].toDouble());
    }
}

} // namespace

PARCELON_BENCH("app: start-up", 7, startUp);
PARCELON_BENCH("app: clicks", 3, clicks);
PARCELON_BENCH("app: click during warm-up", 3, clickDuringWarmUp);
PARCELON_BENCH("app: a 100-row list", 1, hundredRowList);
PARCELON_BENCH("preview: zoom steps", 1, zoomSteps);
PARCELON_BENCH("preview: zoom steps on a 2x screen", 1, zoomStepsOnA2xScreen);
