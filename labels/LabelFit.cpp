#include "labels/LabelFit.h"

#include "labels/AddressLines.h"
#include "labels/LabelGeneration.h"

#include <poppler-qt6.h>

#include <QRectF>

#include <algorithm>
#include <array>
#include <exception>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

namespace {

// What a word is made of as the PDF's reader sees it: ligatures and other
// compatibility forms taken apart, blanks and invisible characters (which
// the office drops or lays out as space) left out.
QString inkOf(const QString &text)
{
    QString ink;
    for (const QChar c : text.normalized(QString::NormalizationForm_KC)) {
        if (c.isSpace())
            continue;
        const QChar::Category category = c.category();
        if (category == QChar::Other_Control || category == QChar::Other_Format)
            continue;
        ink += c;
    }
    return ink;
}

// The lines of a label in the order they stand on it, each with the field
// (1..12, 13 for the country line) a reader would shorten for it.
struct LabelLine
{
    QString text;
    int field;
};

std::vector<LabelLine> linesOf(const QStringList &fields)
{
    std::vector<LabelLine> lines;
    for (const int first : {1, 7}) {
        const AddressParts parts = first == 1 ? SenderParts(fields) : RecipientParts(fields);
        for (const AddressLine &line : ComposeAddressLines(parts)) {
            int field = 13;
            switch (line.part) {
            case AddressLine::Part::Company: field = first; break;
            case AddressLine::Part::Name: field = first + 1; break;
            case AddressLine::Part::Street: field = first + 2; break;
            case AddressLine::Part::CityLine:
                // The city line names whichever of city, state and ZIP is longest.
                field = first + 3;
                for (int other = first + 4; other <= first + 5; ++other) {
                    if (fields.value(other - 1).size() > fields.value(field - 1).size())
                        field = other;
                }
                break;
            case AddressLine::Part::Country: field = 13; break;
            }
            lines.push_back({line.text, field});
        }
    }
    return lines;
}

struct Word
{
    QString ink;
    QRectF box;
};

// Lines a few points apart are separate lines; the words of one line share a baseline.
constexpr double kSameLine = 2.0;

// The words in reading order: line by line from the top, left to right.
void sortInReadingOrder(std::vector<Word> &words)
{
    std::sort(words.begin(), words.end(), [](const Word &a, const Word &b) { return a.box.bottom() < b.box.bottom(); });
    for (size_t first = 0; first < words.size();) {
        size_t end = first + 1;
        while (end < words.size() && words[end].box.bottom() - words[first].box.bottom() < kSameLine)
            ++end;
        std::sort(words.begin() + qsizetype(first), words.begin() + qsizetype(end),
                  [](const Word &a, const Word &b) { return a.box.left() < b.box.left(); });
        first = end;
    }
}

// Whether the label's text lies whole inside it, and if not, the field to
// shorten. The office lays a label's lines out in order and drops those
// below its fixed row; a line half below the edge is drawn clipped. So the
// text fits when every word found touching the label lies whole inside it
// and together they hold all the characters of the label's lines.
// How many characters of a label may lack text in the PDF (glyphs drawn
// without it) before the label counts as cut.
constexpr qsizetype kGlyphsWithoutText = 3;

std::optional<int> cutFieldOf(const QStringList &fields, const QRectF &label, const std::vector<Word> &touching)
{
    const std::vector<LabelLine> lines = linesOf(fields);
    if (lines.empty())
        return std::nullopt; // nothing printed, nothing cut
    QString expected;
    std::vector<int> fieldOfCharacter;
    for (const LabelLine &line : lines) {
        const QString ink = inkOf(line.text);
        expected += ink;
        fieldOfCharacter.insert(fieldOfCharacter.end(), size_t(ink.size()), line.field);
    }

    std::vector<Word> inside;
    bool crossesEdge = false;
    qsizetype found = 0;
    for (const Word &word : touching) {
        if (label.contains(word.box)) {
            inside.push_back(word);
            found += word.ink.size();
        } else {
            crossesEdge = true;
        }
    }
    if (!crossesEdge && found >= expected.size())
        return std::nullopt;
    sortInReadingOrder(inside);
    if (!crossesEdge) {
        // The lines the office drops are the last ones. When the last line
        // ends the text found, the characters missing are glyphs the PDF
        // gives no text for, not lines cut off. (Only for a last line that is
        // long enough not to end another line by chance, and only for a few
        // characters: an overfull Word table cell keeps its last line and
        // drops lines from the middle instead.)
        QString shown;
        for (const Word &word : inside)
            shown += word.ink;
        const QString last = inkOf(lines.back().text);
        if (last.size() >= 5 && shown.endsWith(last) && expected.size() - found <= kGlyphsWithoutText)
            return std::nullopt;
    }

    // The field that takes the most lines: the lines where its characters
    // were found whole, and one more where some of them are missing.
    std::array<int, 14> linesOfField = {};
    std::array<double, 14> lastLine = {};
    lastLine.fill(-1e9);
    qsizetype at = 0;
    for (const Word &word : inside) {
        for (const QChar c : word.ink) {
            if (at >= expected.size() || expected.at(at) != c)
                break;
            const int field = fieldOfCharacter[size_t(at)];
            if (word.box.bottom() - lastLine[field] >= kSameLine) {
                ++linesOfField[field];
                lastLine[field] = word.box.bottom();
            }
            ++at;
        }
    }
    for (qsizetype rest = at; rest < expected.size(); ++rest) {
        const int field = fieldOfCharacter[size_t(rest)];
        if (lastLine[field] != 1e9) {
            ++linesOfField[field];
            lastLine[field] = 1e9; // counted once
        }
    }
    int worst = 0;
    for (const LabelLine &line : lines) {
        const int field = line.field;
        if (worst == 0 || linesOfField[field] > linesOfField[worst]
            || (linesOfField[field] == linesOfField[worst] && line.text.size() > fields.value(worst - 1).size()))
            worst = field;
    }
    return worst;
}

} // namespace

