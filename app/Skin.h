#pragma once

class QWidget;

// Recolours a window and its option buttons, check boxes, frames and labels
// in the system button-face colour; picture boxes keep their colours.
void RecolourForm(QWidget *window);
