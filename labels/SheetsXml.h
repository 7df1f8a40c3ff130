#pragma once

#include "labels/LabelPlan.h"
#include "labels/LabelStock.h"

#include <QByteArray>
#include <QList>

#include <functional>
#include <vector>

// A document of many label sheets written as text: the office exports the
// label template once as flat OpenDocument XML, and each sheet is a copy of
// its table with the placeholder phrases replaced by the labels' texts. The
// office then loads the whole document once, which is many times faster
// than filling, copying and taking back each sheet inside the office.
//
// Each sheet keeps the template's table, styles and row heights; its table
// gets a name of its own and starts on a new page; only the first sheet
// keeps the template's bookmarks (the same 36 names on every sheet make
// the office's loading slow down with every sheet). A label whose text was
// too long for it gets a smaller text size (LabelTextSizeAt).
class SheetsXml
{
public:
    // Throws Failure when the XML is not a label sheet of `stock`: one table
    // whose label cells (as many as the stock has) each hold every
    // placeholder phrase once.
    SheetsXml(const QByteArray &templateXml, const LabelStock &stock);

    // The document of the sheets, in order. textStep(sheet, label) (both from
    // 1) is the label's text size step; `afterSheet` runs after each sheet.
    QByteArray document(const QList<SheetLabels> &sheets,
                        const std::function<int(qsizetype sheet, int label)> &textStep,
                        const std::function<void(int sheetsDone)> &afterSheet = {}) const;

    // The value as flat XML text inside a paragraph, as the office's own
    // replacement puts it there: markup characters escaped, spaces that XML
    // would collapse, tabs and line breaks as their elements, and control
    // characters (a carriage return too) left out. `afterFirst` (XML) goes
    // after the first character.
    static QByteArray escapedText(const QString &value, const QByteArray &afterFirst = {});

private:
    // A piece of a label cell: XML as it stands, then what comes after it.
    struct Piece
    {
        QByteArray xml;          // bookmarks included
        QByteArray xmlOfCopy;    // for sheets after the first: without bookmarks
        int block = 0;           // then placeholder 1..8, kCountry, or 0 (the cell's end)
        QByteArray paragraphTag; // the start tag of the paragraph the placeholder stands in
        QByteArray closing;      // the placeholder's bookmark end, which follows it
    };
    static constexpr int kCountry = 9;
    using Cell = std::vector<Piece>;

    void appendSheet(QByteArray &out, qsizetype sheet, const SheetLabels &labels,
                     const std::function<int(qsizetype, int)> &textStep) const;
    void appendLabel(QByteArray &out, const Cell &cell, const QStringList &fields, int step, bool first) const;
    QByteArray restyled(const QByteArray &xml, int step) const;

    QByteArray m_head;                 // up to the table
    QByteArray m_tableStart;           // the table's start tag
    QByteArray m_tableName;            // the template's table name
    std::vector<QByteArray> m_between; // table XML around the label cells: 7 parts
    std::vector<Cell> m_cells;
    QByteArray m_afterTable;  // the paragraph the template has after its table (may be empty)
    QByteArray m_tail;        // after that paragraph
    QByteArray m_senderStyle; // paragraph styles of the sender's and recipient's lines
    QByteArray m_recipientStyle;
    LabelStock m_stock;
};
