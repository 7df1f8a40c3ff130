#pragma once

#include <QObject>

class QLineEdit;

// Selects a text box's whole text when the user moves the focus into it from
// the keyboard (Tab, Shift+Tab, a shortcut), so that typing replaces it. The
// selection is made while the focus arrives, never later: keys typed at once
// must land after it. Any other arrival leaves the text box as the platform
// does: a click places the cursor (a drag selects), and coming back to the
// window or out of a box or menu restores the cursor and selection it had,
// so that the next keystroke cannot wipe a field the user did not mean to
// replace.
class SelectAllOnFocus : public QObject
{
    Q_OBJECT

public:
    explicit SelectAllOnFocus(QObject *parent = nullptr);

    void watch(QLineEdit *edit);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
