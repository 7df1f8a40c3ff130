#pragma once

#include "preview/Viewport.h"
#include "widgets/PointerFeedback.h"

#include <QImage>
#include <QString>
#include <QWidget>

#include <memory>

class QAction;
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

protected:
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

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
    QPoint m_rightPress; // where the right button went down on the picture
    bool m_rightHeld = false;
};
