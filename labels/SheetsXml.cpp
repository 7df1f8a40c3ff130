#include "labels/SheetsXml.h"

#include "core/Failure.h"
#include "labels/LabelFit.h"
#include "labels/LabelGeneration.h"

#include <QRegularExpression>

#include <algorithm>

namespace {

Failure notASheet(const QString &why)
{
    return Failure(QStringLiteral("The label template cannot be filled as a list: %1").arg(why));
}

// The value of an attribute in a start tag ("" when absent).
QByteArray attribute(const QByteArray &tag, const QByteArray &name)
{
    const QByteArray key = ' ' + name + "=\"";
    const qsizetype at = tag.indexOf(key);
    if (at < 0)
        return {};
    const qsizetype from = at + key.size();
    return tag.mid(from, tag.indexOf('"', from) - from);
}

QByteArray withAttribute(QByteArray tag, const QByteArray &name, const QByteArray &value)
{
    const QByteArray key = ' ' + name + "=\"";
    const qsizetype at = tag.indexOf(key);
    if (at < 0) {
        const qsizetype end = tag.endsWith("/>") ? tag.size() - 2 : tag.size() - 1;
        return tag.insert(end, key + value + '"');
    }
    const qsizetype from = at + key.size();
    return tag.replace(from, tag.indexOf('"', from) - from, value);
}

QByteArray points(double value)
{
    return QByteArray::number(value, 'g', 6) + "pt";
}

QByteArray paragraphStyle(const QByteArray &name, const QByteArray &parent, double size)
{
    return "<style:style style:name=\"" + name + "\" style:family=\"paragraph\" style:parent-style-name=\"" + parent
        + "\"><style:text-properties fo:font-size=\"" + points(size) + "\" style:font-size-asian=\"" + points(size)
        + "\" style:font-size-complex=\"" + points(size) + "\"/></style:style>";
}

QByteArray recipientStyleName(int step)
{
    return "ParcelonRecipientText" + QByteArray::number(step);
}

QByteArray senderStyleName(int step)
{
    return "ParcelonSenderText" + QByteArray::number(step);
}

const QByteArray kBreakStyleName = "ParcelonSheetTable";

} // namespace

