#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

// One record of a CSV file and the line of the file it starts on (from 1).
struct CsvRecord
{
    int line = 0;
    QStringList fields;
};

namespace Csv {

// Reads CSV text the way RFC 4180 describes it: fields separated by commas,
// records by CR LF (a lone LF or CR is taken as well); a field in double
// quotes may hold commas, line breaks and doubled quotes. UTF-8, with or
// without a byte-order mark. A line break inside a field is returned as one
// LF. Throws Failure naming the line of the first thing it cannot read.
QList<CsvRecord> read(const QByteArray &bytes);

} // namespace Csv
