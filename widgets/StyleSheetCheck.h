#pragma once

#include <QString>

// Asks Qt's own style-sheet parser whether the text reads as a style sheet of
// rules, as an application style sheet must. Needs a QApplication.
bool IsValidStyleSheet(const QString &sheet);
