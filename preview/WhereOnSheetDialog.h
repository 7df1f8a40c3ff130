#pragma once

#include "labels/LabelPlan.h"
#include "labels/LabelStock.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QSpinBox;
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

private:
    void showTotals();

    qsizetype m_addresses;
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
