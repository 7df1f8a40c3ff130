#pragma once

#include <QObject>
#include <QPointer>

class QLineEdit;

// Selects a text box's whole text whenever it receives the focus, by any
// means, so that typing replaces it. The selection is made while the focus
// arrives, never later: keys typed at once must land after it. A click that
// gives the focus places the cursor when it is pressed, so it is selected
// again as the click ends, unless the user dragged a selection of their own.
class SelectAllOnFocus : public QObject
{
    Q_OBJECT

public:
    explicit SelectAllOnFocus(QObject *parent = nullptr);

    void watch(QLineEdit *edit);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QLineEdit> m_clicked; // focused by a click that has not ended yet
};
