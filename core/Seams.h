#pragma once

#include <QImage>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <optional>
#include <utility>

class QPrinter;
class QWidget;

// The save-file dialog: returns the chosen full path, or an empty string when
// cancelled. It appends no extension and asks nothing about overwriting.
class SaveDialog
{
public:
    virtual ~SaveDialog() = default;
    virtual QString askSaveFileName(QWidget *parent, const QString &title, const QString &filter) = 0;
};

// The open-file dialog: returns the chosen full path, or an empty string
// when cancelled.
class OpenDialog
{
public:
    virtual ~OpenDialog() = default;
    virtual QString askOpenFileName(QWidget *parent, const QString &title, const QString &filter) = 0;
};

// The system's print dialog, shown for a printer the caller has set up:
// the user picks the printer and its options; with more than one page the
// dialog offers a page range, which it leaves in the printer. False when
// cancelled.
class PrintDialog
{
public:
    virtual ~PrintDialog() = default;
    virtual bool askPrinter(QWidget *parent, QPrinter &printer, int pages = 1) = 0;
};

// Where on a sheet labels start: the label stock, the first free label (1..
// the stock's labels, reading order) and how many labels in a row each
// address fills. For a list whose columns the user picked: field (as
// numbered in the list reader) -> the list's columns, one or several joined.
struct LabelChoice
{
    int start = 1;
    int copies = 1;
    QString stock; // the stock's name; empty: the one the dialog was opened with
    QMap<int, QStringList> columns;
};

// What the dialog says about a list before its labels are made.
struct ListOverview
{
    qsizetype addresses = 0;
    QString sender;            // the sender every label carries, on one line
    bool sampleSender = false; // ... which is still the sample sender
    QStringList summary;       // a few lines: rows read, merged, skipped, values mended
    QString details;           // everything, shown on demand
    QString problem;           // why the list as read makes no label (then no addresses)
};

// A list whose column names are not recognised: the user picks, for each
// field offered, one column or two (joined) of the list's own header.
struct ColumnPicking
{
    QStringList header;
    QList<std::pair<int, QString>> fields; // field, its caption
    QMap<int, QStringList> chosen;         // to start with: what was picked for this layout before
    std::function<ListOverview(const QMap<int, QStringList> &)> overviewWith; // the list read with a choice
};

// The "where on the sheet" dialog, asked before labels are made for
// `addresses` addresses on the label stock named `stock` (which the user may
// change there). Nothing when cancelled.
class PlacementDialog
{
public:
    virtual ~PlacementDialog() = default;
    virtual std::optional<LabelChoice> askPlacement(QWidget *parent, qsizetype addresses, const QString &stock) = 0;
    // The same for a list, which the dialog describes; with `columns` the
    // user picks them too (LabelChoice::columns). A dialog that cannot
    // describe a list asks as for its addresses alone.
    virtual std::optional<LabelChoice> askListPlacement(QWidget *parent, const ListOverview &list,
                                                        const ColumnPicking *columns, const QString &stock)
    {
        Q_UNUSED(columns);
        return askPlacement(parent, list.addresses, stock);
    }
};

// Opens a web address in the desktop's browser without waiting.
// Throws Failure when the opener cannot be started.
class UrlOpener
{
public:
    virtual ~UrlOpener() = default;
    virtual void open(const QUrl &url) = 0;
};

// Uniform random numbers in [0, 1).
class RandomSource
{
public:
    virtual ~RandomSource() = default;
    virtual double uniform() = 0;
};

// The system clipboard's picture. An empty image is a failed read.
class PictureClipboard
{
public:
    virtual ~PictureClipboard() = default;
    virtual QImage image() = 0;
    virtual void setImage(const QImage &image) = 0;
};

// Ends the whole program at once (closing either window does this).
class ProgramExit
{
public:
    virtual ~ProgramExit() = default;
    virtual void endProgram() = 0;
    // True once the end was asked for: what still runs winds down without
    // showing anything (no box, no dialog, no window).
    virtual bool ending() const = 0;
};

class MessageBoxes;
class EngineFactory;

// Everything that production wires to the real thing and tests replace. Every
// seam is required: a Services cannot be made without all of them, so no
// caller ever checks for a missing one.
struct Services
{
    MessageBoxes &messages;
    SaveDialog &saveDialog;
    OpenDialog &openDialog;
    PrintDialog &printDialog;
    PlacementDialog &placementDialog;
    UrlOpener &urlOpener;
    RandomSource &random;
    PictureClipboard &clipboard;
    EngineFactory &engines;
    ProgramExit &exit;
};
