#pragma once

#include <QCommandLineOption>
#include <QList>

class EngineFactory;
class QCommandLineParser;
class QTextStream;

// Label sheets from the command line, without a window or a display:
//   parcelon --output FILE [--sender-company TEXT ... --recipient-zip TEXT] [--stock S] [--start N] [--copies K]
//   parcelon --csv LIST --output FILE [--map FIELD=COLUMN ...] [--stock S] [--start N] [--copies K]
//   parcelon --stock list
// A field comes from its option, a column of the list or the value the
// window saved, never from the samples; a run only reads the store.

// The options of a run, in the order --help lists them: the one table that
// the help, the manual page and the README are checked against.
QList<QCommandLineOption> BatchOptions();

// The options that may be given more than once (--map).
bool IsRepeatableOption(const QString &name);

// Whether the parsed arguments hold any of BatchOptions: the run then makes
// its document and ends without ever creating a window.
bool IsBatchRun(const QCommandLineParser &parser);

// Makes the document the parsed options ask for. Returns the exit status:
// 0 when the document was written, 1 when it could not be (the reason on one
// line on `errors`, and no file written), 2 for options that make no sense
// or a run without a sender (and for an unknown --stock). `--stock list`
// prints the stock table (StockTable) and returns 0. What a list run read, made and skipped is
// summed up in one line on `errors`.
int RunBatch(const QCommandLineParser &parser, EngineFactory &engines, QTextStream &errors);

// The label stocks, a line each: name, what it is, the product numbers.
QString StockTable();

// The whole run from main(): a core application (no display needed) and the
// LibreOffice engine.
int BatchMain(int argc, char *argv[], const QCommandLineParser &parser);
