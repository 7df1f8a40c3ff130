#include "PointerFeedback.h"

#include <QWidget>

PointerFeedback::PointerFeedback(QWidget *window)
    : m_window(window)
{
}

void PointerFeedback::setKind(PointerKind kind)
{
    m_kind = kind;
    apply();
}

void PointerFeedback::setCustomCursor(const QCursor &cursor)
{
    m_custom = cursor;
    apply();
}

void PointerFeedback::overButton()
{
    if (m_kind != PointerKind::Busy && m_kind != PointerKind::Custom)
        setKind(PointerKind::Custom);
}

void PointerFeedback::overSurface()
{
    if (m_kind != PointerKind::Busy && m_kind != PointerKind::Default)
        setKind(PointerKind::Default);
}

void PointerFeedback::apply()
{
    switch (m_kind) {
    case PointerKind::Default:
        m_window->setCursor(Qt::ArrowCursor);
        break;
    case PointerKind::Busy:
        m_window->setCursor(Qt::WaitCursor);
        break;
    case PointerKind::Custom:
        m_window->setCursor(m_custom.value_or(QCursor(Qt::ArrowCursor)));
        break;
    }
}
