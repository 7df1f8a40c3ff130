#include "labels/IsInstalled.h"

#include "core/AppInfo.h"
#include "core/MessageBoxes.h"
#include "labels/WordApplication.h"

#include <QStringList>

namespace {

const QString kNotCreated = QStringLiteral("Error 842001. A normal instance of Word could not be created.");

// Paragraphs are separated by an empty line (two CR LF pairs); no line break at the end.
QString notAvailableMessage()
{
    const QStringList paragraphs = {
        kNotCreated,
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

// An installed engine that failed to start (no room for its files, no
// answer in time): the cause, which installing would not cure.
QString notStartedMessage(const QString &cause)
{
    return kNotCreated + QStringLiteral("\r\n\r\nLibreOffice is installed but could not be started: ") + cause;
}

} // namespace

bool EnsureWordAvailable(EngineFactory &engines, MessageBoxes &boxes)
{
    std::unique_ptr<WordApplication> word;
    QString cause;
    // Every failure of the check itself is silent: only the outcome counts.
    try {
        word = engines.createApplication();
    } catch (const EngineMissing &) {
    } catch (const EngineError &error) {
        cause = error.description();
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
    boxes.show(cause.isEmpty() ? notAvailableMessage() : notStartedMessage(cause), AppInfo::applicationTitle(),
               BoxStyle::Information);
    return false;
}
