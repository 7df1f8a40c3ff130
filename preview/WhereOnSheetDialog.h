#pragma once

#include "core/Seams.h"
#include "labels/LabelPlan.h"
#include "labels/LabelStock.h"

#include <QDialog>

#include <array>

class QComboBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QSpinBox;
class QToolButton;
class QVBoxLayout;
class SheetPicker;

// "Where on the sheet": the label stock, the labels of a sheet as a picture, in which the
// user clicks the first free label, and the copies per address. It says how
// many labels and sheets the addresses will take; Return accepts.
class WhereOnSheetDialog : public QDialog
{
    Q_OBJECT

public:
    WhereOnSheetDialog(qsizetype addresses, const LabelStock &stock = DefaultStock(), QWidget *parent = nullptr);

    LabelPlacement placement() const;
    const LabelStock &stock() const;

    // For a list: the sender its labels carry and its summary (details on
    // demand), in a section of their own; with `columns`, a section where the
    // user picks the list's columns for each field, which reads the list
    // again at each choice.
    void describeList(const ListOverview &list, const ColumnPicking *columns = nullptr);
    // The columns picked (empty without a column section).
    QMap<int, QStringList> columns() const;

private:
    void showTotals();
    void showList(const ListOverview &list);
    void pickColumns(const ColumnPicking &columns);

    qsizetype m_addresses;
    QVBoxLayout *m_layout = nullptr;
    QString m_problem; // why no label can be made as the list is read
    QGroupBox *m_listBox = nullptr;
    QLabel *m_sender = nullptr;
    QLabel *m_sampleSender = nullptr;
    QLabel *m_summary = nullptr;
    QToolButton *m_detailsButton = nullptr;
    QPlainTextEdit *m_details = nullptr;
    QList<std::pair<int, std::array<QComboBox *, 2>>> m_columnBoxes;
    std::function<ListOverview(const QMap<int, QStringList> &)> m_overviewWith;
    QComboBox *m_stocks;
    SheetPicker *m_picker;
    QSpinBox *m_copies;
    class QPushButton *m_ok = nullptr;
    QLabel *m_totals;
};

// The sheet's labels, drawn to scale: the labels before the first free
// one are shown as used, the ones the first addresses will fill are shaded.
// A click (or the arrow keys) picks the first free label.
class SheetPicker : public QWidget
{
    Q_OBJECT

public:
    explicit SheetPicker(QWidget *parent = nullptr);

    const LabelStock &stock() const { return m_stock; }
    // Draws this stock's labels; the start stays on the sheet.
    void setStock(const LabelStock &stock);
    int start() const { return m_start; }
    void setStart(int label);
    // How many labels of this sheet the addresses fill from the start.
    void setFilled(qsizetype labels);

signals:
    void startChanged(int label);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    // The label under a point of the widget, 0 for none.
    int labelAt(QPoint point) const;
    QRect labelRect(int label) const;

    LabelStock m_stock;
    int m_start = 1;
    qsizetype m_filled = 1;
};
