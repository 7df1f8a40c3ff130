#include "address/Csv.h"

#include "core/Failure.h"

#include <QIODevice>
#include <QRegularExpression>
#include <QStringDecoder>

namespace {

constexpr qint64 kChunkBytes = 64 * 1024;

Failure failureAt(int line, const QString &what)
{
    return Failure(QStringLiteral("line %1: %2").arg(line).arg(what));
}

// Qt's decoder for the code page (ICU's table: the five bytes the code page
// leaves free keep their Latin-1 value, as Windows reads them).
QString fromWindows1252(const QByteArray &bytes)
{
    QStringDecoder windows1252("windows-1252", QStringDecoder::Flag::Stateless);
    if (!windows1252.isValid())
        throw Failure(QStringLiteral("this Qt cannot read Windows-1252 text"));
    return windows1252(bytes);
}

bool hasNonAscii(const QByteArray &bytes)
{
    for (const char byte : bytes) {
        if (uchar(byte) >= 0x80)
            return true;
    }
    return false;
}

// The delimiter the header line uses most, outside quotes; a comma when it
// uses none (a list of one column).
QChar detectDelimiter(const QString &line)
{
    int commas = 0, tabs = 0, semicolons = 0;
    bool quoted = false;
    for (const QChar c : line) {
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (quoted)
            continue;
        else if (c == QLatin1Char(','))
            ++commas;
        else if (c == QLatin1Char('\t'))
            ++tabs;
        else if (c == QLatin1Char(';'))
            ++semicolons;
    }
    if (tabs > commas && tabs >= semicolons)
        return QLatin1Char('\t');
    if (semicolons > commas && semicolons > tabs)
        return QLatin1Char(';');
    return QLatin1Char(',');
}

} // namespace

CsvReader::CsvReader(QIODevice &device)
    : m_device(device)
{
}

bool CsvReader::fill(qsizetype needed)
{
    while (m_buffer.size() - m_pos < needed && !m_atEnd) {
        if (m_pos > 0) {
            m_buffer.remove(0, m_pos);
            m_pos = 0;
        }
        const qsizetype had = m_buffer.size();
        m_buffer.resize(had + kChunkBytes);
        const qint64 got = m_device.read(m_buffer.data() + had, kChunkBytes);
        if (got < 0)
            throw failureAt(m_line + 1, QStringLiteral("cannot be read: %1").arg(m_device.errorString()));
        m_buffer.resize(had + got);
        m_atEnd = got == 0;
    }
    return m_buffer.size() - m_pos >= needed;
}

char16_t CsvReader::unitAt(qsizetype at) const
{
    const uchar first = uchar(m_buffer[at]);
    switch (m_encoding) {
    case Encoding::Utf16LE: return char16_t(first | uchar(m_buffer[at + 1]) << 8);
    case Encoding::Utf16BE: return char16_t(first << 8 | uchar(m_buffer[at + 1]));
    default: return first;
    }
}

bool CsvReader::readLineBytes(QByteArray &line)
{
    line.clear();
    const int unit = m_encoding == Encoding::Utf16LE || m_encoding == Encoding::Utf16BE ? 2 : 1;
    if (!fill(unit)) {
        // The end, or an odd last byte of UTF-16, which decode() refuses.
        line = m_buffer.mid(m_pos);
        m_pos = m_buffer.size();
        return !line.isEmpty();
    }
    for (;;) {
        if (!fill(unit)) { // the file ends without a line break
            line += m_buffer.mid(m_pos);
            m_pos = m_buffer.size();
            return true;
        }
        const qsizetype end = m_buffer.size() - (m_buffer.size() - m_pos) % unit;
        qsizetype i = m_pos;
        while (i < end && unitAt(i) != u'\n' && unitAt(i) != u'\r')
            i += unit;
        line.append(m_buffer.constData() + m_pos, i - m_pos);
        m_pos = i;
        if (m_recordBytes + line.size() > kMaxRecordBytes) {
            const int at = m_line + 1;
            throw m_recordStart == at
                ? failureAt(at, QStringLiteral("longer than 64 KiB, far more than an address takes"))
                : failureAt(m_recordStart,
                            QStringLiteral("the row that starts here runs on for more than 64 KiB "
                                           "(is a quote never closed?)"));
        }
        if (i < end) {
            const char16_t lineBreak = unitAt(i);
            m_pos += unit;
            if (lineBreak == u'\r' && fill(unit) && unitAt(m_pos) == u'\n')
                m_pos += unit;
            return true;
        }
    }
}

