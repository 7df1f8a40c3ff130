#pragma once

#include <QCommandLineParser>

#include <span>

class QCoreApplication;

// A toolkit option that QApplication takes out of the arguments (as -name or
// --name), and whether its value follows as the next argument.
struct ToolkitOption
{
    const char *name;
    bool takesValue;
};
std::span<const ToolkitOption> ToolkitOptions();

// The lists named by the arguments that are no options (from a file manager,
// paths or file: addresses), as absolute paths.
QStringList ListFilesGiven(const QStringList &arguments);

// The program's command line: --help, --version, the options of a run
// without a window (BatchRun) and the lists the window opens, read before
// anything needs a display.
class CommandLine
{
public:
    CommandLine();

    // Reads the arguments, setting aside the Qt toolkit's own (-platform,
    // -style ...), which the application object takes. Returns the exit
    // status when the program ends here: 0 after answering --help or
    // --version, 2 after a wrong option, an argument beside a run's options
    // or a single-value option given twice (said in one line on standard
    // error); -1 otherwise.
    int parse(int argc, char *argv[]);

    // The lists to open in the window: the arguments of a start without a
    // run's options.
    QStringList listFiles() const;

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
