#include "SelectAllOnFocus.h"

#include <QEvent>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>

SelectAllOnFocus::SelectAllOnFocus(QObject *parent)
    : QObject(parent)
{
}

void SelectAllOnFocus::watch(QLineEdit *edit)
{
    edit->installEventFilter(this);
}

bool SelectAllOnFocus::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn) {
        QPointer<QLineEdit> edit = qobject_cast<QLineEdit *>(watched);
        if (edit) {
            edit->selectAll(); // at once for keyboard focus ...
            QTimer::singleShot(0, edit, [edit] {
                if (edit && edit->hasFocus())
                    edit->selectAll(); // ... and again after a click has placed the cursor
            });
        }
    }
    return QObject::eventFilter(watched, event);
}
