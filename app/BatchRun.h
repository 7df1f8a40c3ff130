#pragma once

class EngineFactory;
class QCommandLineParser;
class QTextStream;

// Label sheets from the command line, without a window or a display:
//   parcelon --output FILE [--sender-company TEXT ... --recipient-zip TEXT]
//   parcelon --csv LIST --output FILE
// The twelve field options hold for this run only; fields they do not set
// come from the settings store, which a run only reads.

// Adds --output, --csv and the twelve field options.
void AddBatchOptions(QCommandLineParser &parser);

// Whether the arguments hold any of those options: the run then makes its
// document and ends without ever creating a window.
bool IsBatchRun(int argc, char *argv[]);

// Makes the document the parsed options ask for. Returns the exit status:
// 0 when the document was written, 1 when it could not be (the reason on one
// line on `errors`, and no file written), 2 for options that make no sense.
int RunBatch(const QCommandLineParser &parser, EngineFactory &engines, QTextStream &errors);

// The whole run from main(): a core application (no display needed), the
// options, --help and --version, and the LibreOffice engine.
int BatchMain(int argc, char *argv[]);
