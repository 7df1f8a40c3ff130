#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

// What both fixed-layout windows need beyond their layout files.
namespace FixedWindow {

// Frames draw their caption in the top edge, as the Windows style does; the
// platform style puts it above a sunken panel.
void UseWindowsFrames(QWidget *window);

// Return and Enter activate the focused push button, as Space does.
void ActivateButtonsOnReturn(QWidget *window);

// Centres the window, frame included, on its screen when it is first shown.
// The frame is known only once the window manager has framed the window, so
// the first placement uses the frame of a window framed before, if any, and
// the window is placed again once its own frame is known.
void CentreOnFirstShow(QWidget *window);

// Where a window of this outer size (frame included) goes on a screen's
// available area: centred, but never with its top or left edge off the
// area, so that a window larger than the screen keeps its title bar and
// its first controls within reach.
QPoint CentredPlace(QSize outer, QRect available);

} // namespace FixedWindow
