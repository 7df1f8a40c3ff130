#pragma once

#include "core/Seams.h"
#include "tests/support/RecordingMessageBoxes.h"

#include <QList>
#include <QPageSize>
#include <QStringList>
#include <QUrl>

#include <functional>

// Test doubles for the small seams.

class ScriptedSaveDialog : public SaveDialog
{
public:
    QString askSaveFileName(QWidget *parent, const QString &title, const QString &filter) override;

    QStringList answers; // taken in order; empty string = cancel
    bool fail = false;   // throw Failure instead of answering
    QStringList titles;  // what was asked
    QStringList filters;
};

class ScriptedOpenDialog : public OpenDialog
{
public:
    QString askOpenFileName(QWidget *parent, const QString &title, const QString &filter) override;

    QStringList answers; // taken in order; empty string = cancel
    int asked = 0;
};

// Answers the "where on the sheet" dialog as scripted and records the counts asked about.
class ScriptedPlacementDialog : public PlacementDialog
{
public:
    std::optional<LabelChoice> askPlacement(QWidget *parent, qsizetype addresses, const QString &stock) override;

    // Records the list's overview and the columns offered; with pickColumns
    // set, picks them, recording the overview the dialog then shows too.
    std::optional<LabelChoice> askListPlacement(QWidget *parent, const ListOverview &list, const ColumnPicking *columns,
                                                const QString &stock) override;

    std::optional<LabelChoice> answer = LabelChoice{};
    QList<qsizetype> asked;
    QStringList stocks; // the stock each ask opened with
    std::optional<QMap<int, QStringList>> pickColumns;
    QList<ListOverview> overviews;
    QList<ColumnPicking> pickings;
};

// A print dialog that answers as scripted. With a file name set it turns
// the printer into Qt's print-to-PDF-file, a real print path whose pages
// the test can measure.
class ScriptedPrintDialog : public PrintDialog
{
public:
    bool askPrinter(QWidget *parent, QPrinter &printer, int pages) override;

    bool accept = true;
    QString printToFile;
    // The queue's default paper, which Qt's dialog puts on the printer.
    QPageSize queuePaper;
    int fromPage = 0; // a page range chosen in the dialog (0: every page)
    int toPage = 0;
    int asked = 0;
    int pagesOffered = 0;
};

class RecordingUrlOpener : public UrlOpener
{
public:
    void open(const QUrl &url) override;

    QList<QUrl> opened;
    bool fail = false;
};

class ScriptedRandom : public RandomSource
{
public:
    double uniform() override;

    QList<double> values; // taken in order, then repeats the last value
    int draws = 0;
    std::function<void()> beforeDraw; // runs at every draw, for work "during" a generation
};

// An in-memory clipboard whose first reads can be made to fail.
class ScriptedClipboard : public PictureClipboard
{
public:
    QImage image() override;
    void setImage(const QImage &image) override;

    QImage stored;
    int failingReads = 0; // this many reads return an empty image first
    int reads = 0;
};

class RecordingProgramExit : public ProgramExit
{
public:
    void endProgram() override { ++calls; }
    bool ending() const override { return calls > 0; }
    int calls = 0;
};

// A test double for every seam but the engine, which the test chooses, all
// wired into one Services.
struct ScriptedServices
{
    explicit ScriptedServices(EngineFactory &engines);
    ScriptedServices(const ScriptedServices &) = delete;
    ScriptedServices &operator=(const ScriptedServices &) = delete;

    RecordingMessageBoxes messages;
    ScriptedSaveDialog saveDialog;
    ScriptedOpenDialog openDialog;
    ScriptedPrintDialog printDialog;
    ScriptedPlacementDialog placementDialog;
    RecordingUrlOpener urlOpener;
    ScriptedRandom random;
    ScriptedClipboard clipboard;
    RecordingProgramExit exit;
    Services services;
};
