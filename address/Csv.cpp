#include "address/Csv.h"

#include "core/Failure.h"

#include <QStringDecoder>

namespace {

Failure failureAt(int line, const QString &what)
{
    return Failure(QStringLiteral("line %1: %2").arg(line).arg(what));
}

// The whole text as UTF-8, or the line of the first byte that is not.
// A multi-byte sequence never holds a line-feed byte, so lines can be
// checked one by one.
QString decode(const QByteArray &bytes)
{
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0)
        throw failureAt(int(bytes.left(nul).count('\n')) + 1,
                        QStringLiteral("holds a NUL character: this is not a text file"));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    int line = 1;
    for (const QByteArray &part : bytes.split('\n')) {
        QStringDecoder check(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString decoded = check(part);
        if (check.hasError())
            throw failureAt(line, QStringLiteral("is not UTF-8 text"));
        ++line;
    }
    throw failureAt(line - 1, QStringLiteral("is not UTF-8 text"));
}

} // namespace

namespace Csv {

QList<CsvRecord> read(const QByteArray &bytes)
{
    QString text = decode(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);

    QList<CsvRecord> records;
    const qsizetype size = text.size();
    qsizetype i = 0;
    int line = 1;

    // A line break at i (CR LF, LF or CR): its length, 0 when there is none.
    auto lineBreakAt = [&](qsizetype at) -> int {
        if (at >= size)
            return 0;
        if (text[at] == QLatin1Char('\r'))
            return at + 1 < size && text[at + 1] == QLatin1Char('\n') ? 2 : 1;
        return text[at] == QLatin1Char('\n') ? 1 : 0;
    };

    while (i < size) {
        CsvRecord record;
        record.line = line;
        for (;;) {
            QString field;
            if (i < size && text[i] == QLatin1Char('"')) {
                ++i;
                for (;;) {
                    if (i >= size)
                        throw failureAt(record.line, QStringLiteral("a quoted field is never closed"));
                    if (text[i] == QLatin1Char('"')) {
                        if (i + 1 < size && text[i + 1] == QLatin1Char('"')) {
                            field += QLatin1Char('"');
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    if (const int n = lineBreakAt(i)) {
                        field += QLatin1Char('\n');
                        i += n;
                        ++line;
                        continue;
                    }
                    field += text[i++];
                }
                if (i < size && text[i] != QLatin1Char(',') && !lineBreakAt(i))
                    throw failureAt(line, QStringLiteral("text follows the closing quote of a field"));
            } else {
                const qsizetype start = i;
                while (i < size && text[i] != QLatin1Char(',') && !lineBreakAt(i))
                    ++i;
                field = text.mid(start, i - start);
            }
            record.fields << field;
            if (i < size && text[i] == QLatin1Char(',')) {
                ++i;
                continue;
            }
            break;
        }
        if (const int n = lineBreakAt(i)) {
            i += n;
            ++line;
        }
        records << record;
    }
    return records;
}

} // namespace Csv
