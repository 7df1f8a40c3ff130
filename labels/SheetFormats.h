#pragma once

#include "labels/WordApplication.h"

#include <QFileInfo>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

// The formats a label document can be written in: the one table that the
// help text, the error messages, the extension check and the engine's
// choice of office filter (and its check for them at start) all read, so a
// new format is one row here. Header only: the engine module reads it too.
struct SheetFormat
{
    const char *extension; // without the dot, lower case
    DocumentFormat format;
    const char *officeFilter; // the office's export filter
    const char *description;
};

inline constexpr std::array<SheetFormat, 4> kSheetFormats = {{
    {"doc", DocumentFormat::Word97, "MS Word 97", "Word 97-2003, as the window saves"},
    {"docx", DocumentFormat::Word2007, "MS Word 2007 XML", "Word 2007 and later"},
    {"odt", DocumentFormat::OpenDocumentText, "writer8", "OpenDocument text"},
    {"pdf", DocumentFormat::Pdf, "writer_pdf_Export", "PDF, ready to print"},
}};

// The office filter for a format; null for none (a format without a row).
inline constexpr const char *OfficeFilterOf(DocumentFormat format)
{
    for (const SheetFormat &row : kSheetFormats) {
        if (row.format == format)
            return row.officeFilter;
    }
    return nullptr;
}

// The format a file name asks for by its extension, in any letter case;
// none for any other name.
inline std::optional<DocumentFormat> SheetFormatOf(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    for (const SheetFormat &row : kSheetFormats) {
        if (suffix == QLatin1String(row.extension))
            return row.format;
    }
    return std::nullopt;
}

// "a, b or c"
inline QString ListedWithOr(QStringList items)
{
    const QString last = items.takeLast();
    return items.isEmpty() ? last : items.join(QStringLiteral(", ")) + QStringLiteral(" or ") + last;
}

// ".doc, .docx, .odt or .pdf", for messages.
inline QString SheetExtensions()
{
    QStringList items;
    for (const SheetFormat &row : kSheetFormats)
        items << QLatin1Char('.') + QLatin1String(row.extension);
    return ListedWithOr(items);
}

// ".doc (Word 97-2003, as the window saves), .docx (...) ...", for help texts.
inline QString SheetFormatsDescribed()
{
    QStringList items;
    for (const SheetFormat &row : kSheetFormats)
        items << QStringLiteral(".%1 (%2)").arg(QLatin1String(row.extension), QLatin1String(row.description));
    return ListedWithOr(items);
}
