#include "labels/SheetMaker.h"

#include "core/Failure.h"
#include "core/FileUtils.h"
#include "core/OwnedTemporaries.h"
#include "core/SafeWrite.h"
#include "core/TempFolder.h"
#include "labels/DocumentCheck.h"
#include "labels/LabelFit.h"
#include "labels/PdfJoin.h"
#include "labels/SheetsXml.h"
#include "labels/StockTemplate.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>

#include <algorithm>
#include <future>
#include <optional>

namespace {

// A user's document, checked as its format allows before it is put in place.
SafeWriteOptions documentChecked(DocumentFormat format, qsizetype pages)
{
    SafeWriteOptions options;
    options.check = [format, pages](const QString &path) { return DocumentProblem(path, format, pages); };
    return options;
}

// The helper office takes about as long to start as the first office needs
// for some 70 sheets, so the first office takes that many more.
constexpr qsizetype kFirstOfficeHeadStart = 70;

} // namespace

SheetParts PartSheetsForTwoOffices(const QList<SheetLabels> &sheets)
{
    if (sheets.size() < kSheetsForTwoOffices)
        return {sheets, {}};
    const qsizetype split = (sheets.size() + kFirstOfficeHeadStart) / 2;
    return {sheets.first(split), sheets.sliced(split)};
}

namespace {

// What decides a label's layout: its texts. Labels with the same texts are
// laid out alike wherever they stand, so each is checked once.
QString labelKey(const QStringList &fields)
{
    return fields.join(QChar(0x1F));
}

QByteArray readWhole(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("Cannot read %1: %2").arg(path, file.errorString()));
    return file.readAll();
}

// The distinct labels of `sheets`, a sheet of the stock full, in the order they first appear.
QList<SheetLabels> packed(const QList<QStringList> &labels, const LabelStock &stock)
{
    const int perSheet = stock.labels();
    QList<SheetLabels> sheets((labels.size() + perSheet - 1) / perSheet, SheetLabels(perSheet));
    for (qsizetype i = 0; i < labels.size(); ++i)
        sheets[i / perSheet][i % perSheet] = labels[i];
    return sheets;
}

// One run of the list through the office: the sheets' document written as
// flat XML in the working folder and loaded there.
class SheetsBuild
{
public:
    SheetsBuild(WordApplication &app, const QTemporaryDir &work, const QString &templatePath, const LabelStock &stock)
        : m_app(app)
        , m_work(work)
        , m_stock(stock)
        , m_xml(exportedTemplate(templatePath), stock)
    {
    }

    // The PDF of `sheets` as this office lays them out, each label's text
    // size from `steps`.
    QByteArray pdfOf(const QList<SheetLabels> &sheets)
    {
        const QString pdf = m_work.filePath(QStringLiteral("check.pdf"));
        madePdf(m_app, written(sheets), pdf, {}, m_stock);
        return readWhole(pdf);
    }

    // Writes the PDF of `sheets` to `target` and returns the labels of
    // `checked` (the same sheets, each text only where it first stands;
    // empty when they need no check) that do not fit. An office lays out on one core: a long list is
    // split, its second part made at the same time by a helper office
    // started for it, and the two PDFs joined.
    QList<QStringList> writePdf(EngineFactory &engines, const QList<SheetLabels> &sheets,
                                const QList<SheetLabels> &checked, const QString &target,
                                const std::function<void(int)> &afterSheet = {})
    {
        const SheetParts parts = PartSheetsForTwoOffices(sheets);
        const QString firstXml = written(parts.first, afterSheet);
        if (parts.second.isEmpty())
            return madePdf(m_app, firstXml, target, checked, m_stock);
        const QString secondXml = written(parts.second, [&](int done) {
            if (afterSheet)
                afterSheet(int(parts.first.size()) + done);
        });
        const QString firstPdf = m_work.filePath(QStringLiteral("part1.pdf"));
        const QString secondPdf = m_work.filePath(QStringLiteral("part2.pdf"));
        const SheetParts checkedParts = PartSheetsForTwoOffices(checked);
        const QList<SheetLabels> &firstChecked = checkedParts.first;
        const QList<SheetLabels> &secondChecked = checkedParts.second;
        BesideThisOffice second(engines, secondXml, secondPdf, secondChecked, m_stock);
        QList<QStringList> cut = madePdf(m_app, firstXml, firstPdf, firstChecked, m_stock);
        cut += second.cut(m_app);
        JoinPdfs({firstPdf, secondPdf}, target);
        return cut;
    }

