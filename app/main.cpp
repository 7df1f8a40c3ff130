#include "AppInfo.h"
#include "BatchRun.h"
#include "FileUtils.h"
#include "Form1.h"
#include "Form2.h"
#include "ModuleEngineFactory.h"
#include "QtSeams.h"
#include "Resources.h"
#include "Seams.h"
#include "TerminationSignals.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // --output and its friends make the document without a window or a display.
    if (IsBatchRun(argc, argv))
        return BatchMain(argc, argv);

    // The windows are laid out in pixels of a 96 dpi screen; fonts in points
    // must map at the same rate or the text outgrows its boxes.
    QApplication::setAttribute(Qt::AA_Use96Dpi);
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QString::fromLatin1(AppInfo::kOrganisation));
    QApplication::setApplicationName(QString::fromLatin1(AppInfo::kProductTitle));
    QApplication::setApplicationVersion(QString::fromLatin1(AppInfo::kVersion));
    QApplication::setWindowIcon(ProgramIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral("parcelon"));

    QtMessageBoxes messages;
    QtSaveDialog saveDialog;
    QtPrintDialog printDialog;
    DesktopUrlOpener urlOpener;
    SystemRandom random;
    SystemClipboard clipboard;
    QtProgramExit programExit;
    ModuleEngineFactory engines(clipboard);

    Services services;
    services.messages = &messages;
    services.saveDialog = &saveDialog;
    services.printDialog = &printDialog;
    services.urlOpener = &urlOpener;
    services.random = &random;
    services.clipboard = &clipboard;
    services.engines = &engines;
    services.exit = &programExit;

    // Log-out, a closed terminal or Ctrl+C end the program like a closed window.
    TerminationSignals terminations([&programExit] { programExit.endProgram(); });

    Form1 form(services);
    if (!StartMainWindow(form))
        return 1; // no document engine: the check has told the user
    const int status = app.exec();
    // Ended by a signal while the preview showed (or while a generation was
    // under way): its temporary document holds the addresses, so it goes too.
    if (Form2 *preview = form.previewWindow(); preview && preview->isVisible())
        DeleteFileQuietly(preview->mWordFile);
    return status;
}
