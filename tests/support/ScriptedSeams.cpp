#include "tests/support/ScriptedSeams.h"

#include "core/Failure.h"

#include <QPrinter>

QString ScriptedSaveDialog::askSaveFileName(QWidget *, const QString &title, const QString &filter)
{
    titles.append(title);
    filters.append(filter);
    if (fail)
        throw Failure(QStringLiteral("The save dialog cannot be shown"));
    return answers.isEmpty() ? QString() : answers.takeFirst();
}

QString ScriptedOpenDialog::askOpenFileName(QWidget *, const QString &, const QString &)
{
    ++asked;
    return answers.isEmpty() ? QString() : answers.takeFirst();
}

std::optional<LabelChoice> ScriptedPlacementDialog::askPlacement(QWidget *, qsizetype addresses, const QString &stock)
{
    asked.append(addresses);
    stocks.append(stock);
    return answer;
}

std::optional<LabelChoice> ScriptedPlacementDialog::askListPlacement(QWidget *, const ListOverview &list,
                                                                     const ColumnPicking *columns, const QString &stock)
{
    asked.append(list.addresses);
    stocks.append(stock);
    overviews.append(list);
    std::optional<LabelChoice> chosen = answer;
    if (columns) {
        pickings.append(*columns);
        const QMap<int, QStringList> picked = pickColumns.value_or(columns->chosen);
        if (pickColumns)
            overviews.append(columns->overviewWith(picked));
        if (chosen)
            chosen->columns = picked;
    }
    return chosen;
}

bool ScriptedPrintDialog::askPrinter(QWidget *, QPrinter &printer, int pages)
{
    ++asked;
    pagesOffered = pages;
    if (fromPage > 0) {
        printer.setPrintRange(QPrinter::PageRange);
        printer.setFromTo(fromPage, toPage);
    }
    if (!printToFile.isEmpty()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(printToFile);
    }
    if (queuePaper.isValid())
        printer.setPageSize(queuePaper);
    return accept;
}

void RecordingUrlOpener::open(const QUrl &url)
{
    if (fail)
        throw Failure(QStringLiteral("File not found"));
    opened.append(url);
}

double ScriptedRandom::uniform()
{
    ++draws;
    if (beforeDraw)
        beforeDraw();
    if (values.isEmpty())
        return 0.0;
    return values.size() == 1 ? values.first() : values.takeFirst();
}

QImage ScriptedClipboard::image()
{
    ++reads;
    if (failingReads > 0) {
        --failingReads;
        return QImage();
    }
    return stored;
}

void ScriptedClipboard::setImage(const QImage &image)
{
    stored = image;
}

ScriptedServices::ScriptedServices(EngineFactory &engines)
    : services{messages,  saveDialog, openDialog, printDialog, placementDialog,
               urlOpener, random,     clipboard,  engines,     exit}
{
}