    // Stores the document of `sheets` at `target` (never laid out) and
    // returns the labels of `distinct` that do not fit, from a PDF of each
    // once. When they are many, a helper office started for it lays out
    // part of them while this office stores, so that both end together.
    QList<QStringList> store(EngineFactory &engines, const QList<SheetLabels> &sheets,
                             const QList<QStringList> &distinct, const QString &target, DocumentFormat format,
                             const std::function<void(int)> &afterSheet = {})
    {
        const QString xml = written(sheets, afterSheet);
        const QList<SheetLabels> checkSheets = packed(distinct, m_stock);
        // A sheet stored costs about half as much as one laid out.
        const qsizetype here = checkSheets.size() < kSheetsForTwoOffices
            ? checkSheets.size()
            : std::clamp((checkSheets.size() + kFirstOfficeHeadStart - sheets.size() / 2) / 2, qsizetype(0),
                         checkSheets.size());
        std::optional<BesideThisOffice> beside;
        if (here < checkSheets.size()) {
            const QList<SheetLabels> there = checkSheets.sliced(here);
            beside.emplace(engines, written(there), m_work.filePath(QStringLiteral("check2.pdf")), there, m_stock);
        }
        const QString hereXml = here > 0 ? written(checkSheets.first(here)) : QString();
        WordDocument *document = m_app.openFlatXmlForStoring(xml);
        document->saveAsFormat(target, format);
        document->close();
        QList<QStringList> cut;
        if (here > 0)
            cut = madePdf(m_app, hereXml, m_work.filePath(QStringLiteral("check.pdf")), checkSheets.first(here),
                          m_stock);
        if (beside)
            cut += beside->cut(m_app);
        return cut;
    }

    // The labels of `labels` (distinct texts) that do not fit at their steps.
    QList<QStringList> cutOf(const QList<QStringList> &labels)
    {
        const QList<SheetLabels> sheets = packed(labels, m_stock);
        return cutLabels(pdfOf(sheets), sheets, m_stock);
    }

    // The labels found cut in the PDF of `sheets`, each text once.
    static QList<QStringList> cutLabels(const QByteArray &pdf, const QList<SheetLabels> &sheets,
                                        const LabelStock &stock)
    {
        QList<QStringList> cut;
        for (const CutLabel &label : FindCutLabels(pdf, sheets, stock)) {
            const QStringList &fields = sheets[label.sheet - 1][label.label - 1];
            if (!cut.contains(fields))
                cut << fields;
        }
        return cut;
    }

    QHash<QString, int> steps; // text size steps of the labels that needed smaller text

private:
    // The PDF of a document made by a helper office, started for it, while
    // this office does other work; the labels found cut in it. When no
    // helper office starts or it fails, this office makes it after all.
    class BesideThisOffice
    {
    public:
        BesideThisOffice(EngineFactory &engines, QString xml, QString pdf, QList<SheetLabels> checked,
                         const LabelStock &stock)
            : m_xml(std::move(xml))
            , m_pdf(std::move(pdf))
            , m_checked(std::move(checked))
            , m_stock(stock)
            , m_helper(std::async(std::launch::async, [this, &engines]() -> std::optional<QList<QStringList>> {
                try {
                    std::unique_ptr<WordApplication> helper = engines.createHelperApplication();
                    if (!helper)
                        return std::nullopt;
                    QList<QStringList> cut = madePdf(*helper, m_xml, m_pdf, m_checked, m_stock);
                    helper->setDisplayAlerts(false);
                    helper->quit();
                    return cut;
                } catch (const EngineError &) {
                    return std::nullopt;
                }
            }))
        {
        }
        // A failure on this office waits for the helper all the same (the
        // future's end); work that was stopped ends at once there too.
        QList<QStringList> cut(WordApplication &thisOffice)
        {
            std::optional<QList<QStringList>> cut = m_helper.get();
            return cut ? *cut : madePdf(thisOffice, m_xml, m_pdf, m_checked, m_stock);
        }

