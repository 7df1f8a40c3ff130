#include "app/CommandLine.h"

#include "app/BatchRun.h"
#include "core/AppInfo.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>
#include <QUrl>

namespace {

// The arguments without the toolkit's options.
QStringList withoutToolkitOptions(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        const QString argument = QString::fromLocal8Bit(argv[i]);
        if (i == 0 || argument == QLatin1String("--")) {
            arguments << argument;
            if (i > 0) { // what follows is no option
                for (++i; i < argc; ++i)
                    arguments << QString::fromLocal8Bit(argv[i]);
            }
            continue;
        }
        bool toolkit = false;
        if (argument.startsWith(QLatin1Char('-'))) {
            QString name = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1);
            const bool valueAttached = name.contains(QLatin1Char('='));
            name = name.section(QLatin1Char('='), 0, 0);
            for (const ToolkitOption &option : ToolkitOptions()) {
                if (name == QLatin1String(option.name)) {
                    toolkit = true;
                    if (option.takesValue && !valueAttached)
                        ++i;
                    break;
                }
            }
        }
        if (!toolkit)
            arguments << argument;
    }
    return arguments;
}

int refuse(const QString &reason)
{
    QTextStream(stderr) << QString::fromLatin1(AppInfo::kProductTitle).toLower() << ": " << reason << Qt::endl;
    return 2;
}

} // namespace

std::span<const ToolkitOption> ToolkitOptions()
{
    // QGuiApplication, QApplication and the X11 platform plugin take these
    // out of the arguments; tst_commandline checks the list against the one
    // Qt itself prints for --help-all, so a new Qt option does not go unseen.
    static constexpr ToolkitOption kOptions[] = {
        {"platform", true},
        {"platformpluginpath", true},
        {"platformtheme", true},
        {"plugin", true},
        {"qwindowgeometry", true},
        {"qwindowicon", true},
        {"qwindowtitle", true},
        {"session", true},
        {"reverse", false},
        {"style", true},
        {"stylesheet", true},
        {"widgetcount", false},
        {"display", true},
        {"geometry", true},
        {"title", true},
        {"icon", true},
        {"name", true},
        {"visual", true},
        {"nograb", false},
        {"dograb", false},
        {"sync", false},
        {"qmljsdebugger", true},
    };
    return kOptions;
}

QStringList ListFilesGiven(const QStringList &arguments)
{
    QStringList paths;
    for (const QString &argument : arguments) {
        // A desktop that hands over addresses instead of paths.
        const QUrl url(argument);
        const QString path = url.isLocalFile() && argument.startsWith(QLatin1String("file:")) ? url.toLocalFile()
                                                                                              : argument;
        paths << QFileInfo(path).absoluteFilePath();
    }
    return paths;
}

CommandLine::CommandLine()
    : m_help(m_parser.addHelpOption())
    , m_version(m_parser.addVersionOption())
{
    // --version prints these; they are needed before any application object exists.
    QCoreApplication::setApplicationName(QString::fromLatin1(AppInfo::kProductTitle));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(AppInfo::kVersion));
    m_parser.setApplicationDescription(
        QStringLiteral("Fills a sheet of six shipping labels with a sender and a recipient address, in the window "
                       "or, with --output, without one."));
    m_parser.addOptions(BatchOptions());
    m_parser.addPositionalArgument(QStringLiteral("list"),
                                   QStringLiteral("An address list to open in the window, as Ctrl+O opens one."),
                                   QStringLiteral("[list]"));
}

int CommandLine::parse(int argc, char *argv[])
{
    if (!m_parser.parse(withoutToolkitOptions(argc, argv)))
        return refuse(m_parser.errorText());
    if (m_parser.isSet(m_help) && !wantsHelpAll()) {
        const QCoreApplication app(argc, argv); // the usage line names the program from it
        m_parser.showHelp(0);
    }
    if (m_parser.isSet(m_version)) {
        const QCoreApplication app(argc, argv);
        m_parser.showVersion();
    }
    // Without a run's options, the arguments are lists the window opens.
    if (IsBatchRun(m_parser) && !m_parser.positionalArguments().isEmpty())
        return refuse(QStringLiteral("unexpected argument \"%1\"").arg(m_parser.positionalArguments().first()));
    for (const QString &name : m_parser.optionNames()) {
        if (m_parser.values(name).size() > 1 && !IsRepeatableOption(name))
            return refuse(QStringLiteral("--%1 is given more than once").arg(name));
    }
    return -1;
}

QStringList CommandLine::listFiles() const
{
    return IsBatchRun(m_parser) ? QStringList() : ListFilesGiven(m_parser.positionalArguments());
}

bool CommandLine::wantsHelpAll() const
{
    return m_parser.isSet(QStringLiteral("help-all"));
}

void CommandLine::answerHelpAll(const QCoreApplication &app)
{
    m_parser.process(app);
}
