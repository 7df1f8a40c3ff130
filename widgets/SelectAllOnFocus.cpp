#include "widgets/SelectAllOnFocus.h"

#include <QFocusEvent>
#include <QLineEdit>

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
        if (auto *edit = qobject_cast<QLineEdit *>(watched)) {
            switch (static_cast<QFocusEvent *>(event)->reason()) {
            case Qt::TabFocusReason:
            case Qt::BacktabFocusReason:
            case Qt::ShortcutFocusReason:
                // From the first character, whatever the box kept from before.
                edit->selectAll();
                break;
            default: break;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}
