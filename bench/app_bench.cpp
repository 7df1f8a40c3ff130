// What the user waits for: start-up until the main window is shown, and a
// click on "Start Creating Template" until the preview window is shown. Both
// run the real windows with the real LibreOffice engine (offscreen); only the
// message boxes are silenced so that a failure cannot block the run.

#include "BenchTable.h"
#include "FakeEngineless.h"
#include "Form1.h"
#include "Form2.h"
#include "ModuleEngineFactory.h"
#include "QtSeams.h"
#include "Seams.h"

#include <QTest>

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
    SystemClipboard clipboard;
    ModuleEngineFactory engines{clipboard};
    Services services;

    explicit Program(RandomSource &draws)
    {
        services.messages = &boxes;
        services.saveDialog = &saveDialog;
        services.urlOpener = &urlOpener;
        services.random = &draws;
        services.clipboard = &clipboard;
        services.engines = &engines;
        services.exit = &exit;
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

void clickToPreview(Laps &laps)
{
    NeverSeven draws; // the document name is always the same; "< Back" deletes it
    Program program(draws);
    Form1 form(program.services);
    if (!StartMainWindow(form) || !QTest::qWaitForWindowExposed(&form))
        throw std::runtime_error("the main window did not show");
    for (int i = 0; i < 3; ++i) {
        laps.lap(QStringLiteral("click to preview shown"), [&] {
            form.PushButton6_Click();
            Form2 *preview = form.previewWindow();
            if (!preview || !QTest::qWaitForWindowExposed(preview))
                throw std::runtime_error("the preview did not show");
        });
        program.requireNoReports();
        form.previewWindow()->PushButton8_Click(); // < Back: deletes the document
    }
}

} // namespace

PARCELON_BENCH("app: start-up", 7, startUp);
PARCELON_BENCH("app: click to preview", 3, clickToPreview);
