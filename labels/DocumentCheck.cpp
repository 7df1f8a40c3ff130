#include "labels/DocumentCheck.h"

#include <poppler-qt6.h>

#include <QFile>

#include <memory>

namespace {

// A Word 97 file is a compound file: its signature, then whole sectors.
QString compoundFileProblem(QFile &file)
{
    constexpr char kSignature[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
    if (file.read(8) != QByteArray(kSignature, 8))
        return QStringLiteral("it is not a Word 97 file");
    if (file.size() < 1024 || file.size() % 512 != 0)
        return QStringLiteral("it ends in the middle of a sector");
    return QString();
}

// Word 2007 and OpenDocument files are ZIP archives, whose directory is at the end.
QString zipProblem(QFile &file)
{
    if (file.read(4) != QByteArrayLiteral("PK\x03\x04"))
        return QStringLiteral("it is not a ZIP archive");
    constexpr qint64 kLongestEnd = 22 + 0xFFFF; // the end record and its comment
    file.seek(std::max<qint64>(0, file.size() - kLongestEnd));
    if (!file.readAll().contains(QByteArrayLiteral("PK\x05\x06")))
        return QStringLiteral("its archive has no end");
    return QString();
}

QString pdfProblem(const QString &path, qsizetype pages)
{
    const std::unique_ptr<Poppler::Document> pdf = Poppler::Document::load(path);
    if (!pdf || pdf->isLocked())
        return QStringLiteral("it does not open as a PDF");
    if (pages >= 0 && pdf->numPages() != pages)
        return QStringLiteral("it has %1 pages instead of %2").arg(pdf->numPages()).arg(pages);
    return QString();
}

} // namespace

QString DocumentProblem(const QString &path, DocumentFormat format, qsizetype pages)
{
    if (format == DocumentFormat::Pdf)
        return pdfProblem(path, pages);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    return format == DocumentFormat::Word97 ? compoundFileProblem(file) : zipProblem(file);
}
