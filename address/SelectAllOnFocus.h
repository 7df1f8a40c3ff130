#pragma once

#include <QObject>

class QLineEdit;

// Selects a text box's whole text whenever it receives the focus, by any
// means, so that typing replaces it. The selection is made just after the
// focus event: a mouse click that gave the focus would otherwise place the
// cursor and undo it.
class SelectAllOnFocus : public QObject
{
    Q_OBJECT

public:
    explicit SelectAllOnFocus(QObject *parent = nullptr);

    void watch(QLineEdit *edit);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
