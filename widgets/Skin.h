#pragma once

#include <QColor>
#include <QString>

class QWidget;
class SkinFramework;

// Marks a widget as a picture box for the recolouring below (a dynamic
// property set to true), since picture boxes are plain widgets of our own.
inline constexpr char kPictureBoxProperty[] = "pictureBox";

// The skin file: "x/o.cjs" beside the program (see ProgramFilePath).
QString SkinPath();

// True when the path names an ordinary file that counts as present: a regular
// file (links followed) whose name does not start with '.', the Linux
// counterpart of the hidden attribute. Folders do not count.
bool IsOrdinaryFile(const QString &path);

// The system's button-face colour.
QColor ButtonFaceColour();

// When the skin file exists: repaints the window and its option buttons,
// check boxes, frames, labels and picture boxes in the button-face colour,
// then loads the skin into the component and applies it to the window.
// Does nothing without the file. Failures pass to the caller.
void ApplySkin(QWidget *window, SkinFramework &component);

// Recolours a window and its option buttons, check boxes, frames and labels
// in the system button-face colour; picture boxes keep their colours.
void RecolourForm(QWidget *window);
