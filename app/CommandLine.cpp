#include "app/CommandLine.h"

#include "core/AppInfo.h"

#include <QCoreApplication>

CommandLine::CommandLine()
    : m_help(m_parser.addHelpOption())
    , m_version(m_parser.addVersionOption())
{
    // --version prints these; they are needed before any application object exists.
    QCoreApplication::setApplicationName(QString::fromLatin1(AppInfo::kProductTitle));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(AppInfo::kVersion));
    m_parser.setApplicationDescription(
        QStringLiteral("Fills a sheet of six shipping labels with a sender and a recipient address."));
}

void CommandLine::answerHelpAndVersion(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    // Only a look: wrong options, and --help-all (which lists the options of
    // Qt's window-system part), wait for process().
    m_parser.parse(arguments);
    if (!m_parser.isSet(m_help) && !m_parser.isSet(m_version))
        return;
    const QCoreApplication app(argc, argv); // the usage line names the program from it
    m_parser.process(app);                  // prints the answer and ends the process
}

void CommandLine::process(const QCoreApplication &app)
{
    m_parser.process(app);
}
