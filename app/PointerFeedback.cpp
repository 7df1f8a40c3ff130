#include "PointerFeedback.h"

#include <QGuiApplication>
#include <QWidget>

PointerFeedback::PointerFeedback(QWidget *window)
    : m_window(window)
{
}

PointerFeedback::~PointerFeedback()
{
    if (m_overriding)
        QGuiApplication::restoreOverrideCursor();
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
    // The hourglass must show over the text boxes too, which have a cursor of
    // their own: while busy it overrides every widget's cursor.
    const bool busy = m_kind == PointerKind::Busy;
    if (busy && !m_overriding)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    else if (!busy && m_overriding)
        QGuiApplication::restoreOverrideCursor();
    m_overriding = busy;

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
