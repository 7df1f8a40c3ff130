#pragma once

#include <QDropEvent>

// A list file dropped on a window is read, never taken: the drop is
// accepted as a copy, so that a source that honours moves keeps its file,
// and refused when the source offers no copy.
inline bool AcceptDropAsCopy(QDropEvent *event)
{
    if (!(event->possibleActions() & Qt::CopyAction)) {
        event->ignore();
        return false;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    return true;
}