LabelTextSize LabelTextSizeAt(const LabelStock &stock, int step)
{
    const int s = std::clamp(step, 0, kLabelTextSteps - 1);
    // The sender follows once it would be larger.
    const double recipient = stock.recipientPoints
        - s * (stock.recipientPoints - stock.smallestPoints) / (kLabelTextSteps - 1);
    return {recipient, std::min(stock.senderPoints, recipient)};
}

namespace {

// The cut labels of sheets first..end (from 0) read from the PDF.
QList<CutLabel> cutLabelsOfSheets(Poppler::Document &document, const QList<SheetLabels> &sheets,
                                  const LabelStock &stock, qsizetype first, qsizetype end)
{
    QList<CutLabel> cut;
    for (qsizetype sheet = first; sheet < end; ++sheet) {
        const SheetLabels &labels = sheets[sheet];
        if (std::all_of(labels.begin(), labels.end(), [](const QStringList &fields) { return fields.isEmpty(); }))
            continue;
        const std::unique_ptr<Poppler::Page> page = document.page(int(sheet));
        if (!page)
            throw Failure(QStringLiteral("Page %1 of the labels' PDF could not be read").arg(sheet + 1));
        std::vector<std::vector<Word>> touching(size_t(stock.labels()));
        for (const std::unique_ptr<Poppler::TextBox> &box : page->textList()) {
            // A word belongs to the label it starts in: a line cut at the
            // bottom of one label reaches into the label below.
            const QRectF at = box->boundingBox();
            if (const int label = stock.labelAt(at.topLeft()))
                touching[size_t(label - 1)].push_back({inkOf(box->text()), at});
        }
        for (int label = 1; label <= stock.labels() && label <= labels.size(); ++label) {
            const QStringList &fields = labels[label - 1];
            if (fields.isEmpty())
                continue;
            if (const std::optional<int> field = cutFieldOf(fields, stock.textArea(label), touching[size_t(label - 1)]))
                cut.append({sheet + 1, label, *field});
        }
    }
    return cut;
}

std::unique_ptr<Poppler::Document> loadPdf(const QByteArray &pdf)
{
    std::unique_ptr<Poppler::Document> document = Poppler::Document::loadFromData(pdf);
    if (!document || document->isLocked())
        throw Failure(QStringLiteral("The labels' PDF could not be read"));
    return document;
}

} // namespace

QList<CutLabel> FindCutLabels(const QByteArray &pdf, const QList<SheetLabels> &sheets, const LabelStock &stock)
{
    const std::unique_ptr<Poppler::Document> document = loadPdf(pdf);
    if (document->numPages() < sheets.size())
        throw Failure(
            QStringLiteral("The labels' PDF has %1 pages for %2 sheets").arg(document->numPages()).arg(sheets.size()));
    // Reading a page's words takes about a millisecond: the pages of a long
    // list are shared out between the processors, each with its own reader.
    constexpr qsizetype kPagesWorthAThread = 50;
    const qsizetype threads = std::clamp<qsizetype>(sheets.size() / kPagesWorthAThread, 1,
                                                    std::max(1u, std::thread::hardware_concurrency()));
    if (threads == 1)
        return cutLabelsOfSheets(*document, sheets, stock, 0, sheets.size());
    std::vector<QList<CutLabel>> parts(static_cast<size_t>(threads));
    std::vector<std::exception_ptr> errors(static_cast<size_t>(threads));
    std::vector<std::thread> workers;
    for (qsizetype t = 1; t < threads; ++t) {
        workers.emplace_back([&, t] {
            try {
                const std::unique_ptr<Poppler::Document> own = loadPdf(pdf);
                parts[size_t(t)] = cutLabelsOfSheets(*own, sheets, stock, sheets.size() * t / threads,
                                                     sheets.size() * (t + 1) / threads);
            } catch (...) {
                errors[size_t(t)] = std::current_exception();
            }
        });
    }
    try {
        parts[0] = cutLabelsOfSheets(*document, sheets, stock, 0, sheets.size() / threads);
    } catch (...) {
        errors[0] = std::current_exception();
    }
    for (std::thread &worker : workers)
        worker.join();
    QList<CutLabel> cut;
    for (qsizetype t = 0; t < threads; ++t) {
        if (errors[size_t(t)])
            std::rethrow_exception(errors[size_t(t)]);
        cut += parts[size_t(t)];
    }
    return cut;
}
