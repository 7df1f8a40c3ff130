#include "preview/SheetPrinter.h"

#include "core/Failure.h"

#include <poppler-qt6.h>

#include <QMarginsF>
#include <QPageLayout>
#include <QPageRanges>
#include <QPageSize>
#include <QPainter>
#include <QPrintEngine>
#include <QPrinter>

#include <memory>
#include <utility>

namespace {

// The CUPS job options of Qt's print engine: name, value, name, value ...
// (the key Qt's own print dialog fills; unknown to other engines, which
// ignore it).
constexpr auto kCupsOptions = QPrintEngine::PrintEnginePropertyKey(0xfe00);

// Labels must land on the label stock: no fitting to the printable area.
void askForNoScaling(QPrinter &printer)
{
    QPrintEngine *engine = printer.printEngine();
    if (!engine)
        return;
    QStringList options = engine->property(kCupsOptions).toStringList();
    auto set = [&options](const QString &name, const QString &value) {
        for (qsizetype i = 0; i + 1 < options.size(); i += 2) {
            if (options[i] == name) {
                options[i + 1] = value;
                return;
            }
        }
        options << name << value;
    };
    set(QStringLiteral("print-scaling"), QStringLiteral("none"));
    set(QStringLiteral("fit-to-page"), QStringLiteral("false"));
    engine->setProperty(kCupsOptions, options);
}

} // namespace

QPageSize LabelPaper(QSizeF points)
{
    return QPageSize(points, QPageSize::Point, QString(), QPageSize::FuzzyMatch);
}

void KeepLabelPaper(QPrinter &printer, const QPageSize &paper)
{
    // By size, not by layout: a layout with no margins is refused by a
    // printer whose paper has unprintable edges.
    printer.setPageSize(paper);
    printer.setPageOrientation(QPageLayout::Portrait);
}

void PrepareLabelPrinter(QPrinter &printer, const LabelStock &stock)
{
    printer.setDocName(QStringLiteral("Parcelon labels"));
    printer.setPageLayout(
        QPageLayout(LabelPaper(stock.paper), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0), QPageLayout::Point));
    printer.setFullPage(true);
}

void PrintPdfAtActualSize(const QString &pdfPath, QPrinter &printer)
{
    std::unique_ptr<Poppler::Document> pdf = Poppler::Document::load(pdfPath);
    if (!pdf || pdf->isLocked())
        throw Failure(QStringLiteral("The sheet's PDF %1 cannot be read").arg(pdfPath));
    const int pages = pdf->numPages();
    if (pages < 1)
        throw Failure(QStringLiteral("The sheet's PDF %1 has no pages").arg(pdfPath));
    // Drawn as lines and letters, not as a picture, so the printer prints
    // at its own resolution.
    pdf->setRenderBackend(Poppler::Document::QPainterBackend);
    pdf->setRenderHint(Poppler::Document::Antialiasing, true);
    pdf->setRenderHint(Poppler::Document::TextAntialiasing, true);

    // The dialog has put the queue's paper on the printer; positions count
    // from the paper's corner.
    const std::unique_ptr<Poppler::Page> firstPage = pdf->page(0);
    if (!firstPage)
        throw Failure(QStringLiteral("The sheet's PDF %1 cannot be read").arg(pdfPath));
    KeepLabelPaper(printer, LabelPaper(firstPage->pageSizeF()));
    printer.setFullPage(true);
    askForNoScaling(printer);

    QPainter painter;
    if (!painter.begin(&printer))
        throw Failure(QStringLiteral("The printer %1 cannot be used")
                          .arg(printer.outputFileName().isEmpty() ? printer.printerName() : printer.outputFileName()));
    const double dpi = printer.resolution();
    // The pages the print dialog's range names, or every page.
    const QPageRanges range = printer.printRange() == QPrinter::PageRange ? printer.pageRanges() : QPageRanges();
    bool first = true;
    for (int i = 0; i < pages; ++i) {
        if (!range.isEmpty() && !range.contains(i + 1))
            continue;
        if (!std::exchange(first, false) && !printer.newPage()) {
            painter.end();
            throw Failure(QStringLiteral("The printer stopped before page %1").arg(i + 1));
        }
        std::unique_ptr<Poppler::Page> page = pdf->page(i);
        if (!page || !page->renderToPainter(&painter, dpi, dpi)) {
            painter.end();
            throw Failure(QStringLiteral("Page %1 of the sheet could not be printed").arg(i + 1));
        }
    }
    if (!painter.end())
        throw Failure(QStringLiteral("The printer did not take the sheet"));
}