SheetsXml::SheetsXml(const QByteArray &xml, const LabelStock &stock)
    : m_stock(stock)
{
    const qsizetype tableAt = xml.indexOf("<table:table ");
    const qsizetype tableEnd = xml.indexOf("</table:table>");
    if (tableAt < 0 || tableEnd < tableAt)
        throw notASheet(QStringLiteral("it holds no table"));
    if (xml.indexOf("<table:table ", tableAt + 1) >= 0)
        throw notASheet(QStringLiteral("it holds more than one table"));
    const qsizetype tableTagEnd = xml.indexOf('>', tableAt) + 1;
    const QByteArray tableTag = xml.mid(tableAt, tableTagEnd - tableAt);
    m_tableName = attribute(tableTag, "table:name");
    m_tableStart = tableTag;
    const QByteArray tableStyle = attribute(tableTag, "table:style-name");

    // The label cells: those holding the first placeholder.
    const QByteArray firstPhrase(kPlaceholders[0].phrase);
    const qsizetype afterTable = tableEnd + qsizetype(sizeof("</table:table>") - 1);
    std::vector<std::pair<qsizetype, qsizetype>> cells; // inner XML of each label cell
    for (qsizetype at = xml.indexOf("<table:table-cell", tableTagEnd); at >= 0 && at < tableEnd;
         at = xml.indexOf("<table:table-cell", at + 1)) {
        const qsizetype inner = xml.indexOf('>', at) + 1;
        if (xml.at(inner - 2) == '/')
            continue;
        const qsizetype end = xml.indexOf("</table:table-cell>", inner);
        if (end < 0 || end > tableEnd)
            throw notASheet(QStringLiteral("a cell of its table is not closed"));
        if (xml.mid(inner, end - inner).contains(firstPhrase))
            cells.emplace_back(inner, end);
    }
    if (cells.size() != size_t(stock.labels()))
        throw notASheet(QStringLiteral("its table has %1 labels, not %2").arg(cells.size()).arg(stock.labels()));
    m_cells.resize(cells.size());

    qsizetype from = tableTagEnd;
    const QRegularExpression bookmarks(QStringLiteral("<text:bookmark(-start|-end)? [^>]*/>| xml:id=\"[^\"]*\""));
    for (int label = 0; label < stock.labels(); ++label) {
        const auto [inner, end] = cells[size_t(label)];
        m_between.push_back(xml.mid(from, inner - from));
        from = end;
        const QByteArray cellXml = xml.mid(inner, end - inner);
        // Where each placeholder stands, and where the country line goes:
        // after the paragraph of the recipient's city line.
        std::vector<std::pair<qsizetype, int>> marks;
        for (int block = 1; block <= 8; ++block) {
            const QByteArray phrase(kPlaceholders[size_t(block - 1)].phrase);
            const qsizetype at = cellXml.indexOf(phrase);
            if (at < 0 || cellXml.indexOf(phrase, at + 1) >= 0)
                throw notASheet(QStringLiteral("label %1 does not hold \"%2\" once").arg(label + 1).arg(phrase));
            marks.emplace_back(at, block);
            if (block == 8) {
                const qsizetype paragraphEnd = cellXml.indexOf("</text:p>", at);
                if (paragraphEnd < 0)
                    throw notASheet(QStringLiteral("its city line is not a paragraph"));
                marks.emplace_back(paragraphEnd + qsizetype(sizeof("</text:p>") - 1), kCountry);
            }
        }
        std::sort(marks.begin(), marks.end());
        Cell &cell = m_cells[size_t(label)];
        qsizetype piece = 0;
        for (const auto &[at, block] : marks) {
            const qsizetype tagAt = cellXml.lastIndexOf("<text:p ", at);
            if (tagAt < 0)
                throw notASheet(QStringLiteral("a placeholder stands outside a paragraph"));
            QByteArray tag = cellXml.mid(tagAt, cellXml.indexOf('>', tagAt) + 1 - tagAt);
            if (tag.endsWith("/>"))
                tag.replace(tag.size() - 2, 2, ">");
            cell.push_back({cellXml.mid(piece, at - piece), {}, block, tag, {}});
            piece = block == kCountry ? at : at + qsizetype(qstrlen(kPlaceholders[size_t(block - 1)].phrase));
        }
        cell.push_back({cellXml.mid(piece), {}, 0, {}, {}});
        // A replacement in the office leaves a placeholder's bookmark around
        // the value's first character, which makes the office lay out that
        // character apart from the next (no kerning between them): kept so
        // on the sheet that has the bookmarks.
        static const QRegularExpression bookmarkEnd(QStringLiteral("^<text:bookmark-end [^>]*/>"));
        for (size_t i = 0; i + 1 < cell.size(); ++i) {
            Piece &next = cell[i + 1];
            const QRegularExpressionMatch end = bookmarkEnd.match(QString::fromUtf8(next.xml.left(200)));
            if (cell[i].block >= 1 && cell[i].block <= 8 && end.hasMatch()) {
                cell[i].closing = end.captured().toUtf8();
                next.xml.remove(0, cell[i].closing.size());
            }
        }
        for (Piece &p : cell) {
            p.xmlOfCopy = QString::fromUtf8(p.xml).remove(bookmarks).toUtf8();
            p.paragraphTag = QString::fromUtf8(p.paragraphTag).remove(bookmarks).toUtf8();
        }
        if (label == 0) {
            for (const Piece &p : cell) {
                if (p.block == 1)
                    m_senderStyle = attribute(p.paragraphTag, "text:style-name");
                if (p.block == 5)
                    m_recipientStyle = attribute(p.paragraphTag, "text:style-name");
            }
        }
    }
    m_between.push_back(xml.mid(from, afterTable - from));

    // The paragraph after the table goes after every sheet's table.
    static const QRegularExpression emptyParagraph(QStringLiteral("^\\s*<text:p [^>]*/>"));
    const QRegularExpressionMatch after = emptyParagraph.match(QString::fromUtf8(xml.mid(afterTable, 400)));
    const qsizetype afterLength = after.hasMatch() ? after.capturedView().toUtf8().size() : 0;
    m_afterTable = xml.mid(afterTable, afterLength);
    m_tail = xml.mid(afterTable + afterLength);

    // The styles the copies need: a table that starts on a new page, and the
    // smaller text sizes.
    const qsizetype stylesEnd = xml.indexOf("</office:automatic-styles>");
    if (stylesEnd < 0 || stylesEnd > tableAt)
        throw notASheet(QStringLiteral("it has no automatic styles"));
    QByteArray added;
    const QByteArray styleKey = "<style:style style:name=\"" + tableStyle + "\" style:family=\"table\"";
    const qsizetype tableStyleAt = tableStyle.isEmpty() ? -1 : xml.indexOf(styleKey);
    if (tableStyleAt >= 0 && tableStyleAt < stylesEnd) {
        QByteArray copy = xml.mid(tableStyleAt, xml.indexOf("</style:style>", tableStyleAt) + 14 - tableStyleAt);
        copy = withAttribute(copy.left(copy.indexOf('>') + 1), "style:name", kBreakStyleName)
            + copy.mid(copy.indexOf('>') + 1);
        const qsizetype properties = copy.indexOf("<style:table-properties");
        if (properties < 0)
            throw notASheet(QStringLiteral("its table has no properties"));
        copy.insert(properties + qsizetype(sizeof("<style:table-properties") - 1), " fo:break-before=\"page\"");
        added += copy;
    } else {
        added += "<style:style style:name=\"" + kBreakStyleName
            + "\" style:family=\"table\"><style:table-properties fo:break-before=\"page\"/></style:style>";
    }
    for (int step = 1; step < kLabelTextSteps; ++step) {
        const LabelTextSize size = LabelTextSizeAt(stock, step);
        added += paragraphStyle(recipientStyleName(step), m_recipientStyle, size.recipientPoints);
        added += paragraphStyle(senderStyleName(step), m_senderStyle, size.senderPoints);
    }
    m_head = xml.left(stylesEnd) + added + xml.mid(stylesEnd, tableAt - stylesEnd);
}

