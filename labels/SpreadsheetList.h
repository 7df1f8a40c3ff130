#pragma once

#include "labels/WordApplication.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// Address lists kept as spreadsheets (.xlsx, .xlsm, .xls, .ods): the office
// stores their first sheet as CSV text, which the list reader then reads as
// it reads any shop's export, so every rule for lists applies alike.

// The extensions, lower case without the dot, for the open dialog's filter
// and the help text.
QStringList SpreadsheetExtensions();

// Whether the path names a spreadsheet by its extension (any letter case).
bool IsSpreadsheetFile(const QString &path);

struct FirstSheet
{
    QByteArray csv;     // UTF-8, comma separated, cells as the spreadsheet shows them
    QStringList sheets; // the names of all sheets, the first being the one read
};

// The first sheet of the spreadsheet at `path` as CSV, made by the office in
// a private folder of the program's own (removed at once, whatever happens).
// Throws Failure of one line naming the file: no such file, one the office
// cannot read (a password, damage), an office without spreadsheets.
FirstSheet ReadFirstSheet(EngineFactory &engines, const QString &path);

// 'orders.xlsx: read the first sheet, "Orders", of 3' or
// 'orders.xlsx: read its one sheet, "Orders"'.
QString FirstSheetNotice(const QString &path, const FirstSheet &sheet);
