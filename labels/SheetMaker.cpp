#include "labels/SheetMaker.h"

#include "core/Failure.h"
#include "core/FileUtils.h"
#include "core/TempFolder.h"
#include "labels/LabelGeneration.h"
#include "resources/Resources.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace {

// Runs a step of a procedure without reports: a failure ends the run.
void runDirectly(int, const std::function<void()> &action)
{
    action();
}

// The mode a newly created file gets: 0666 less the umask.
mode_t newFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

void WriteReplacing(const QString &target, const std::function<void(const QString &freshName)> &write)
{
    const QFileInfo info(target);
    if (target.isEmpty())
        throw Failure(QStringLiteral("No file name was given"));
    if (info.isDir())
        throw Failure(QStringLiteral("%1 is a folder").arg(info.absoluteFilePath()));
    // A file its owner made read-only is not replaced behind their back.
    if (info.exists() && !info.isWritable())
        throw Failure(QStringLiteral("%1 is read-only").arg(info.absoluteFilePath()));
    const QFileInfo folder(info.absolutePath());
    if (!folder.isDir())
        throw Failure(QStringLiteral("The folder %1 does not exist").arg(folder.absoluteFilePath()));

    // Hidden, beside the target, with the target's extension, which names the format.
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    QTemporaryFile fresh(info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".XXXXXX")
                         + suffix);
    if (!fresh.open())
        throw Failure(QStringLiteral("Cannot create a file in the folder %1: %2")
                          .arg(folder.absoluteFilePath(), fresh.errorString()));
    fresh.close();
    const QString freshName = fresh.fileName();

    write(freshName);

    const QFileInfo written(freshName);
    if (!written.isFile() || written.size() == 0)
        throw Failure(QStringLiteral("Nothing was written to %1").arg(info.absoluteFilePath()));
    struct stat old = {};
    const QByteArray targetBytes = QFile::encodeName(info.absoluteFilePath());
    const bool replacing = ::stat(targetBytes.constData(), &old) == 0 && S_ISREG(old.st_mode);
    ::chmod(QFile::encodeName(freshName).constData(), replacing ? (old.st_mode & 07777) : newFileMode());
    if (::rename(QFile::encodeName(freshName).constData(), targetBytes.constData()) != 0)
        throw Failure(QStringLiteral("Cannot write %1: %2")
                          .arg(info.absoluteFilePath(), QString::fromLocal8Bit(std::strerror(errno))));
    fresh.setAutoRemove(false);
}

void MakeLabelSheets(EngineFactory &engines, const QList<QStringList> &sheets, const QString &output,
                     const std::function<void(int sheetsDone)> &afterSheet)
{
    if (sheets.isEmpty())
        throw Failure(QStringLiteral("There are no addresses to make labels of"));
    const std::optional<DocumentFormat> format = SheetFormatOf(output);
    if (!format)
        throw Failure(QStringLiteral("%1: the name must end in %2").arg(output, SheetExtensions()));

    // A private folder for the template copy and the sheets on their way into
    // the document, so that nothing here meets the fixed names the window uses.
    const QTemporaryDir work(TemporaryPath(QStringLiteral("parcelon-sheets-XXXXXX")));
    if (!work.isValid())
        throw Failure(
            QStringLiteral("Cannot create a working folder in %1: %2").arg(TemporaryFolder(), work.errorString()));
    const QString templatePath = work.filePath(QString::fromLatin1(kTemplateFileName));
    const QByteArray templateBytes = TemplateBytes();
    if (templateBytes.isEmpty())
        throw Failure(QStringLiteral("The label template is not available"));
    WriteBytesReplacing(templateBytes, templatePath);

    WriteReplacing(output, [&](const QString &freshName) {
        std::unique_ptr<WordApplication> app = engines.createApplication();
        // The first sheet is filled in the document itself; every further
        // one in a second copy of the template, which is copied to the end
        // of the document and then taken back to its placeholders. So each
        // sheet is filled alone, exactly as the window fills its one sheet,
        // and the office opens the template only twice.
        WordDocument *result = app->open(templatePath, true);
        ReplacePlaceholders(
            app.get(), [&](int k) { return PlaceholderValue(sheets.first(), k); }, runDirectly);
        if (afterSheet)
            afterSheet(1);
        WordDocument *sheet = sheets.size() > 1 ? app->open(templatePath, true) : nullptr;
        for (qsizetype i = 1; i < sheets.size(); ++i) {
            const QStringList &fields = sheets[i];
            ReplacePlaceholders(
                app.get(), [&](int k) { return PlaceholderValue(fields, k); }, runDirectly);
            result->appendDocument(*sheet);
            sheet->undoAll();
            if (afterSheet)
                afterSheet(int(i + 1));
        }
        if (sheet)
            sheet->close();
        result->saveAsFormat(freshName, *format);
        app->setDisplayAlerts(false);
        result->close();
        app->quit();
    });
}

void MakeLabelSheets(EngineFactory &engines, const QList<SheetLabels> &sheets, const QString &output,
                     const std::function<void(int sheetsDone)> &afterSheet)
{
    QList<QStringList> wholeSheets;
    for (const SheetLabels &sheet : sheets) {
        for (const QStringList &label : sheet) {
            if (label.isEmpty() || label != sheet[0])
                throw Failure(QStringLiteral("A sheet of different or blank labels (one address per label) needs the "
                                             "sheet builder that fills each label on its own"));
            if (label.size() > 12 && !label[12].isEmpty())
                throw Failure(QStringLiteral("A country line (one address per label) needs the sheet builder that "
                                             "fills each label on its own"));
        }
        wholeSheets << sheet[0].mid(0, 12);
    }
    MakeLabelSheets(engines, wholeSheets, output, afterSheet);
}

void ConvertDocument(EngineFactory &engines, const QString &document, const QString &target, DocumentFormat format)
{
    WriteReplacing(target, [&](const QString &freshName) {
        std::unique_ptr<WordApplication> app = engines.createApplication();
        WordDocument *opened = app->open(document, true);
        opened->saveAsFormat(freshName, format);
        app->setDisplayAlerts(false);
        opened->close();
        app->quit();
    });
}
