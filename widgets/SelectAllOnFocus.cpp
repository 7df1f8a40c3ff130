#include "widgets/SelectAllOnFocus.h"

#include <QFocusEvent>
#include <QLineEdit>
#include <QMouseEvent>

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
    auto *edit = qobject_cast<QLineEdit *>(watched);
    if (!edit)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::FocusIn:
        edit->selectAll();
        m_clicked = static_cast<QFocusEvent *>(event)->reason() == Qt::MouseFocusReason ? edit : nullptr;
        break;
    case QEvent::FocusOut:
        if (m_clicked == edit)
            m_clicked = nullptr;
        break;
    case QEvent::MouseButtonRelease:
        // The release itself leaves the selection alone.
        if (m_clicked == edit) {
            m_clicked = nullptr;
            if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton && !edit->hasSelectedText())
                edit->selectAll();
        }
        break;
    default: break;
    }
    return QObject::eventFilter(watched, event);
}
