#pragma once

#include <QString>

// A structural check of a Qt style sheet, since Qt offers no public
// validator: rules of the form "selector { property: value; ... }", comments
// and quoted strings allowed, braces balanced and not nested, no control
// characters other than tab, line feed, carriage return and form feed.
// Returns an empty string when the sheet passes, otherwise what is wrong and
// on which line.
QString StyleSheetProblem(const QString &sheet);
