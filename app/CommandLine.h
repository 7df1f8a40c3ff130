#pragma once

#include <QCommandLineParser>

class QCoreApplication;

// The program's command line: --help, --version and the options of a run
// without a window (BatchRun), read before anything needs a display.
class CommandLine
{
public:
    CommandLine();

    // Reads the arguments, setting aside the Qt toolkit's own (-platform,
    // -style ...), which the application object takes. Returns the exit
    // status when the program ends here: 0 after answering --help or
    // --version, 2 after a wrong option, a stray argument or a single-value
    // option given twice (said in one line on standard error); -1 otherwise.
    int parse(int argc, char *argv[]);

    // --help-all lists the toolkit's options too, which only the window's
    // application object knows: it prints them and ends the process.
    bool wantsHelpAll() const;
    void answerHelpAll(const QCoreApplication &app);

    const QCommandLineParser &parser() const { return m_parser; }

private:
    QCommandLineParser m_parser;
    QCommandLineOption m_help;
    QCommandLineOption m_version;
};