    private:
        const QString m_xml;
        const QString m_pdf;
        const QList<SheetLabels> m_checked;
        const LabelStock &m_stock;
        std::future<std::optional<QList<QStringList>>> m_helper;
    };

    // The flat XML of `sheets` in the working folder, under a fresh name.
    QString written(const QList<SheetLabels> &sheets, const std::function<void(int)> &afterSheet = {})
    {
        const QByteArray xml = m_xml.document(
            sheets,
            [&](qsizetype sheet, int label) { return steps.value(labelKey(sheets[sheet - 1].value(label - 1)), 0); },
            afterSheet);
        const QString path = m_work.filePath(QStringLiteral("sheets%1.fodt").arg(++m_documents));
        WriteBytesReplacing(xml, path);
        return path;
    }

    // The PDF of the document `xml` made by `app` at `pdf`, and the labels of
    // `checked` found cut in it (none when `checked` is empty).
    static QList<QStringList> madePdf(WordApplication &app, const QString &xml, const QString &pdf,
                                      const QList<SheetLabels> &checked, const LabelStock &stock)
    {
        WordDocument *document = app.open(xml, true);
        document->saveAsFormat(pdf, DocumentFormat::Pdf);
        document->close();
        return checked.isEmpty() ? QList<QStringList>() : cutLabels(readWhole(pdf), checked, stock);
    }

    QByteArray exportedTemplate(const QString &templatePath)
    {
        WordDocument *document = m_app.open(templatePath, true);
        const QString flat = m_work.filePath(QStringLiteral("template.fodt"));
        document->saveAsFlatXml(flat);
        document->close();
        return readWhole(flat);
    }

    WordApplication &m_app;
    const QTemporaryDir &m_work;
    const LabelStock &m_stock;
    SheetsXml m_xml;
    int m_documents = 0;
};

} // namespace

