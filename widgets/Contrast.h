#pragma once

#include <QColor>

class QWidget;

// WCAG contrast ratio of two colours: 1 (the same) to 21 (black on white).
double ContrastRatio(const QColor &a, const QColor &b);

// Black or white, whichever reads better on the background.
QColor TextColourOn(const QColor &background);

// The windows set some backgrounds of their own (white buttons and frames)
// while their text colours come from the desktop's theme, light in a dark
// one. This gives every widget of the window whose text would not read on
// its background a text colour that does, in every colour group; widgets
// that already read keep the theme's colours. Run it again after the
// backgrounds change.
void HoldTextContrast(QWidget *window);
