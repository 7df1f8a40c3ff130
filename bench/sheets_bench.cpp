// Label sheets from an address list: the whole run of MakeLabelSheets for
// 100 rows (one office, kept warm across the rows), and its steps.

#include "bench/BenchTable.h"
#include "core/Seams.h"
#include "core/TempFolder.h"
#include "labels/LabelGeneration.h"
#include "labels/ModuleEngineFactory.h"
#include "labels/SheetMaker.h"
#include "labels/WordApplication.h"
#include "resources/Resources.h"

#include <QFile>
#include <QImage>

namespace {

class NoClipboard : public PictureClipboard
{
public:
    QImage image() override { return QImage(); }
    void setImage(const QImage &) override {}
};

ModuleEngineFactory &sheetEngines()
{
    static NoClipboard clipboard;
    static ModuleEngineFactory instance(clipboard);
    return instance;
}

QList<QStringList> hundredRows()
{
    QList<QStringList> rows;
    for (int i = 1; i <= 100; ++i) {
        QStringList fields;
        for (int field = 1; field <= 12; ++field)
            fields << QStringLiteral("Row %1 field %2, \"quoted\" Zoë").arg(i).arg(field);
        rows << fields;
    }
    return rows;
}

void runDirectly(int, const std::function<void()> &action)
{
    action();
}

} // namespace

PARCELON_BENCH("sheets: 100 rows to one PDF (target well under 10 s)", 3, [](Laps &laps) {
    sheetEngines().createApplication()->quit(); // profile prepared outside the timing
    const QString pdf = TemporaryPath(QStringLiteral("bench-sheets.pdf"));
    const QList<QStringList> rows = hundredRows();
    laps.lap(QStringLiteral("sheets: 100 rows to one PDF (target well under 10 s)"),
             [&] { MakeLabelSheets(sheetEngines(), rows, pdf); });
    QFile::remove(pdf);
});

PARCELON_BENCH("sheets: steps", 1, [](Laps &laps) {
    const QString tpl = TemporaryPath(QStringLiteral("bench-template.dot"));
    QFile out(tpl);
    out.open(QIODevice::WriteOnly);
    out.write(TemplateBytes());
    out.close();
    std::unique_ptr<WordApplication> app = sheetEngines().createApplication();
    const QList<QStringList> rows = hundredRows();
    WordDocument *result = app->open(tpl, true);
    ReplacePlaceholders(
        app.get(), [&](int k) { return PlaceholderValue(rows[0], k); }, runDirectly);
    WordDocument *sheet = app->open(tpl, true);
    for (int i = 1; i < 100; ++i) {
        laps.lap(QStringLiteral("sheets: eight replace-alls"), [&] {
            ReplacePlaceholders(
                app.get(), [&](int k) { return PlaceholderValue(rows[i], k); }, runDirectly);
        });
        laps.lap(QStringLiteral("sheets: append sheet"), [&] { result->appendDocument(*sheet); });
        laps.lap(QStringLiteral("sheets: undo sheet"), [&] { sheet->undoAll(); });
    }
    laps.lap(QStringLiteral("sheets: save 100 sheets as PDF"),
             [&] { result->saveAs(TemporaryPath(QStringLiteral("bench-100.pdf"))); });
    app->quit();
});
