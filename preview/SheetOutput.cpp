#include "preview/SheetOutput.h"

#include "core/AppInfo.h"
#include "core/Failure.h"
#include "core/FileUtils.h"
#include "core/MessageBoxes.h"
#include "core/OwnedTemporaries.h"
#include "core/Procedure.h"
#include "core/Seams.h"
#include "core/TempFolder.h"
#include "labels/LabelPlan.h"
#include "labels/SheetMaker.h"
#include "preview/SafeCopy.h"
#include "preview/SheetPrinter.h"
#include "preview/StockSetting.h"

#include <QApplication>
#include <QFileInfo>
#include <QPrinter>
#include <QTemporaryFile>

#include <functional>
#include <memory>

namespace {
const QString kTagPrint = QStringLiteral("in Parcelwise2021/08/31.Form2.PrintSheet ");
const QString kTagSavePdf = QStringLiteral("in Parcelwise2021/08/31.Form2.SaveSheetAsPdf ");
const QString kTagPrintLabels = QStringLiteral("in Parcelwise2021/08/31.Form2.PrintLabels ");

// A PDF of the generated document in the temporary folder, removed again
// when it goes out of scope.
class SheetPdf
{
public:
    SheetPdf(Services &services, const QString &document)
        : SheetPdf(
            [&](const QString &target) { ConvertDocument(services.engines, document, target, DocumentFormat::Pdf); })
    {
    }
    // A PDF that `make` writes to the path it is given.
    explicit SheetPdf(const std::function<void(const QString &target)> &make)
        : m_file(TemporaryPath(OwnedTemporaryName(QStringLiteral("parcelon-sheet."), QStringLiteral(".pdf"))))
    {
        if (!m_file.open())
            throw Failure(
                QStringLiteral("Cannot create a file in %1: %2").arg(TemporaryFolder(), m_file.errorString()));
        m_file.close();
        // The engine's work takes a moment; the window's own pointer kind is left alone.
        QApplication::setOverrideCursor(Qt::WaitCursor);
        try {
            make(m_file.fileName());
        } catch (...) {
            QApplication::restoreOverrideCursor();
            throw;
        }
        QApplication::restoreOverrideCursor();
    }
    QString path() const { return m_file.fileName(); }

private:
    QTemporaryFile m_file;
};
} // namespace

void PrintSheets(Services &services, QWidget *parent, const QString &document, const QString &listPdf, int sheets,
                 const LabelStock &stock)
{
    Procedure p(services.messages, kTagPrint);
    QPrinter printer(QPrinter::HighResolution);
    p.step(100, [&] { PrepareLabelPrinter(printer, stock); });
    bool chosen = false;
    p.step(102, [&] { chosen = services.printDialog.askPrinter(parent, printer, sheets); });
    if (!chosen)
        return;
    // A list's sheets are already a PDF; one sheet is made one now.
    std::unique_ptr<SheetPdf> pdf;
    QString source = listPdf;
    if (listPdf.isEmpty())
        p.step(104, [&] {
            pdf = std::make_unique<SheetPdf>(services, document);
            source = pdf->path();
        });
    if (!source.isEmpty())
        p.step(106, [&] { PrintPdfAtActualSize(source, printer); });
}

void SaveSheetsAsPdf(Services &services, QWidget *parent, const QString &document, const QString &listPdf)
{
    MessageBoxes &boxes = services.messages;
    const QString appTitle = AppInfo::applicationTitle();
    Procedure p(boxes, kTagSavePdf);
    QString target;
    p.step(100, [&] {
        target = services.saveDialog.askSaveFileName(parent, QStringLiteral("Save as PDF"),
                                                     QStringLiteral("PDF Files (*.pdf)"));
    });
    if (target.isEmpty())
        return;
    p.step(102, [&] {
        if (QFileInfo(target).suffix().isEmpty())
            target += QStringLiteral(".pdf");
    });
    bool replace = true;
    p.step(104, [&] {
        if (FileExists(target))
            replace = boxes.show(QStringLiteral("Are you sure you wish to overwrite ") + target + QStringLiteral(" ?"),
                                 appTitle, BoxStyle::YesNo)
                == BoxAnswer::Yes;
    });
    if (!replace)
        return;
    std::unique_ptr<SheetPdf> pdf;
    QString source = listPdf;
    if (listPdf.isEmpty())
        p.step(106, [&] {
            pdf = std::make_unique<SheetPdf>(services, document);
            source = pdf->path();
        });
    if (source.isEmpty())
        return;
    if (p.step(108, [&] { SafeCopy(source, target); }))
        p.step(110, [&] { boxes.show(QStringLiteral("Done."), appTitle, BoxStyle::Information); });
}

void PrintTypedLabels(Services &services, QWidget *parent, const QStringList &fields, StockSetting *stockSetting)
{
    Procedure p(services.messages, kTagPrintLabels);
    std::optional<LabelChoice> choice;
    p.step(100, [&] {
        choice = services.placementDialog.askPlacement(
            parent, 1, stockSetting ? stockSetting->current().name : DefaultStock().name);
    });
    if (!choice)
        return;
    // The stock chosen in the dialog is remembered, as the main window's choice is.
    const LabelStock *chosenStock = FindStock(choice->stock);
    if (chosenStock && stockSetting)
        stockSetting->choose(*chosenStock);
    if (!chosenStock)
        chosenStock = stockSetting ? &stockSetting->current() : &DefaultStock();
    const LabelStock &stock = *chosenStock;
    QPrinter printer(QPrinter::HighResolution);
    p.step(102, [&] { PrepareLabelPrinter(printer, stock); });
    bool chosen = false;
    p.step(104, [&] { chosen = services.printDialog.askPrinter(parent, printer, 1); });
    if (!chosen)
        return;
    std::unique_ptr<SheetPdf> pdf;
    p.step(106, [&] {
        const LabelPlacement placement{choice->start, choice->copies, stock.labels()};
        if (!IsValidPlacement(placement))
            throw Failure(
                QStringLiteral("Label %1 with %2 copies is not on the sheet").arg(choice->start).arg(choice->copies));
        const QList<SheetLabels> sheets = PlanSheets({fields}, placement);
        pdf = std::make_unique<SheetPdf>(
            [&](const QString &target) { MakeLabelSheets(services.engines, sheets, target, {}, stock); });
    });
    if (pdf)
        p.step(108, [&] { PrintPdfAtActualSize(pdf->path(), printer); });
}
