#include "app/BatchRun.h"
#include "app/CommandLine.h"
#include "app/Form1.h"
#include "app/QtSeams.h"
#include "core/AppInfo.h"
#include "core/FileUtils.h"
#include "core/FreedMemory.h"
#include "core/Seams.h"
#include "core/TerminationSignals.h"
#include "labels/ModuleEngineFactory.h"
#include "resources/Resources.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

namespace {

// A display named in the environment, or a platform chosen for Qt (by
// QT_QPA_PLATFORM or -platform, e.g. offscreen).
bool hasDisplay(int argc, char *argv[])
{
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        if (!qEnvironmentVariableIsEmpty(name))
            return true;
    }
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    ReturnLargeBlocksAtOnce();

    // Read before anything needs a display: a wrong option is refused
    // without one, and --output and its friends make the document without
    // a window.
    CommandLine commandLine;
    if (const int status = commandLine.parse(argc, argv); status >= 0)
        return status;
    if (IsBatchRun(commandLine.parser()))
        return BatchMain(argc, argv, commandLine.parser());

    // Without a screen Qt would abort with advice to reinstall: say what is
    // missing instead, and what works without it.
    if (!hasDisplay(argc, argv)) {
        std::fputs("parcelon: no display to open a window on (neither DISPLAY nor WAYLAND_DISPLAY is set); "
                   "--output makes labels without one (see parcelon --help)\n",
                   stderr);
        return 2;
    }

    // The office's start is the longest step before the window can show
    // (the engine check waits for it): it begins before Qt's own start-up.
    // Not for --help-all.
    InProcessClipboard clipboard;
    ModuleEngineFactory engines(clipboard);
    if (!commandLine.wantsHelpAll())
        engines.startInBackground();

    // The windows are laid out in pixels of a 96 dpi screen; fonts in points
    // must map at the same rate or the text outgrows its boxes.
    QApplication::setAttribute(Qt::AA_Use96Dpi);
    QApplication app(argc, argv);
    if (commandLine.wantsHelpAll())
        commandLine.answerHelpAll(app);
    QApplication::setOrganizationName(QString::fromLatin1(AppInfo::kOrganisation));
    QApplication::setApplicationName(QString::fromLatin1(AppInfo::kProductTitle));
    QApplication::setApplicationVersion(QString::fromLatin1(AppInfo::kVersion));
    QApplication::setWindowIcon(ProgramIcon());
    QGuiApplication::setDesktopFileName(QString::fromLatin1(AppInfo::kAppId));

    QtProgramExit programExit;
    QtMessageBoxes messages(programExit);
    QtSaveDialog saveDialog(programExit);
    QtOpenDialog openDialog(programExit);
    QtPrintDialog printDialog;
    QtPlacementDialog placementDialog(programExit);
    DesktopUrlOpener urlOpener;
    SystemRandom random;

    Services services{.messages = messages,
                      .saveDialog = saveDialog,
                      .openDialog = openDialog,
                      .printDialog = printDialog,
                      .placementDialog = placementDialog,
                      .urlOpener = urlOpener,
                      .random = random,
                      .clipboard = clipboard,
                      .engines = engines,
                      .exit = programExit};

    // However the program ends, an office call under way fails at once
    // instead of holding the end up.
    programExit.setOnEnding([&engines] { engines.abandon(); });

    // Log-out, a closed terminal or Ctrl+C end the program like a closed
    // window, within a second whatever the office does.
    TerminationSignals terminations([&programExit] { programExit.endProgram(); });
    terminations.endAtLatestAfter(1);

    Form1 form(services);
    // The office the check started is warmed in the background for the first click.
    const int status = RunMainWindow(form, [&] {
        engines.warmUp();
        form.OpenListsGiven(commandLine.listFiles());
    });
    // A list's sheets still being made stop at once, before the windows wait for them.
    engines.shutDown();
    return status;
}