QString CsvReader::decode(const QByteArray &bytes)
{
    QString text;
    switch (m_encoding) {
    case Encoding::Utf16LE:
    case Encoding::Utf16BE: {
        QStringDecoder utf16(m_encoding == Encoding::Utf16LE ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE,
                             QStringDecoder::Flag::Stateless);
        text = utf16(bytes);
        if (utf16.hasError() || bytes.size() % 2)
            throw failureAt(m_line, QStringLiteral("is not UTF-16 text"));
        break;
    }
    case Encoding::Utf8: {
        // A line break byte is never part of a longer UTF-8 sequence, so each
        // line decodes on its own. Text that is ASCII up to a line that is not
        // UTF-8 is taken as Windows-1252 from the start, which it equals.
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        text = utf8(bytes);
        if (!utf8.hasError()) {
            m_sawNonAscii = m_sawNonAscii || hasNonAscii(bytes);
            break;
        }
        if (m_hadBom || m_sawNonAscii)
            throw failureAt(m_line, QStringLiteral("is not UTF-8 text, though the lines before it are"));
        m_encoding = Encoding::Windows1252;
        text = fromWindows1252(bytes);
        break;
    }
    case Encoding::Windows1252: text = fromWindows1252(bytes); break;
    }
    if (text.contains(QChar(0)))
        throw failureAt(m_line, QStringLiteral("holds a NUL character: this is not a text file"));
    return text;
}

bool CsvReader::readLine(QString &line)
{
    if (!m_started) {
        m_started = true;
        fill(3);
        const QByteArray start = m_buffer.left(3);
        if (start.startsWith("\xEF\xBB\xBF")) {
            m_hadBom = true;
            m_pos = 3;
        } else if (start.startsWith("\xFF\xFE")) {
            m_encoding = Encoding::Utf16LE;
            m_pos = 2;
        } else if (start.startsWith("\xFE\xFF")) {
            m_encoding = Encoding::Utf16BE;
            m_pos = 2;
        }
    }
    QByteArray bytes;
    if (!readLineBytes(bytes))
        return false;
    ++m_line;
    m_recordBytes += bytes.size() + 1;
    line = decode(bytes);
    return true;
}

bool CsvReader::next(CsvRecord &record)
{
    m_recordBytes = 0;
    m_recordStart = m_line + 1;
    QString line;
    if (!readLine(line))
        return false;
    // Before the first line with text: Excel's "sep=;" names the delimiter
    // and is no record; a blank line or one of separators only (as eBay's
    // reports start) is a record of one empty field.
    while (m_delimiter.isNull()) {
        static const QRegularExpression sepLine(QStringLiteral("^\"?sep=(.)\"?\\s*$"),
                                                QRegularExpression::CaseInsensitiveOption);
        static const QRegularExpression separatorsOnly(QStringLiteral("^[\\s,;]*$"));
        const QRegularExpressionMatch sep = sepLine.match(line);
        if (sep.hasMatch()) {
            m_delimiter = sep.captured(1).at(0);
            m_recordBytes = 0;
            m_recordStart = m_line + 1;
            if (!readLine(line))
                return false;
            break;
        }
        if (separatorsOnly.match(line).hasMatch()) {
            record.line = m_line;
            record.fields = QStringList{QString()};
            return true;
        }
        m_delimiter = detectDelimiter(line);
    }
    record.line = m_line;
    record.fields.clear();
    qsizetype i = 0;
    for (;;) {
        QString field;
        if (i < line.size() && line[i] == QLatin1Char('"')) {
            const qsizetype start = i;
            const int startLine = m_line;
            ++i;
            for (;;) {
                if (i >= line.size()) { // the field goes on on the next line
                    if (!readLine(line))
                        throw failureAt(record.line, QStringLiteral("a quoted field is never closed"));
                    field += QLatin1Char('\n');
                    i = 0;
                    continue;
                }
                if (line[i] == QLatin1Char('"')) {
                    if (i + 1 < line.size() && line[i + 1] == QLatin1Char('"')) {
                        field += QLatin1Char('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                qsizetype quote = line.indexOf(QLatin1Char('"'), i);
                if (quote < 0)
                    quote = line.size();
                field += QStringView(line).sliced(i, quote - i);
                i = quote;
            }
            if (i < line.size() && line[i] != m_delimiter) {
                // A field that only starts with a quoted word ("Bud" Smith, as
                // shops that never quote write it) is taken as it stands, as
                // spreadsheets take it; one whose quotes ran over lines is not.
                if (m_line != startLine)
                    throw failureAt(m_line, QStringLiteral("text follows the closing quote of a field"));
                qsizetype delimiter = line.indexOf(m_delimiter, start);
                if (delimiter < 0)
                    delimiter = line.size();
                field = line.mid(start, delimiter - start);
                i = delimiter;
            }
        } else {
            qsizetype delimiter = line.indexOf(m_delimiter, i);
            if (delimiter < 0)
                delimiter = line.size();
            field = line.mid(i, delimiter - i);
            i = delimiter;
        }
        record.fields << field;
        if (i < line.size()) { // at a delimiter
            ++i;
            continue;
        }
        return true;
    }
}
