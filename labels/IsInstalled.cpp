#include "labels/IsInstalled.h"

#include "core/AppInfo.h"
#include "core/MessageBoxes.h"
#include "labels/WordApplication.h"

#include <QStringList>

namespace {

// Paragraphs are separated by an empty line (two CR LF pairs); no line break at the end.
QString notAvailableMessage()
{
    const QStringList paragraphs = {
        QStringLiteral("Error 842001. A normal instance of Word could not be created."),
        QStringLiteral("1. Please make sure Word is installed on this computer."),
        QStringLiteral("2. Please open Word normally and make sure a blank document opens immediately "
                       "without any interrupting window (such as an Word file recovery window)."),
        QStringLiteral("3. Please make sure that when you double-click on a DOC or DOCX file that Word "
                       "opens normally without any interrupting messages."),
        QStringLiteral("4. All versions of Word are supported by this software except for the rare Word "
                       "Starter and Student editions."),
        // Writer alone lacks the picture export of the preview. The command
        // stands alone so that the box does not break it at a hyphen.
        QStringLiteral("This version of Parcelon uses LibreOffice instead of Word. It needs LibreOffice "
                       "Writer and LibreOffice Draw (or their -nogui packages) and the Liberation fonts. "
                       "Install them with your package manager, for example:"),
        QStringLiteral("sudo apt install libreoffice-writer libreoffice-draw fonts-liberation2"),
    };
    return paragraphs.join(QStringLiteral("\r\n\r\n"));
}

} // namespace

bool EnsureWordAvailable(EngineFactory &engines, MessageBoxes &boxes)
{
    std::unique_ptr<WordApplication> word;
    // Every failure of the check itself is silent: only the outcome counts.
    try {
        word = engines.createApplication();
    } catch (...) {
    }
    if (word) {
        try {
            word->quit();
        } catch (...) {
        }
        word.reset();
        return true;
    }
    boxes.show(notAvailableMessage(), AppInfo::applicationTitle(), BoxStyle::Information);
    return false;
}
