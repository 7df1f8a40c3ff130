#include "core/SettingsIni.h"

#include <algorithm>

namespace {

bool isHexDigit(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
        || (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

// A string value as QSettings writes it and reads it back unchanged: a
// leading '@' doubled (so it is never taken for a typed value), backslash
// escapes for quotes, backslashes and control characters, everything else as
// UTF-8, and quotes around values that hold separators or begin or end with a
// blank (a bare comma would split the value into a list). QSettings reads as
// many hex digits as follow "\x", so a hex digit right after such an escape
// is escaped too.
QByteArray iniValue(const QString &value)
{
    QString text = value.startsWith(QLatin1Char('@')) ? QLatin1Char('@') + value : value;
    QString out;
    bool afterHexEscape = false;
    for (QChar c : text) {
        const ushort u = c.unicode();
        if (c == QLatin1Char('"') || c == QLatin1Char('\\')) {
            out += QLatin1Char('\\') + c;
            afterHexEscape = false;
        } else if (u == '\n') {
            out += QStringLiteral("\\n");
            afterHexEscape = false;
        } else if (u == '\r') {
            out += QStringLiteral("\\r");
            afterHexEscape = false;
        } else if (u == '\t') {
            out += QStringLiteral("\\t");
            afterHexEscape = false;
        } else if (u < 0x20 || u == 0x7f || (afterHexEscape && isHexDigit(c))) {
            out += QStringLiteral("\\x") + QString::number(u, 16);
            afterHexEscape = true;
        } else {
            out += c;
            afterHexEscape = false;
        }
    }
    const bool quote = text.contains(QLatin1Char(',')) || text.contains(QLatin1Char(';'))
        || text.contains(QLatin1Char('=')) || text.contains(QLatin1Char('#')) || text.startsWith(QLatin1Char(' '))
        || text.endsWith(QLatin1Char(' '));
    if (quote)
        out = QLatin1Char('"') + out + QLatin1Char('"');
    return out.toUtf8();
}

// A key as QSettings writes it: letters, digits, '-', '_' and '.' as they are,
// '/' (below a group) as '\\', anything else as %XX or %UXXXX.
QByteArray iniKey(const QString &key)
{
    QByteArray out;
    for (QChar c : key) {
        const ushort u = c.unicode();
        if (c == QLatin1Char('/'))
            out += '\\';
        else if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '-' || u == '_'
                 || u == '.')
            out += char(u);
        else if (u <= 0xff)
            out += '%' + QByteArray::number(u, 16).rightJustified(2, '0').toUpper();
        else
            out += "%U" + QByteArray::number(u, 16).rightJustified(4, '0').toUpper();
    }
    return out;
}

// A key or section name as QSettings reads it back.
QString iniUnescapedKey(QByteArrayView raw)
{
    const QString text = QString::fromUtf8(raw);
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('\\')) {
            out += QLatin1Char('/');
            continue;
        }
        if (text[i] == QLatin1Char('%') && i + 1 < text.size()) {
            const int digits = text[i + 1] == QLatin1Char('U') ? 4 : 2;
            const qsizetype first = i + 1 + (digits == 4 ? 1 : 0);
            bool ok = false;
            const ushort code = first + digits <= text.size()
                ? QStringView(text).sliced(first, digits).toUShort(&ok, 16)
                : 0;
            if (ok) {
                out += QChar(code);
                i = first + digits - 1;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

int digitValue(char c, int base)
{
    const int v = c >= '0' && c <= '9' ? c - '0'
        : c >= 'a' && c <= 'f'         ? c - 'a' + 10
        : c >= 'A' && c <= 'F'         ? c - 'A' + 10
                                       : 99;
    return v < base ? v : -1;
}

// A value as QSettings reads a string, with one difference: an unquoted comma
// is part of the text. QSettings would split "Acme, Inc." typed into the file
// by hand into a list, which reads back as an empty string.
QString iniUnescapedValue(QByteArrayView s)
{
    QString out;
    const qsizetype n = s.size();
    qsizetype i = 0;
    bool inQuotes = false;
    bool quoted = false;
    bool chop = true;   // QSettings keeps trailing blanks before a backslash that ends the value
    qsizetype kept = 0; // blanks before this length are the value's own (escaped or quoted)
    const auto skipBlanks = [&] {
        while (i < n && (s[i] == ' ' || s[i] == '\t'))
            ++i;
    };
    skipBlanks();
    while (i < n) {
        const char c = s[i];
        if (c == '\\') {
            if (++i >= n) {
                chop = false;
                break;
            }
            const char e = s[i++];
            switch (e) {
            case 'a': out += QChar(u'\a'); break;
            case 'b': out += QChar(u'\b'); break;
            case 'f': out += QChar(u'\f'); break;
            case 'n': out += QChar(u'\n'); break;
            case 'r': out += QChar(u'\r'); break;
            case 't': out += QChar(u'\t'); break;
            case 'v': out += QChar(u'\v'); break;
            case '"':
            case '?':
            case '\'':
            case '\\': out += QLatin1Char(e); break;
            default:
                if (e == 'x' || digitValue(e, 8) >= 0) {
                    const int base = e == 'x' ? 16 : 8;
                    ushort code = e == 'x' ? 0 : ushort(e - '0');
                    bool any = e != 'x';
                    for (int d; i < n && (d = digitValue(s[i], base)) >= 0; ++i, any = true)
                        code = ushort(code * base + d);
                    if (any)
                        out += QChar(code);
                } else if ((e == '\n' || e == '\r') && i < n && (s[i] == '\n' || s[i] == '\r') && s[i] != e) {
                    ++i; // a continued line
                }
            }
            kept = out.size();
        } else if (c == '"') {
            ++i;
            quoted = true;
            inQuotes = !inQuotes;
            if (!inQuotes) {
                skipBlanks();
                kept = out.size();
            }
        } else {
            qsizetype j = i + 1;
            while (j < n && s[j] != '\\' && s[j] != '"')
                ++j;
            out += QString::fromUtf8(s.sliced(i, j - i));
            i = j;
        }
    }
    if (chop && !quoted) {
        while (out.size() > kept && (out.endsWith(QLatin1Char(' ')) || out.endsWith(QLatin1Char('\t'))))
            out.chop(1);
    }
    return out.startsWith(QStringLiteral("@@")) ? out.mid(1) : out;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

struct Line
{
    qsizetype start = 0;
    qsizetype end = 0;
    qsizetype equals = -1;
    bool openQuote = false;
};

// The next line as QSettings cuts the file: blanks and ';' comment lines are
// skipped, a quoted part may run over line ends, a backslash takes the next
// character with it, and an unquoted ';' ends the line (the rest of the row
// is a comment).
bool nextLine(QByteArrayView data, qsizetype &pos, Line &line)
{
    const qsizetype n = data.size();
    qsizetype start = pos;
    while (start < n && isBlank(data[start]))
        ++start;
    bool inQuotes = false;
    line.equals = -1;
    qsizetype i = start;
    while (i < n) {
        const char c = data[i++];
        if (c == '=') {
            if (!inQuotes && line.equals < 0)
                line.equals = i - 1;
        } else if (c == '\n' || c == '\r') {
            if (i == start + 1) {
                ++start;
            } else if (!inQuotes) {
                --i;
                break;
            }
        } else if (c == '\\') {
            if (i < n) {
                const char next = data[i++];
                if (i < n && ((next == '\n' && data[i] == '\r') || (next == '\r' && data[i] == '\n')))
                    ++i;
            }
        } else if (c == '"') {
            inQuotes = !inQuotes;
        } else if (c == ';') {
            if (i == start + 1) {
                while (i < n && data[i] != '\n' && data[i] != '\r')
                    ++i;
                while (i < n && isBlank(data[i]))
                    ++i;
                start = i;
            } else if (!inQuotes) {
                --i;
                break;
            }
        }
    }
    pos = i;
    line.start = start;
    line.end = i;
    line.openQuote = inQuotes;
    return i > start;
}

} // namespace

SettingsIni::SettingsIni(const QByteArray &data, const QString &section)
    : m_data(data)
    , m_section(section)
{
    const qsizetype firstEol = data.indexOf('\n');
    if (firstEol > 0 && data[firstEol - 1] == '\r')
        m_eol = "\r\n";
    if (const qsizetype nuls = data.count('\0'))
        m_damage = QStringLiteral("it holds %1 NUL %2 (byte value 0), so it is no text file")
                       .arg(nuls)
                       .arg(nuls == 1 ? QStringLiteral("byte") : QStringLiteral("bytes"));
    const auto damageAt = [&](qsizetype pos, const char *what) {
        if (m_damage.isEmpty())
            m_damage = QStringLiteral("line %1 %2")
                           .arg(std::count(data.begin(), data.begin() + pos, '\n') + 1)
                           .arg(QLatin1String(what));
    };
    const auto endOfRow = [&](qsizetype pos) {
        while (pos < data.size() && data[pos] != '\n' && data[pos] != '\r')
            ++pos;
        return pos;
    };

    bool inSection = false;
    qsizetype pos = data.startsWith("\xef\xbb\xbf") ? 3 : 0;
    Line line;
    while (nextLine(data, pos, line)) {
        const QByteArrayView text = QByteArrayView(data).sliced(line.start, line.end - line.start);
        if (line.openQuote)
            damageAt(line.start, "opens a quotation mark that is never closed");
        if (text.startsWith('[')) {
            qsizetype close = text.indexOf(']');
            if (close < 0) {
                damageAt(line.start, "has a section name without its closing bracket");
                close = text.size();
            }
            inSection = iniUnescapedKey(text.sliced(1, close - 1).trimmed()) == section;
            if (inSection)
                m_insertAt = endOfRow(line.end);
        } else if (line.equals < 0) {
            // QSettings reads past such a line in another program's section
            // without a word; in ours it would flag the file as damaged.
            if (inSection && !text.startsWith('#'))
                damageAt(line.start, "is not a setting");
        } else if (inSection) {
            const QByteArrayView key = QByteArrayView(data).sliced(line.start, line.equals - line.start).trimmed();
            m_keys.append({iniUnescapedKey(key), line.start, line.end, line.equals});
            m_insertAt = endOfRow(line.end);
        }
    }
}

const SettingsIni::KeyLine *SettingsIni::find(const QString &key) const
{
    const auto it = std::find_if(m_keys.crbegin(), m_keys.crend(), [&](const KeyLine &k) { return k.key == key; });
    return it == m_keys.crend() ? nullptr : &*it;
}

std::optional<QString> SettingsIni::value(const QString &key) const
{
    const KeyLine *line = find(key);
    if (!line)
        return std::nullopt;
    return iniUnescapedValue(QByteArrayView(m_data).sliced(line->equals + 1, line->end - line->equals - 1));
}

QByteArray SettingsIni::withValue(const QString &key, const QString &value) const
{
    QByteArray data = m_data;
    const QByteArray line = iniKey(key) + '=' + iniValue(value);
    if (const KeyLine *old = find(key)) {
        if (QByteArrayView(data).sliced(old->start, old->end - old->start).trimmed() != line)
            data.replace(old->start, old->end - old->start, line);
    } else if (m_insertAt >= 0) {
        data.insert(m_insertAt, m_eol + line);
    } else {
        if (!data.isEmpty() && !data.endsWith('\n') && !data.endsWith('\r'))
            data += m_eol;
        if (!data.isEmpty())
            data += m_eol;
        data += '[' + iniKey(m_section) + ']' + m_eol + line + m_eol;
    }
    return data;
}