void MakeLabelSheets(EngineFactory &engines, const QList<SheetLabels> &sheets, const QString &output,
                     const std::function<void(int sheetsDone)> &afterSheet, const LabelStock &stock)
{
    if (sheets.isEmpty())
        throw Failure(QStringLiteral("There are no addresses to make labels of"));
    const std::optional<DocumentFormat> format = SheetFormatOf(output);
    if (!format)
        throw Failure(QStringLiteral("%1: the name must end in %2").arg(output, SheetExtensions()));

    // Each distinct label once, where it first stands; the same texts
    // elsewhere are laid out alike.
    QList<QStringList> distinct;
    QHash<QString, LabelPosition> firstAt;
    QList<SheetLabels> firstOnly(sheets.size(), SheetLabels(stock.labels()));
    for (qsizetype sheet = 0; sheet < sheets.size(); ++sheet) {
        for (int label = 0; label < stock.labels(); ++label) {
            const QStringList fields = sheets[sheet].value(label);
            if (fields.isEmpty())
                continue;
            const QString key = labelKey(fields);
            if (firstAt.contains(key))
                continue;
            firstAt.insert(key, {sheet + 1, label + 1});
            distinct << fields;
            firstOnly[sheet][label] = fields;
        }
    }

    // A private folder for the template copy and the documents on their way,
    // so that nothing here meets the fixed names the window uses.
    const QTemporaryDir work(TemporaryPath(OwnedTemporaryName(QStringLiteral("parcelon-sheets."))));
    if (!work.isValid())
        throw Failure(
            QStringLiteral("Cannot create a working folder in %1: %2").arg(TemporaryFolder(), work.errorString()));
    const StockTemplate made = TemplateOf(stock);
    const QString templatePath = work.filePath(made.fileName);
    if (made.bytes.isEmpty())
        throw Failure(QStringLiteral("The label template is not available"));
    WriteBytesReplacing(made.bytes, templatePath);

    const bool pdf = *format == DocumentFormat::Pdf;
    WriteFileSafely(output, documentChecked(*format, sheets.size()), [&](const QString &freshName) {
        // Laying out a long list's first part grows an office by about 100 MB.
        std::unique_ptr<WordApplication> app = pdf && sheets.size() >= kSheetsForTwoOffices
            ? engines.createApplicationForLongWork()
            : engines.createApplication();
        SheetsBuild build(*app, work, templatePath, stock);
        // Whether every label shows its text whole, read from the office's
        // own layout: the PDF written, or for other formats a PDF of each
        // distinct label once (a document only stored is never laid out).
        const auto write = [&](bool check, const std::function<void(int)> &progress) {
            return pdf
                ? build.writePdf(engines, sheets, check ? firstOnly : QList<SheetLabels>(), freshName, progress)
                : build.store(engines, sheets, check ? distinct : QList<QStringList>(), freshName, *format, progress);
        };
        const QList<QStringList> cut = write(true, afterSheet);
        // Labels too long for their text size get the next smaller one, and
        // only they are checked again; the document is then made once more.
        const bool shrunk = !cut.isEmpty();
        for (QList<QStringList> again = cut; !again.isEmpty(); again = build.cutOf(again)) {
            QList<CutLabel> impossible;
            for (const QStringList &fields : std::as_const(again)) {
                int &step = build.steps[labelKey(fields)];
                if (step + 1 >= kLabelTextSteps) {
                    const LabelPosition at = firstAt.value(labelKey(fields));
                    impossible.append({at.sheet, at.label, 0});
                } else {
                    ++step;
                }
            }
            if (!impossible.isEmpty()) {
                // The field to name comes from the smallest size's layout.
                QList<QStringList> lastTried;
                for (const CutLabel &label : std::as_const(impossible))
                    lastTried << sheets[label.sheet - 1][label.label - 1];
                const QList<SheetLabels> lastSheets = packed(lastTried, stock);
                const QList<CutLabel> found = FindCutLabels(build.pdfOf(lastSheets), lastSheets, stock);
                for (qsizetype i = 0; i < impossible.size(); ++i) {
                    for (const CutLabel &label : found) {
                        if ((label.sheet - 1) * stock.labels() + label.label - 1 == i)
                            impossible[i].field = label.field;
                    }
                }
                const CutLabel &first = impossible.first();
                throw LabelsCutOff(QStringLiteral("The address on sheet %1, label %2 does not fit on the label even "
                                                  "in %3 pt type: shorten the %4")
                                       .arg(first.sheet)
                                       .arg(first.label)
                                       .arg(LabelTextSizeAt(stock, kLabelTextSteps - 1).recipientPoints)
                                       .arg(FieldRoleName(first.field, RoleStyle::Possessive)),
                                   impossible);
            }
        }
        // Made once more with the smaller sizes; every label was checked at its own.
        if (shrunk)
            write(false, {});
        app->setDisplayAlerts(false);
        app->quit();
        // The office's work takes most of the time: a caller that wants to
        // stop gets its say once more before the document is put in place.
        if (afterSheet)
            afterSheet(int(sheets.size()));
    });
}

void MakeLabelSheets(EngineFactory &engines, const QList<QStringList> &sheets, const QString &output,
                     const std::function<void(int sheetsDone)> &afterSheet, const LabelStock &stock)
{
    QList<SheetLabels> labels;
    labels.reserve(sheets.size());
    for (const QStringList &fields : sheets)
        labels << SheetLabels(stock.labels(), fields);
    MakeLabelSheets(engines, labels, output, afterSheet, stock);
}

void ConvertDocument(EngineFactory &engines, const QString &document, const QString &target, DocumentFormat format)
{
    WriteFileSafely(target, documentChecked(format, -1), [&](const QString &freshName) {
        std::unique_ptr<WordApplication> app = engines.createApplication();
        WordDocument *opened = app->open(document, true);
        opened->saveAsFormat(freshName, format);
        app->setDisplayAlerts(false);
        opened->close();
        app->quit();
    });
}
