// The label template compiled into the program, read back the way the program
// and its users meet it: as bytes, through LibreOffice (converted to .docx and
// read as XML) and through catdoc.

#include "core/FileUtils.h"
#include "core/TempFolder.h"
#include "resources/Resources.h"
#include "tests/labels/EngineTestKit.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestMain.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QUrl>
#include <QXmlStreamReader>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

using namespace EngineTestKit;

namespace {

// Runs a program in a process group of its own that dies with this test, and
// ends the whole group afterwards, so no office outlives the test even when it
// hangs or leaves a child behind.
QByteArray run(const QString &program, const QStringList &arguments, int *exitCode)
{
    QProcess process;
    const pid_t parent = ::getpid();
    process.setChildProcessModifier([parent] {
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(127);
    });
    process.start(program, arguments);
    *exitCode = -1;
    if (!process.waitForStarted(10000))
        return {};
    const pid_t group = pid_t(process.processId()); // 0 once the process has ended
    const bool finished = process.waitForFinished(120000);
    ::kill(-group, SIGKILL);
    process.waitForFinished(5000);
    if (finished && process.exitStatus() == QProcess::NormalExit)
        *exitCode = process.exitCode();
    return process.readAllStandardOutput() + process.readAllStandardError();
}

const QString W = QStringLiteral("http://schemas.openxmlformats.org/wordprocessingml/2006/main");

struct Paragraph
{
    QString style, text;
    int bookmarks = 0; // bookmarks that start in it
};
struct Row
{
    int height = 0;
    QString heightRule;
    QList<QList<Paragraph>> cells;
};
struct Body
{
    QHash<QString, int> page; // pgSz and pgMar attributes: "w", "h", "left", "top", ...
    int tables = 0;
    QList<int> grid;
    QList<Row> rows;
    QList<Paragraph> outsideTables;
    QSet<QString> bookmarkNames;
    int bookmarkStarts = 0, bookmarkEnds = 0;
};

Body parseBody(const QByteArray &documentXml)
{
    Body body;
    QXmlStreamReader xml(documentXml);
    int depth = 0;
    Paragraph *paragraph = nullptr;
    Paragraph outside;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (xml.namespaceUri() != W)
            continue;
        const QStringView name = xml.name();
        const QXmlStreamAttributes a = xml.attributes();
        const auto attr = [&](const char16_t *n) { return a.value(W, QString::fromUtf16(n)); };
        if (token == QXmlStreamReader::EndElement) {
            depth -= name == u"tbl";
            if (name == u"p" && depth == 0 && paragraph == &outside)
                body.outsideTables.append(outside);
            if (name == u"p")
                paragraph = nullptr;
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (name == u"tbl") {
            body.tables += ++depth == 1;
        } else if (depth == 1 && name == u"gridCol") {
            body.grid.append(attr(u"w").toInt());
        } else if (depth == 1 && name == u"tr") {
            body.rows.append(Row());
        } else if (depth == 1 && name == u"trHeight") {
            body.rows.last().height = attr(u"val").toInt();
            body.rows.last().heightRule = attr(u"hRule").toString();
        } else if (depth == 1 && name == u"tc") {
            body.rows.last().cells.append(QList<Paragraph>());
        } else if (name == u"p") {
            if (depth == 0) {
                outside = Paragraph();
                paragraph = &outside;
            } else {
                body.rows.last().cells.last().append(Paragraph());
                paragraph = &body.rows.last().cells.last().last();
            }
        } else if (paragraph && name == u"pStyle") {
            paragraph->style = attr(u"val").toString();
        } else if (paragraph && name == u"t") {
            paragraph->text += xml.readElementText();
        } else if (name == u"bookmarkStart") {
            ++body.bookmarkStarts;
            body.bookmarkNames.insert(attr(u"name").toString());
            if (paragraph)
                ++paragraph->bookmarks;
        } else if (name == u"bookmarkEnd") {
            ++body.bookmarkEnds;
        } else if (name == u"pgSz" || name == u"pgMar") {
            for (const QXmlStreamAttribute &attribute : a)
                body.page.insert(attribute.name().toString(), attribute.value().toInt());
        }
    }
    return xml.hasError() ? Body() : body;
}

struct Style
{
    QString name, basedOn, font;
    int halfPoints = 0;
    bool bold = false;
};

QHash<QString, Style> parseStyles(const QByteArray &stylesXml)
{
    QHash<QString, Style> styles;
    QXmlStreamReader xml(stylesXml);
    Style *style = nullptr;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.namespaceUri() != W)
            continue;
        const QStringView name = xml.name();
        const QString val = xml.attributes().value(W, QStringLiteral("val")).toString();
        if (name == u"style")
            style = &styles[xml.attributes().value(W, QStringLiteral("styleId")).toString()];
        else if (style && name == u"name")
            style->name = val;
        else if (style && name == u"basedOn")
            style->basedOn = val;
        else if (style && name == u"rFonts")
            style->font = xml.attributes().value(W, QStringLiteral("ascii")).toString();
        else if (style && name == u"sz")
            style->halfPoints = val.toInt();
        else if (style && name == u"b")
            style->bold = val.isEmpty() || val == u"true" || val == u"1" || val == u"on";
    }
    return styles;
}

} // namespace