QByteArray SheetsXml::escapedText(const QString &value, const QByteArray &afterFirst)
{
    // Control characters have no printable form (and the Word format uses
    // them for its structure); the office's own replacement drops a carriage
    // return too. Half a surrogate pair is no character.
    QString clean;
    clean.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c.unicode() < 0x20 && c != u'\t' && c != u'\n')
            continue;
        if (c.isHighSurrogate() && i + 1 < value.size() && value.at(i + 1).isLowSurrogate()) {
            clean += c;
            clean += value.at(++i);
        } else if (c.isSurrogate() || c.unicode() == 0xFFFE || c.unicode() == 0xFFFF) {
            clean += QChar::ReplacementCharacter;
        } else {
            clean += c;
        }
    }
    const qsizetype first = clean.isEmpty() ? 0 : (clean.at(0).isHighSurrogate() ? 2 : 1);
    bool pending = !afterFirst.isEmpty();

    QString out;
    out.reserve(clean.size() + 16);
    // XML collapses a run of blanks and drops them at a paragraph's ends: a
    // blank stays a plain blank only alone between two other characters.
    auto plain = [&](qsizetype i) {
        if (i < 0 || i >= clean.size() || (!afterFirst.isEmpty() && (i == first - 1 || i == first)))
            return false;
        const QChar c = clean.at(i);
        return c.unicode() >= 0x20 && c != u' ';
    };
    for (qsizetype i = 0; i < clean.size(); ++i) {
        if (pending && i == first) {
            out += QString::fromUtf8(afterFirst);
            pending = false;
        }
        const QChar c = clean.at(i);
        switch (c.unicode()) {
        case '\t': out += QLatin1String("<text:tab/>"); continue;
        case '\n': out += QLatin1String("<text:line-break/>"); continue;
        case '&': out += QLatin1String("&amp;"); continue;
        case '<': out += QLatin1String("&lt;"); continue;
        case '>': out += QLatin1String("&gt;"); continue;
        case ' ': {
            qsizetype run = 1;
            while (i + run < clean.size() && clean.at(i + run) == u' ' && !(pending && i + run == first))
                ++run;
            if (run == 1 && plain(i - 1) && plain(i + 1))
                out += u' ';
            else if (run == 1)
                out += QLatin1String("<text:s/>");
            else
                out += QStringLiteral("<text:s text:c=\"%1\"/>").arg(run);
            i += run - 1;
            continue;
        }
        default: out += c;
        }
    }
    if (pending)
        out += QString::fromUtf8(afterFirst);
    return out.toUtf8();
}

