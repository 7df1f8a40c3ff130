#pragma once

#include "labels/WordApplication.h"

#include <QString>

// What is wrong with a document just written in `format` (one that does
// not open as that format, a PDF without `pages` pages, when
// that is not -1); empty when it is
// whole as far as its format can tell without the office. For the check of
// WriteFileSafely.
QString DocumentProblem(const QString &path, DocumentFormat format, qsizetype pages);
