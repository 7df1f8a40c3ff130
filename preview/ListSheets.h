#pragma once

#include "labels/LabelPlan.h"

#include <QObject>
#include <QString>
#include <QTemporaryDir>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

class EngineFactory;
class LabelsCutOff;

// The sheets of an address list, made on a worker thread so the preview
// stays responsive: a long list first makes its first sheet alone, which
// shows at once, then the whole list as one Word document and one PDF. All
// files live in a private folder that goes with this object.
//
// stop() makes the worker give up between sheets and between documents; an
// office call under way ends first unless the engine's work is stopped too
// (EngineFactory::stopWorkUnderWay), and what it wrote is removed with the
// folder. Destroying the object stops and waits for the worker.
class ListSheets : public QObject
{
    Q_OBJECT

public:
    // Lists of more sheets than this show their first sheet before the rest is made.
    static constexpr qsizetype kShownAtOnce = 2;

    // Says which address a label too long to print comes from (run on the worker).
    using CutDescriber = std::function<QString(const LabelsCutOff &cut)>;

    ListSheets(EngineFactory &engines, QList<SheetLabels> sheets, CutDescriber describeCut = {},
               QObject *parent = nullptr, const LabelStock &stock = DefaultStock());
    ~ListSheets() override;

    // Starts the worker. Throws Failure when the private folder cannot be made.
    void start();
    void stop();

    qsizetype sheetCount() const { return m_sheets.size(); }
    bool isRunning() const { return m_running; }

signals:
    // A PDF whose first page is the list's first sheet (only for lists
    // longer than kShownAtOnce sheets).
    void firstSheetReady(const QString &pdf);
    // Sheets filled so far of the whole list.
    void progressed(int sheetsDone);
    // The whole list: the Word document and its PDF, one sheet a page.
    void finished(const QString &document, const QString &pdf);
    void failed(const QString &description);
    // The worker is done, whatever the outcome; emitted last.
    void ended();

private:
    void run();

    EngineFactory &m_engines;
    const QList<SheetLabels> m_sheets;
    const CutDescriber m_describeCut;
    const LabelStock m_stock;
    std::unique_ptr<QTemporaryDir> m_folder;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_running{false};
    std::thread m_worker;
};
