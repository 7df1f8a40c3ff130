#include "widgets/StyleSheetCheck.h"

#include <QWidget>

namespace {

constexpr char kProbeName[] = "parcelonStyleSheetProbe";
constexpr int kProbeWidth = 4321;

QtMessageHandler g_previousHandler = nullptr;
bool g_parseFailed = false;

void catchParseWarning(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.startsWith(QLatin1String("Could not parse stylesheet")))
        g_parseFailed = true;
    else if (g_previousHandler)
        g_previousHandler(type, context, message);
}

} // namespace

// Qt has no public validator, but it shows what it made of a sheet. A widget's
// sheet that does not parse is read again as the declarations of "* { ... }",
// which takes nearly any text, and only when that fails too Qt warns. So a
// probe rule goes after the sheet: it takes effect only when Qt read the whole
// text as rules. The empty at-rule before it ends any selector left dangling.
bool IsValidStyleSheet(const QString &sheet)
{
    const QString probed = sheet
        + QStringLiteral("\n@parcelon-check {}\nQWidget#%1 { min-width: %2px; }")
              .arg(QLatin1String(kProbeName))
              .arg(kProbeWidth);
    g_parseFailed = false;
    g_previousHandler = qInstallMessageHandler(catchParseWarning);
    int width = 0;
    {
        QWidget probe;
        probe.setObjectName(QLatin1String(kProbeName));
        probe.setStyleSheet(probed);
        probe.ensurePolished();
        width = probe.minimumWidth();
    }
    qInstallMessageHandler(g_previousHandler);
    return width == kProbeWidth && !g_parseFailed;
}
