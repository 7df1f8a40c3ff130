#pragma once

#include "labels/LabelPlan.h"
#include "preview/ListSession.h"
#include "preview/Viewport.h"
#include "widgets/PointerFeedback.h"

#include <QImage>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

class QAction;
class QKeyEvent;
class QScrollBar;
class QWheelEvent;
class StockSetting;
struct Services;

namespace Ui {
class Form2;
}

// The preview window: shows the rendered label sheet in a zoom and pan
// viewport, saves the generated document under a name of the user's choice,
// and goes back to the main window. Created once, hidden between uses.
class Form2 : public QWidget
{
    Q_OBJECT

public:
    Form2(Services &services, QWidget *mainWindow, QWidget *parent = nullptr);
    ~Form2() override;

    // Picture1's picture: the rendered label sheet at the resolution it carries.
    void setPicture(const QImage &picture);

    // The generated document in the temporary folder.
    QString mWordFile;

    const Viewport &viewport() const { return m_viewport; }
    const PointerFeedback &pointer() const { return m_pointer; }
    bool firstActivationDue() const { return mFirstActivation; }

    // The window's handlers, as its events and buttons run them.
    void Form_Activate();
    void Form_QueryUnload();
    void PushButton1_Click(); // Zoom In
    void PushButton2_Click(); // Zoom Out
    void PushButton6_Click(); // Save Results To Word File
    void PushButton8_Click(); // < Back

    // Beyond the buttons: Ctrl+P and Ctrl+Shift+S, also on the picture's context menu.
    void PrintSheet();     // the sheet through the system's print dialog, at actual size
    void SaveSheetAsPdf(); // a PDF of the sheet under a name of the user's choice
    QAction *printAction() const { return m_printAction; }
    QAction *savePdfAction() const { return m_savePdfAction; }

    // Ctrl+L: the typed address on the labels the user picks, printed at once.
    void PrintLabels();
    QAction *printLabelsAction() const { return m_printLabelsAction; }
    // The twelve typed fields, asked for when labels are printed.
    void setTypedAddress(std::function<QStringList()> fields) { m_typedAddress = std::move(fields); }

    // An address list's sheets, made in the background. Once the first is
    // ready the window shows it (listShown); a list that cannot be made is
    // reported (listFailed when nothing was shown yet, otherwise the window
    // goes back). "< Back" and closing stop the work.
    // `describeCut` says which address a label too long to print comes from.
    void ShowList(const QList<SheetLabels> &sheets,
                  std::function<QString(const class LabelsCutOff &cut)> describeCut = {},
                  const LabelStock &stock = DefaultStock());
    // Where the label stock the window prints on is kept (the main window's
    // setting); without one, the default stock.
    void setStockSetting(StockSetting *stock) { m_stockSetting = stock; }
    bool isMakingSheets() const;
    bool showsList() const { return m_list.active(); }
    int sheetShown() const { return m_list.sheetShown(); }
    int sheetCount() const { return m_list.sheetCount(); }
    void NextSheet();     // Page Down
    void PreviousSheet(); // Page Up
    QAction *nextSheetAction() const { return m_nextAction; }
    QAction *previousSheetAction() const { return m_previousAction; }
    // Lists dropped on this window are opened through this.
    void setListOpener(std::function<void(const QString &path)> open) { m_openList = std::move(open); }

signals:
    void listShown();
    void listFailed();

protected:
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void Form_Load();
    void Picture1_MouseDown(qint16 button, qint16 shift, float x, float y);
    void Picture1_MouseMove(qint16 button, qint16 shift, float x, float y);
    void Picture1_MouseUp(qint16 button, qint16 shift, float x, float y);
    void HScroll1_Change(int value);
    void VScroll1_Change(int value);

    void applyDesign();
    void showViewport();
    void deleteDocuments();
    void addSheetActions();
    void showPictureMenu(const QPoint &globalPosition);
    bool filterPictureEvent(QWidget *picture, QEvent *event);
    void wheelOverPicture(QWheelEvent *wheel);
    bool keyOnPicture(QKeyEvent *key);
    void scrollBy(Viewport::Axis axis, int units);
    void zoomStep(bool in, QPointF anchorTwips);
    bool paintBarWithoutThumb(QScrollBar *bar);
    void showSheet(int index);
    void showFirstListSheet(const QImage &picture);
    void listFinished(const QString &document);
    void listFailedWith(const QString &description);
    void leaveList();
    void showTitle();
    bool refuseWhileMaking();

    Services &m_services;
    QWidget *m_mainWindow;
    std::unique_ptr<Ui::Form2> ui;
    Viewport m_viewport;
    PointerFeedback m_pointer;
    bool mFirstActivation = false;
    bool m_activating = false;
    quint64 m_paintingShown = 0;
    QAction *m_printAction = nullptr;
    QAction *m_savePdfAction = nullptr;
    QAction *m_printLabelsAction = nullptr;
    QAction *m_nextAction = nullptr;
    QAction *m_previousAction = nullptr;
    QPoint m_rightPress; // where the right button went down on the picture
    bool m_rightHeld = false;
    int m_wheelZoom = 0;      // eighths of a degree not yet zoomed by
    double m_wheelAcross = 0; // bar units not yet scrolled by
    double m_wheelDown = 0;
    std::function<QStringList()> m_typedAddress;
    StockSetting *m_stockSetting = nullptr;
    std::function<void(const QString &)> m_openList;
    ListSession m_list; // no list: one sheet of the typed addresses
};
