#pragma once

#include <QByteArray>
#include <QIcon>

// What is compiled into the program.

// The label template (a Word 97-2003 .dot), whole, as bytes. Throws Failure
// when the resource cannot be read.
QByteArray TemplateBytes();

// The program's icon in all its sizes.
QIcon ProgramIcon();
