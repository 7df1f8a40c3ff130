#pragma once

#include <QCommandLineParser>

class QCoreApplication;

// The program's command line. Options are declared in the constructor and
// read through parser() once process() has run.
class CommandLine
{
public:
    CommandLine();

    // Answers --help and --version (or a wrong option given with them) and
    // ends the process. Call it before the QApplication exists: neither
    // answer needs a display.
    void answerHelpAndVersion(int argc, char *argv[]);

    // Reads what Qt left of the arguments after taking its own (-platform,
    // -style ...). A wrong option ends the process with status 1.
    void process(const QCoreApplication &app);

    const QCommandLineParser &parser() const { return m_parser; }
    // For options declared elsewhere (the batch run's), so --help lists them.
    QCommandLineParser &options() { return m_parser; }

private:
    QCommandLineParser m_parser;
    QCommandLineOption m_help;
    QCommandLineOption m_version;
};
