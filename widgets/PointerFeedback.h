#pragma once

#include <QCursor>
#include <QPointer>

#include <optional>
#include <utility>
#include <vector>

class QWidget;

// A window's mouse pointer kind: default, busy (hourglass) or custom (the
// hand). Moving over a button asks for custom, over other surfaces for
// default; neither ever replaces busy.
enum class PointerKind { Default = 0, Busy = 11, Custom = 99 };

class PointerFeedback
{
public:
    explicit PointerFeedback(QWidget *window);
    PointerFeedback(const PointerFeedback &) = delete;
    PointerFeedback &operator=(const PointerFeedback &) = delete;

    PointerKind kind() const { return m_kind; }
    void setKind(PointerKind kind);

    // The custom pointer's image; without one the custom kind shows the arrow.
    void setCustomCursor(const QCursor &cursor);
    bool hasCustomCursor() const { return m_custom.has_value(); }

    void overButton();  // unless busy: custom
    void overSurface(); // unless busy: default

private:
    void apply();
    void coverOwnCursors();
    void restoreOwnCursors();

    QWidget *m_window;
    PointerKind m_kind = PointerKind::Default;
    std::optional<QCursor> m_custom;
    // The window's controls with a cursor of their own, and that cursor, while busy.
    std::vector<std::pair<QPointer<QWidget>, QCursor>> m_covered;
    bool m_busyShown = false;
};
