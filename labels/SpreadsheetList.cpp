#include "labels/SpreadsheetList.h"

#include "core/Failure.h"
#include "core/OwnedTemporaries.h"
#include "core/TempFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

// A sheet of a million rows of text is far beyond any list the reader takes
// (it stops at 10,000 addresses); this keeps the program's memory bounded.
constexpr qint64 kMaxSheetText = 256 * 1024 * 1024;

} // namespace

QStringList SpreadsheetExtensions()
{
    return {QStringLiteral("xlsx"), QStringLiteral("xlsm"), QStringLiteral("xls"), QStringLiteral("ods")};
}

bool IsSpreadsheetFile(const QString &path)
{
    return SpreadsheetExtensions().contains(QFileInfo(path).suffix().toLower());
}

FirstSheet ReadFirstSheet(EngineFactory &engines, const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw Failure(QStringLiteral("cannot read %1: there is no such file").arg(path));
    if (!info.isFile())
        throw Failure(QStringLiteral("cannot read %1: it is not a file").arg(path));
    if (!info.isReadable())
        throw Failure(QStringLiteral("cannot read %1: permission denied").arg(path));
    // The text holds the addresses: it lives in a folder of the program's
    // own, named so that a later start removes it should this one be killed.
    QTemporaryDir folder(TemporaryPath(OwnedTemporaryName(QStringLiteral("parcelon-spreadsheet."))));
    if (!folder.isValid())
        throw Failure(QStringLiteral("cannot read %1: no working folder in %2: %3")
                          .arg(path, TemporaryFolder(), folder.errorString()));
    FirstSheet sheet;
    try {
        std::unique_ptr<WordApplication> app = engines.createApplication();
        sheet.sheets = app->storeFirstSheetAsCsv(info.absoluteFilePath(), folder.path());
        app->quit();
    } catch (const EngineError &error) {
        throw Failure(error.description());
    }
    // The office names the file itself; the folder holds nothing else.
    const QFileInfoList written = QDir(folder.path()).entryInfoList({QStringLiteral("*.csv")}, QDir::Files);
    if (written.size() != 1)
        throw Failure(QStringLiteral("cannot read %1: LibreOffice wrote no text of its first sheet").arg(path));
    QFile text(written.first().absoluteFilePath());
    if (text.size() > kMaxSheetText)
        throw Failure(
            QStringLiteral("cannot read %1: its first sheet is far longer than any list of addresses").arg(path));
    if (!text.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("cannot read %1: %2").arg(path, text.errorString()));
    sheet.csv = text.readAll();
    return sheet;
}

QString FirstSheetNotice(const QString &path, const FirstSheet &sheet)
{
    const QString name = sheet.sheets.value(0);
    if (sheet.sheets.size() == 1)
        return QStringLiteral("%1: read its one sheet, \"%2\"").arg(path, name);
    return QStringLiteral("%1: read the first sheet, \"%2\", of %3").arg(path, name).arg(sheet.sheets.size());
}