class tst_Template : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_bytes = TemplateBytes();
        // Word 97-2003 (an OLE compound file), not an OpenDocument zip.
        QVERIFY(m_bytes.startsWith(QByteArray::fromHex("d0cf11e0a1b11ae1")));
        QCOMPARE(TemplateBytes(), m_bytes); // every generation loads it afresh

        // The program writes the template to the temporary folder and has the
        // engine open it there: read it from there too.
        m_copy = TemporaryPath(QStringLiteral("template.dot"));
        QVERIFY(m_copy.startsWith(TestEnvironment::temp()));
        WriteBytesIfAbsent(m_bytes, m_copy);
        QCOMPARE(ReadFileBytes(m_copy), m_bytes);

        const QString outDir = TestEnvironment::temp() + QStringLiteral("/docx");
        const QString docx = outDir + QStringLiteral("/template.docx");
        const QString profile =
            QUrl::fromLocalFile(TestEnvironment::root() + QStringLiteral("/office-profile")).toString();
        QString log;
        // The first start on an empty profile only sets the profile up and exits with 81.
        for (int attempt = 0, exit = 81; attempt < 3 && exit == 81 && !QFileInfo::exists(docx); ++attempt)
            log += QString::fromUtf8(
                run(QStringLiteral("/usr/lib/libreoffice/program/soffice.bin"),
                    {QStringLiteral("--headless"), QStringLiteral("--norestore"), QStringLiteral("--nolockcheck"),
                     QStringLiteral("-env:UserInstallation=") + profile, QStringLiteral("--convert-to"),
                     QStringLiteral("docx"), QStringLiteral("--outdir"), outDir, m_copy},
                    &exit));
        QVERIFY2(QFileInfo(docx).size() > 0,
                 qPrintable(QStringLiteral("LibreOffice did not convert the template:\n") + log));
        int exit = 0;
        m_body = parseBody(
            run(QStringLiteral("unzip"), {QStringLiteral("-p"), docx, QStringLiteral("word/document.xml")}, &exit));
        m_styles = parseStyles(
            run(QStringLiteral("unzip"), {QStringLiteral("-p"), docx, QStringLiteral("word/styles.xml")}, &exit));
        m_properties = QString::fromUtf8(
            run(QStringLiteral("unzip"), {QStringLiteral("-p"), docx, QStringLiteral("docProps/core.xml")}, &exit));
        QVERIFY2(m_body.tables > 0 && !m_styles.isEmpty(), "could not read the .docx back");
        m_catdoc = documentText(m_copy);
    }

    // US Letter; the label stock's grid in twips: two 4 in labels with a
    // 0.1875 in gap filling the page between the side margins, three exact
    // 3-1/3 in rows so long values wrap inside a label and never push the rows.
    void pageIsOneTableOfSixLabels()
    {
        const QHash<QString, int> expected = {{"w", 12240},   {"h", 15840}, {"left", 225},
                                              {"right", 225}, {"top", 720}, {"bottom", 340}};
        for (auto it = expected.cbegin(); it != expected.cend(); ++it)
            QVERIFY2(m_body.page.value(it.key()) == it.value(), qPrintable(it.key()));
        QCOMPARE(m_body.tables, 1);
        QCOMPARE(m_body.grid, (QList<int>{5760, 270, 5760}));
        QCOMPARE(m_body.rows.size(), 3);
        for (const Row &row : m_body.rows) {
            QCOMPARE(row.cells.size(), 3);
            QCOMPARE(row.height, 4800);
            QCOMPARE(row.heightRule, QStringLiteral("exact"));
            for (const Paragraph &p : row.cells.at(1))
                QVERIFY2(p.text.isEmpty() && p.bookmarks == 0, "the gap column must stay empty");
        }
        // Only the one empty paragraph that must follow a table.
        QCOMPARE(m_body.outsideTables.size(), 1);
        QCOMPARE(m_body.outsideTables.first().text, QString());
    }

    // Each label: four sender lines, three blank, four recipient lines, one
    // blank; three bookmarks in each address block and none elsewhere.
    void everyLabelHoldsBothAddressBlocks()
    {
        const QStringList phrases = placeholderPhrases();
        for (const Row &row : m_body.rows) {
            for (int column : {0, 2}) {
                const QList<Paragraph> &ps = row.cells.value(column);
                QCOMPARE(ps.size(), 12);
                int bookmarks[2] = {0, 0};
                for (int i = 0; i < 12; ++i) {
                    const int phrase = i < 4 ? i : i >= 7 && i < 11 ? i - 3 : -1;
                    QCOMPARE(ps[i].text, phrases.value(phrase));
                    if (phrase < 0) {
                        QCOMPARE(ps[i].bookmarks, 0);
                        continue;
                    }
                    QCOMPARE(ps[i].style,
                             phrase < 4 ? QStringLiteral("ReturnAddress") : QStringLiteral("ShipToAddress"));
                    bookmarks[phrase / 4] += ps[i].bookmarks;
                }
                QCOMPARE(bookmarks[0], 3);
                QCOMPARE(bookmarks[1], 3);
            }
        }
        QCOMPARE(m_body.bookmarkStarts, 36);
        QCOMPARE(m_body.bookmarkEnds, 36);
        QCOMPARE(m_body.bookmarkNames.size(), 36);
    }

    // The program replaces ignoring case, so phrases are counted ignoring case;
    // catdoc shows what a Word reader other than LibreOffice sees.
    void eachPhraseStandsSixTimesAndNowhereElse()
    {
        QString all;
        for (const Row &row : m_body.rows)
            for (const auto &cell : row.cells)
                for (const Paragraph &p : cell)
                    all += p.text + QLatin1Char('\n');
        const QStringList lines = m_catdoc.split(QLatin1Char('\n'));
        for (const QString &phrase : placeholderPhrases()) {
            QVERIFY2(all.count(phrase, Qt::CaseInsensitive) == 6, qPrintable(phrase));
            QVERIFY2(m_catdoc.count(phrase, Qt::CaseInsensitive) == 6 && lines.count(phrase) == 6, qPrintable(phrase));
            QVERIFY2(!m_properties.contains(phrase, Qt::CaseInsensitive), qPrintable(phrase));
        }
    }

    // The sender small on Heading 1, the recipient large and bold on Normal,
    // both Arial so the sheet lays out the same everywhere.
    void stylesBuildOnHeadingAndNormal()
    {
        const auto inherited = [this](QString id, auto get) {
            for (int depth = 0; depth < 10 && m_styles.contains(id); id = m_styles.value(id).basedOn, ++depth)
                if (const auto value = get(m_styles.value(id)); value != decltype(value)())
                    return value;
            return decltype(get(Style()))();
        };
        const Style returnAddress = m_styles.value(QStringLiteral("ReturnAddress"));
        const Style shipTo = m_styles.value(QStringLiteral("ShipToAddress"));
        QCOMPARE(returnAddress.name, QStringLiteral("ReturnAddress"));
        QCOMPARE(shipTo.name, QStringLiteral("ShipToAddress"));
        QCOMPARE(m_styles.value(returnAddress.basedOn).name.toLower(), QStringLiteral("heading 1"));
        QCOMPARE(m_styles.value(shipTo.basedOn).name, QStringLiteral("Normal"));
        for (const char *id : {"ReturnAddress", "ShipToAddress"})
            QCOMPARE(inherited(QString::fromLatin1(id), [](const Style &s) { return s.font; }),
                     QStringLiteral("Arial"));
        const int returnSize = inherited(QStringLiteral("ReturnAddress"), [](const Style &s) { return s.halfPoints; });
        const int shipToSize = inherited(QStringLiteral("ShipToAddress"), [](const Style &s) { return s.halfPoints; });
        QVERIFY2(returnSize >= 14 && returnSize <= 20, qPrintable(QString::number(returnSize)));
        QVERIFY2(shipToSize >= 28 && shipToSize <= 36, qPrintable(QString::number(shipToSize)));
        QVERIFY(inherited(QStringLiteral("ShipToAddress"), [](const Style &s) { return s.bold; }));
    }

    void propertiesNameTheLabelStock()
    {
        for (const char *stock : {"Shipping Labels", "six per sheet", "5164", "8164", "8254", "8464"})
            QVERIFY2(m_properties.contains(QLatin1String(stock), Qt::CaseInsensitive), stock);
    }

private:
    QByteArray m_bytes;
    QString m_copy, m_catdoc, m_properties;
    Body m_body;
    QHash<QString, Style> m_styles;
};

PARCELON_TEST_MAIN(tst_Template)
#include "tst_template.moc"
