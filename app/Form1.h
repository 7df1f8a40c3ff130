#pragma once

#include "address/AddressStore.h"
#include "core/SettingsStore.h"
#include "labels/LabelSheetHost.h"
#include "preview/StockSetting.h"
#include "widgets/PointerFeedback.h"
#include "widgets/SkinFramework.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>

struct ColumnPicking;
struct Services;
class ListFile;
class Form2;
class InputGuard;
class QAction;
class QKeyEvent;
class QLineEdit;
class QMimeData;
class SelectAllOnFocus;

namespace Ui {
class Form1;
}

// The main window: the twelve address fields, the three buttons and the
// start-up sequence. Its handlers name their steps and call into the
// subsystems that do the work.
class Form1 : public QWidget, public LabelSheetHost
{
    Q_OBJECT

public:
    explicit Form1(Services &services, QWidget *parent = nullptr);
    ~Form1() override;

    // The start-up sequence, before the window is first shown.
    void Form_Load();
    // True when start-up found no document engine: the program ends without
    // showing any window.
    bool shouldEnd() const { return m_shouldEnd; }
    // True once a termination signal or a closed window asked the program to end.
    bool programEnding() const;

    void PushButton1_Click(); // Help
    void PushButton3_Click(); // Load Sample/Example Data
    void PushButton6_Click(); // Start Creating Template

    // Ctrl+O and the background's menu: an address list chosen in the open
    // dialog. A list file dropped on either window comes to OpenAddressList.
    void OpenAddressListDialog();
    // Reads the list (the typed fields fill what it has no column for, the
    // typed addresses stay as they are), asks where on the sheet, and has
    // the preview make and show its sheets. A list that cannot be read is
    // one box; while sheets are being made a list is refused.
    void OpenAddressList(const QString &path);
    // The lists named on the command line (a file manager's "open with"),
    // opened once the event loop runs; one list at a time, so a box names
    // any further ones as not opened.
    void OpenListsGiven(const QStringList &paths);
    QAction *openListAction() const { return m_openListAction; }

    // Text1 .. Text12.
    QLineEdit *field(int number) const;

    PointerFeedback &pointer() { return m_pointer; }
    const SkinFramework &skin() const { return m_skin; }
    Form2 *previewWindow() const;
    // Makes the preview window, hidden, so that the first click finds it
    // ready (its creation and native window would otherwise be that click's).
    void preparePreview();

    // LabelSheetHost
    bool isBusy() const override { return mBusy; }
    void setBusy(bool busy) override;
    QString fieldText(int number) const override;
    void setBusyPointer() override;
    void setDefaultPointer() override;
    void setPreviewPicture(const QImage &picture) override;
    void setPreviewWordFile(const QString &path) override;
    void showPreview() override;
    void hideMain() override;
    const LabelStock &labelStock() override { return m_stock.current(); }

    bool mBusy = false;

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void wirePointerFeedback();
    void wireFields();
    Form2 *preview();
    bool acceptsDrop(const QMimeData *data) const;
    bool undoSample(QLineEdit *edit, QKeyEvent *key);
    void openDropped(const QMimeData *data);
    // The columns the user may pick for a list whose names are not known,
    // starting from what was picked for the same header before.
    ColumnPicking columnPicking(const ListFile &list, const QStringList &header, const QStringList &typed);

    Services &m_services;
    std::unique_ptr<Ui::Form1> ui;
    SettingsStore m_settings;
    AddressStore m_store;
    StockSetting m_stock;
    PointerFeedback m_pointer;
    SkinFramework m_skin;
    SelectAllOnFocus *m_selectAll;
    InputGuard *m_inputGuard;
    std::array<QLineEdit *, 12> m_fields{};
    QPointer<Form2> m_preview;
    bool m_shouldEnd = false;
    QAction *m_openListAction = nullptr;
    // The fields as they were before the sample data replaced them, until
    // the user types or takes them back with Ctrl+Z.
    QStringList m_beforeSample;
};

// Runs the start-up sequence and, unless it ended the program, shows the
// window centred with the focus and a full selection in Text1. Returns false
// when the program must end without showing anything (no document engine, or
// a termination signal during start-up).
bool StartMainWindow(Form1 &form);

// The whole run: removes documents left by copies that are gone, starts the
// window, runs the event loop, and on the way out deletes every document this
// run generated, however it ended. Returns the process status.
int RunMainWindow(Form1 &form, const std::function<void()> &whenShown = {});
