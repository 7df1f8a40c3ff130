#include "widgets/InputGuard.h"

#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>

namespace {
bool isUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::InputMethod:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop: return true;
    default: return false;
    }
}
} // namespace

InputGuard::InputGuard(QWidget *window)
    : QObject(window)
    , m_window(window)
{
}

InputGuard::~InputGuard()
{
    setActive(false);
}

void InputGuard::setActive(bool active)
{
    if (active == m_active)
        return;
    m_active = active;
    // Application-wide: a key reaches a window's shortcuts before its widgets.
    if (active)
        QCoreApplication::instance()->installEventFilter(this);
    else
        QCoreApplication::instance()->removeEventFilter(this);
}

bool InputGuard::eventFilter(QObject *watched, QEvent *event)
{
    return m_active && isUserInput(event->type()) && aimsAtWindow(watched);
}

// The window's own widgets, native window and shortcuts; not the boxes it
// raises meanwhile, which are windows of their own.
bool InputGuard::aimsAtWindow(QObject *watched) const
{
    if (auto *widget = qobject_cast<QWidget *>(watched))
        return widget->window() == m_window;
    if (auto *window = qobject_cast<QWindow *>(watched))
        return window == m_window->windowHandle();
    if (auto *action = qobject_cast<QAction *>(watched))
        return action->parent() == m_window;
    return false;
}
