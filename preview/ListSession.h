#pragma once

#include "labels/LabelPlan.h"
#include "labels/LabelStock.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class EngineFactory;
class LabelsCutOff;
class ListSheets;
class SheetPictures;

// An address list in the preview, from the moment it is opened until it is
// left: its sheets made in the background, how far they are, the sheet shown
// and what the title says about it. No widgets: the window shows what this
// emits and asks it what is allowed.
//
// Made -> first sheet shown (firstSheet) -> every sheet made (finished), or
// failed at any point; leave() at any point stops the work, and whatever the
// worker still sends from a list left behind is dropped.
class ListSession : public QObject
{
    Q_OBJECT

public:
    using CutDescriber = std::function<QString(const LabelsCutOff &cut)>;

    explicit ListSession(EngineFactory &engines, QObject *parent = nullptr);
    ~ListSession() override;

    // Leaves any list before and starts making `sheets`. A list that cannot
    // even start is reported through failed(), as any later failure.
    void start(const QList<SheetLabels> &sheets, CutDescriber describeCut = {},
               const LabelStock &stock = DefaultStock());
    // Stops the list's work; its files go once the worker has ended.
    void leave();

    bool active() const { return m_sheets > 0; }
    // The window took the first sheet; until then a finished list shows it first.
    void markShown() { m_shown = true; }
    bool shown() const { return m_shown; }
    // The worker is still at it: what needs every sheet waits.
    bool making() const { return active() && !m_pages; }
    int sheetCount() const { return int(m_sheets); }
    int sheetShown() const { return m_sheet + 1; }
    // The PDF of every sheet, once made.
    QString pdf() const { return m_pdf; }

    // " - sheet 2 of 9 (making the sheets: 4 of 9)"; empty for no list.
    QString titleSuffix() const;
    // Why printing or saving has to wait.
    QString stillMakingMessage() const;

    bool hasSheet(int index) const;
    bool hasNext() const { return hasSheet(m_sheet + 1); }
    bool hasPrevious() const { return hasSheet(m_sheet - 1); }
    int currentIndex() const { return m_sheet; }
    // The picture of sheet `index` (from 0), which becomes the one shown.
    // Throws Failure; hasSheet(index) must hold.
    QImage turnTo(int index);

signals:
    // The first sheet's picture, ready to show.
    void firstSheet(const QImage &picture);
    void progressed();
    // Every sheet made: the Word document of them all (pdf() is their PDF).
    void finished(const QString &document);
    void failed(const QString &description);

private:
    void showFirst(const SheetPictures &pages);
    void finish(const QString &document, const QString &pdf);

    EngineFactory &m_engines;
    QPointer<ListSheets> m_list;
    qsizetype m_sheets = 0; // 0: no list
    int m_made = 0;
    bool m_shown = false;
    QString m_pdf;
    std::unique_ptr<SheetPictures> m_pages;
    int m_sheet = 0;
};