QByteArray SheetsXml::restyled(const QByteArray &xml, int step) const
{
    if (step <= 0)
        return xml;
    QByteArray result = xml;
    result.replace("text:style-name=\"" + m_recipientStyle + '"',
                   "text:style-name=\"" + recipientStyleName(step) + '"');
    if (LabelTextSizeAt(m_stock, step).senderPoints != LabelTextSizeAt(m_stock, 0).senderPoints)
        result.replace("text:style-name=\"" + m_senderStyle + '"', "text:style-name=\"" + senderStyleName(step) + '"');
    return result;
}

void SheetsXml::appendLabel(QByteArray &out, const Cell &cell, const QStringList &fields, int step, bool first) const
{
    for (const Piece &piece : cell) {
        out += restyled(first ? piece.xml : piece.xmlOfCopy, step);
        if (piece.block == 0)
            continue;
        if (fields.isEmpty()) {
            if (first)
                out += piece.closing;
            continue;
        }
        const QByteArray tag = restyled(piece.paragraphTag, step);
        if (piece.block == kCountry) {
            // A fifth line (a country abroad) gets a paragraph of its own.
            const QString country = PlaceholderValue(fields, kCountry);
            if (!country.isEmpty())
                out += tag + escapedText(country) + "</text:p>";
        } else {
            out += escapedText(PlaceholderValue(fields, piece.block), first ? piece.closing : QByteArray());
        }
    }
}

void SheetsXml::appendSheet(QByteArray &out, qsizetype sheet, const SheetLabels &labels,
                            const std::function<int(qsizetype, int)> &textStep) const
{
    const bool first = sheet == 1;
    if (first) {
        out += m_tableStart;
    } else {
        QByteArray name = m_tableName;
        if (name.endsWith('1'))
            name.chop(1);
        else
            name += '_';
        out += withAttribute(withAttribute(m_tableStart, "table:name", name + QByteArray::number(sheet)),
                             "table:style-name", kBreakStyleName);
    }
    for (int label = 1; label <= int(m_cells.size()); ++label) {
        out += m_between[size_t(label - 1)];
        const QStringList fields = labels.value(label - 1);
        appendLabel(out, m_cells[size_t(label - 1)], fields, fields.isEmpty() ? 0 : textStep(sheet, label), first);
    }
    out += m_between.back();
    out += m_afterTable;
}

QByteArray SheetsXml::document(const QList<SheetLabels> &sheets, const std::function<int(qsizetype, int)> &textStep,
                               const std::function<void(int)> &afterSheet) const
{
    QByteArray out;
    out.reserve(m_head.size() + m_tail.size() + sheets.size() * 12000);
    out += m_head;
    for (qsizetype sheet = 1; sheet <= sheets.size(); ++sheet) {
        appendSheet(out, sheet, sheets[sheet - 1], textStep);
        if (afterSheet)
            afterSheet(int(sheet));
    }
    out += m_tail;
    return out;
}
