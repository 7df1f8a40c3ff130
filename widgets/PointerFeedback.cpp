#include "widgets/PointerFeedback.h"

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
    const bool busy = m_kind == PointerKind::Busy;
    if (busy && !m_busyShown)
        coverOwnCursors();
    else if (!busy && m_busyShown)
        restoreOwnCursors();
    m_busyShown = busy;

    switch (m_kind) {
    case PointerKind::Default: m_window->setCursor(Qt::ArrowCursor); break;
    case PointerKind::Busy: m_window->setCursor(Qt::WaitCursor); break;
    case PointerKind::Custom: m_window->setCursor(m_custom.value_or(QCursor(Qt::ArrowCursor))); break;
    }
}

// The hourglass must show over the text boxes too, which have a cursor of
// their own, but only on this window: an application-wide override cursor
// would also show it over the error boxes raised while busy.
void PointerFeedback::coverOwnCursors()
{
    const QList<QWidget *> children = m_window->findChildren<QWidget *>();
    for (QWidget *child : children) {
        if (child->window() != m_window || !child->testAttribute(Qt::WA_SetCursor))
            continue;
        m_covered.emplace_back(child, child->cursor());
        child->setCursor(Qt::WaitCursor);
    }
}

void PointerFeedback::restoreOwnCursors()
{
    for (const auto &[child, cursor] : m_covered) {
        if (child)
            child->setCursor(cursor);
    }
    m_covered.clear();
}
