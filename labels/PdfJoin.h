#pragma once

#include <QString>
#include <QStringList>

// Writes the pages of the PDF files `parts`, in order, as one PDF to
// `target`: a list laid out by two offices at once becomes one document.
// The first part's document information and settings are kept; page
// contents are copied as they stand, not compressed again. Throws Failure.
void JoinPdfs(const QStringList &parts, const QString &target);
