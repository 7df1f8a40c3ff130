// The label template compiled into the program, read back the way the program
// and its users meet it: as raw bytes, through LibreOffice (converted to .docx
// and read as XML) and through catdoc.

#include "FileUtils.h"
#include "Resources.h"
#include "TempFolder.h"
#include "TestMain.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QUrl>
#include <QXmlStreamReader>
#include <QtEndian>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

const QStringList kSenderPhrases = {
    QStringLiteral("Sender Company"),
    QStringLiteral("Sender Name"),
    QStringLiteral("Sender Street Address"),
    QStringLiteral("Sender City, State and Zip Code"),
};
const QStringList kRecipientPhrases = {
    QStringLiteral("Recipient Company"),
    QStringLiteral("Recipient Name"),
    QStringLiteral("Recipient Street Address"),
    QStringLiteral("Recipient City, State and Zip Code"),
};

// US Letter and the label stock's grid, in twips.
constexpr int kPageWidth = 12240;
constexpr int kPageHeight = 15840;
constexpr int kMarginLeft = 225;
constexpr int kMarginRight = 225;
constexpr int kMarginTop = 720;
constexpr int kMarginBottom = 340;
constexpr int kLabelWidth = 5760;  // 4 in
constexpr int kGapWidth = 270;     // 0.1875 in
constexpr int kLabelHeight = 4800; // 3-1/3 in

struct Result
{
    int exitCode = -1;
    bool timedOut = false;
    QByteArray out;
    QByteArray err;
};

// Runs a program in a process group of its own that dies with this test, and
// ends the whole group afterwards, so that no office outlives the test even
// when it hangs or leaves a child behind.
Result run(const QString &program, const QStringList &arguments, int timeoutMs = 120000)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    process.setProcessEnvironment(env);
    const pid_t parent = ::getpid();
    process.setChildProcessModifier([parent] {
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(127);
    });
    process.start(program, arguments);
    Result result;
    if (!process.waitForStarted(10000))
        return result;
    const qint64 group = process.processId();
    result.timedOut = !process.waitForFinished(timeoutMs);
    ::kill(-pid_t(group), SIGKILL);
    if (result.timedOut)
        process.waitForFinished(5000);
    else
        result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

// Converts a file with a headless LibreOffice in a private profile. The first
// start on an empty profile only sets the profile up and exits with 81.
QString convertWithOffice(const QString &file, const QString &format, const QString &outDir,
                          const QString &profileDir, QString *log)
{
    const QString soffice = QStringLiteral("/usr/lib/libreoffice/program/soffice.bin");
    const QString target = outDir + QLatin1Char('/') + QFileInfo(file).completeBaseName()
        + QLatin1Char('.') + format;
    for (int attempt = 0; attempt < 3; ++attempt) {
        const Result r = run(soffice, {QStringLiteral("--headless"), QStringLiteral("--norestore"),
                                       QStringLiteral("--nologo"), QStringLiteral("--nolockcheck"),
                                       QStringLiteral("-env:UserInstallation=")
                                           + QUrl::fromLocalFile(profileDir).toString(),
                                       QStringLiteral("--convert-to"), format,
                                       QStringLiteral("--outdir"), outDir, file});
        *log += QStringLiteral("exit %1%2: %3 %4\n")
                    .arg(r.exitCode)
                    .arg(r.timedOut ? QStringLiteral(" (timed out)") : QString())
                    .arg(QString::fromUtf8(r.out), QString::fromUtf8(r.err));
        if (QFileInfo(target).size() > 0)
            return target;
        if (r.timedOut || (r.exitCode != 81 && r.exitCode != 0))
            break;
    }
    return QString();
}

QByteArray zipEntry(const QString &zip, const QString &entry)
{
    const Result r = run(QStringLiteral("unzip"), {QStringLiteral("-p"), zip, entry}, 30000);
    return r.exitCode == 0 ? r.out : QByteArray();
}

// ---------------------------------------------------------------------------
// The Word binary side: just enough of the OLE compound file to reach the
// streams' directory and the start of the WordDocument stream.

struct CompoundFile
{
    QByteArray bytes;
    int sectorSize = 0;
    quint32 miniCutoff = 0;
    QList<quint32> fat;

    struct Entry
    {
        QString name;
        int type = 0;
        quint32 start = 0;
        quint64 size = 0;
    };
    QList<Entry> entries;

    quint32 u32(qsizetype at) const { return qFromLittleEndian<quint32>(bytes.constData() + at); }
    quint16 u16(qsizetype at) const { return qFromLittleEndian<quint16>(bytes.constData() + at); }
    qsizetype sectorOffset(quint32 sector) const { return qsizetype(sector + 1) * sectorSize; }

    // Returns an empty string when the file could be read, otherwise what is wrong.
    QString read(const QByteArray &data)
    {
        bytes = data;
        if (bytes.size() < 512 || !bytes.startsWith(QByteArray::fromHex("d0cf11e0a1b11ae1")))
            return QStringLiteral("no OLE compound file signature");
        sectorSize = 1 << u16(0x1E);
        miniCutoff = u32(0x38);
        if (sectorSize != 512 || (bytes.size() % sectorSize) != 0)
            return QStringLiteral("unexpected sector size %1 or file size %2").arg(sectorSize).arg(bytes.size());
        // The first 109 FAT sectors are listed in the header; a file this small needs no more.
        const quint32 fatSectors = u32(0x2C);
        if (fatSectors > 109)
            return QStringLiteral("too many FAT sectors");
        for (quint32 i = 0; i < fatSectors; ++i) {
            const qsizetype at = sectorOffset(u32(0x4C + 4 * i));
            if (at + sectorSize > bytes.size())
                return QStringLiteral("FAT sector outside the file");
            for (int k = 0; k < sectorSize / 4; ++k)
                fat.append(u32(at + 4 * k));
        }
        QSet<quint32> seen;
        for (quint32 s = u32(0x30); s < 0xFFFFFFFA; s = fat.value(s, 0xFFFFFFFE)) {
            if (seen.contains(s) || sectorOffset(s) + sectorSize > bytes.size())
                return QStringLiteral("broken directory chain");
            seen.insert(s);
            for (int k = 0; k < sectorSize / 128; ++k) {
                const qsizetype at = sectorOffset(s) + 128 * k;
                const int nameBytes = u16(at + 0x40);
                Entry e;
                e.type = bytes.at(at + 0x42);
                if (e.type == 0 || nameBytes < 2 || nameBytes > 64)
                    continue;
                e.name = QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.constData() + at),
                                            nameBytes / 2 - 1);
                e.start = u32(at + 0x74);
                e.size = u32(at + 0x78);
                entries.append(e);
            }
        }
        return QString();
    }

    const Entry *find(const QString &name) const
    {
        for (const Entry &e : entries)
            if (e.name == name)
                return &e;
        return nullptr;
    }
};

// ---------------------------------------------------------------------------
// The .docx side: the body as tables, rows, cells and paragraphs.

const QString W = QStringLiteral("http://schemas.openxmlformats.org/wordprocessingml/2006/main");

struct Paragraph
{
    QString style;
    QString text;
    QStringList bookmarks; // names of the bookmarks that start in it
};
struct Cell
{
    QList<Paragraph> paragraphs;
};
struct Row
{
    int height = 0;
    QString heightRule;
    QList<Cell> cells;
};
struct Table
{
    QList<int> grid;
    QList<Row> rows;
};

struct Body
{
    QHash<QString, int> page; // pgSz and pgMar attributes, e.g. "w", "h", "left", "top"
    QString orientation;
    QList<Table> tables;
    int nestedTables = 0;
    QList<Paragraph> outsideTables;
    QStringList bookmarkStarts;
    int bookmarkEnds = 0;
    QString error;

    QString allText() const
    {
        QStringList texts;
        for (const Table &t : tables)
            for (const Row &r : t.rows)
                for (const Cell &c : r.cells)
                    for (const Paragraph &p : c.paragraphs)
                        texts << p.text;
        for (const Paragraph &p : outsideTables)
            texts << p.text;
        return texts.join(QLatin1Char('\n'));
    }
};

int intAttribute(const QXmlStreamReader &xml, const QString &name)
{
    return xml.attributes().value(W, name).toInt();
}

Body parseBody(const QByteArray &documentXml)
{
    Body body;
    QXmlStreamReader xml(documentXml);
    int tableDepth = 0;
    bool inParagraph = false;
    Paragraph paragraph;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (xml.namespaceUri() != W)
            continue;
        const QStringView name = xml.name();
        if (token == QXmlStreamReader::StartElement) {
            if (name == u"tbl") {
                if (++tableDepth == 1)
                    body.tables.append(Table());
                else
                    ++body.nestedTables;
            } else if (tableDepth == 1 && name == u"gridCol") {
                body.tables.last().grid.append(intAttribute(xml, QStringLiteral("w")));
            } else if (tableDepth == 1 && name == u"tr") {
                body.tables.last().rows.append(Row());
            } else if (tableDepth == 1 && name == u"trHeight") {
                body.tables.last().rows.last().height = intAttribute(xml, QStringLiteral("val"));
                body.tables.last().rows.last().heightRule = xml.attributes().value(W, QStringLiteral("hRule")).toString();
            } else if (tableDepth == 1 && name == u"tc") {
                body.tables.last().rows.last().cells.append(Cell());
            } else if (name == u"p") {
                inParagraph = true;
                paragraph = Paragraph();
            } else if (inParagraph && name == u"pStyle") {
                paragraph.style = xml.attributes().value(W, QStringLiteral("val")).toString();
            } else if (inParagraph && name == u"t") {
                paragraph.text += xml.readElementText();
            } else if (inParagraph && name == u"tab") {
                paragraph.text += QLatin1Char('\t');
            } else if (inParagraph && (name == u"br" || name == u"cr")) {
                paragraph.text += QLatin1Char('\n');
            } else if (name == u"bookmarkStart") {
                const QString bookmark = xml.attributes().value(W, QStringLiteral("name")).toString();
                body.bookmarkStarts << bookmark;
                if (inParagraph)
                    paragraph.bookmarks << bookmark;
            } else if (name == u"bookmarkEnd") {
                ++body.bookmarkEnds;
            } else if (name == u"pgSz") {
                body.page.insert(QStringLiteral("w"), intAttribute(xml, QStringLiteral("w")));
                body.page.insert(QStringLiteral("h"), intAttribute(xml, QStringLiteral("h")));
                body.orientation = xml.attributes().value(W, QStringLiteral("orient")).toString();
            } else if (name == u"pgMar") {
                for (const QXmlStreamAttribute &a : xml.attributes())
                    body.page.insert(a.name().toString(), a.value().toInt());
            }
        } else if (token == QXmlStreamReader::EndElement) {
            if (name == u"tbl") {
                --tableDepth;
            } else if (name == u"p" && inParagraph) {
                inParagraph = false;
                if (tableDepth == 0)
                    body.outsideTables.append(paragraph);
                else if (tableDepth == 1)
                    body.tables.last().rows.last().cells.last().paragraphs.append(paragraph);
            }
        }
    }
    if (xml.hasError())
        body.error = xml.errorString();
    return body;
}

struct Style
{
    QString name;
    QString basedOn;
    QString font;
    int halfPoints = 0;
    std::optional<bool> bold;
};

QHash<QString, Style> parseStyles(const QByteArray &stylesXml)
{
    QHash<QString, Style> styles;
    QXmlStreamReader xml(stylesXml);
    QString id;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement() || xml.namespaceUri() != W)
            continue;
        const QStringView name = xml.name();
        const QXmlStreamAttributes a = xml.attributes();
        if (name == u"style") {
            id = a.value(W, QStringLiteral("styleId")).toString();
            styles.insert(id, Style());
        } else if (id.isEmpty()) {
            continue;
        } else if (name == u"name") {
            styles[id].name = a.value(W, QStringLiteral("val")).toString();
        } else if (name == u"basedOn") {
            styles[id].basedOn = a.value(W, QStringLiteral("val")).toString();
        } else if (name == u"rFonts") {
            styles[id].font = a.value(W, QStringLiteral("ascii")).toString();
        } else if (name == u"sz") {
            styles[id].halfPoints = a.value(W, QStringLiteral("val")).toInt();
        } else if (name == u"b") {
            const QStringView v = a.value(W, QStringLiteral("val"));
            styles[id].bold = v.isEmpty() || v == u"true" || v == u"1" || v == u"on";
        }
    }
    return styles;
}

bool isSet(const QString &v) { return !v.isEmpty(); }
bool isSet(int v) { return v != 0; }
bool isSet(std::optional<bool> v) { return v.has_value(); }

// A formatting value as the style shows it, inherited along basedOn.
template<typename Get>
auto inherited(const QHash<QString, Style> &styles, QString id, Get get) -> decltype(get(Style()))
{
    for (int depth = 0; depth < 10 && styles.contains(id); ++depth) {
        const auto value = get(styles.value(id));
        if (isSet(value))
            return value;
        id = styles.value(id).basedOn;
    }
    return {};
}

} // namespace

class TemplateTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void resourceIsWordTemplate();
    void copyInTempFolderIsByteIdentical();
    void pageIsUsLetterWithLabelMargins();
    void bodyIsOneTableOfLabelsAndGaps();
    void labelHoldsBothAddressBlocks_data();
    void labelHoldsBothAddressBlocks();
    void phraseStandsSixTimesAndNowhereElse_data();
    void phraseStandsSixTimesAndNowhereElse();
    void stylesBuildOnHeadingAndNormal();
    void bookmarksMarkEveryAddressBlock();
    void propertiesDescribeTheSheet();

private:
    QByteArray m_bytes;
    QString m_copy;
    Body m_body;
    QHash<QString, Style> m_styles;
    QByteArray m_properties;
    QString m_catdoc;
};

void TemplateTest::initTestCase()
{
    m_bytes = TemplateBytes();
    QVERIFY(!m_bytes.isEmpty());

    // The program writes the template to the temporary folder and has the
    // engine open it there: read it from there too.
    m_copy = TemporaryPath(QStringLiteral("template.dot"));
    QVERIFY(m_copy.startsWith(TestEnvironment::temp()));
    WriteBytesIfAbsent(m_bytes, m_copy);

    const QString outDir = TestEnvironment::temp() + QStringLiteral("/docx");
    QVERIFY(QDir().mkpath(outDir));
    QString log;
    const QString docx = convertWithOffice(m_copy, QStringLiteral("docx"), outDir,
                                           TestEnvironment::root() + QStringLiteral("/office-profile"), &log);
    QVERIFY2(!docx.isEmpty(), qPrintable(QStringLiteral("LibreOffice did not convert the template:\n") + log));

    const QByteArray documentXml = zipEntry(docx, QStringLiteral("word/document.xml"));
    const QByteArray stylesXml = zipEntry(docx, QStringLiteral("word/styles.xml"));
    QVERIFY2(!documentXml.isEmpty() && !stylesXml.isEmpty(), "could not unpack the .docx (is unzip installed?)");
    m_body = parseBody(documentXml);
    QVERIFY2(m_body.error.isEmpty(), qPrintable(m_body.error));
    m_styles = parseStyles(stylesXml);
    m_properties = zipEntry(docx, QStringLiteral("docProps/core.xml"));

    const Result catdoc = run(QStringLiteral("catdoc"), {QStringLiteral("-w"), m_copy}, 30000);
    QVERIFY2(catdoc.exitCode == 0, catdoc.err.constData());
    m_catdoc = QString::fromUtf8(catdoc.out);
}

void TemplateTest::resourceIsWordTemplate()
{
    CompoundFile cf;
    const QString problem = cf.read(m_bytes);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));

    for (const QString &stream : {QStringLiteral("WordDocument"), QStringLiteral("1Table")})
        QVERIFY2(cf.find(stream), qPrintable(stream + QStringLiteral(" stream missing")));
    // No macro project and no embedded objects.
    QVERIFY(!cf.find(QStringLiteral("Macros")));
    QVERIFY(!cf.find(QStringLiteral("ObjectPool")));

    // The file information block at the start of the WordDocument stream.
    const CompoundFile::Entry *word = cf.find(QStringLiteral("WordDocument"));
    QVERIFY2(word->size >= cf.miniCutoff, "WordDocument stream unexpectedly in the mini stream");
    const qsizetype fib = cf.sectorOffset(word->start);
    QVERIFY(fib + 12 <= m_bytes.size());
    QCOMPARE(cf.u16(fib), quint16(0xA5EC)); // Word binary document
    QVERIFY(cf.u16(fib + 2) >= 193);       // Word 97 or later
    QCOMPARE(cf.u16(fib + 6), quint16(0x0409)); // English (United States)
    const quint16 flags = cf.u16(fib + 10);
    QVERIFY2(flags & 0x0001, "template flag not set");
    QVERIFY2(flags & 0x0200, "table stream is not 1Table");
}

void TemplateTest::copyInTempFolderIsByteIdentical()
{
    QFile file(m_copy);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), m_bytes);
    // Every generation loads the resource afresh; it must be the same each time.
    QCOMPARE(TemplateBytes(), m_bytes);
}

void TemplateTest::pageIsUsLetterWithLabelMargins()
{
    QCOMPARE(m_body.page.value(QStringLiteral("w")), kPageWidth);
    QCOMPARE(m_body.page.value(QStringLiteral("h")), kPageHeight);
    QVERIFY(m_body.orientation != u"landscape");
    QCOMPARE(m_body.page.value(QStringLiteral("left")), kMarginLeft);
    QCOMPARE(m_body.page.value(QStringLiteral("right")), kMarginRight);
    QCOMPARE(m_body.page.value(QStringLiteral("top")), kMarginTop);
    QCOMPARE(m_body.page.value(QStringLiteral("bottom")), kMarginBottom);
}

void TemplateTest::bodyIsOneTableOfLabelsAndGaps()
{
    QCOMPARE(m_body.tables.size(), 1);
    QCOMPARE(m_body.nestedTables, 0);
    const Table &table = m_body.tables.first();

    QCOMPARE(table.grid, (QList<int>{kLabelWidth, kGapWidth, kLabelWidth}));
    // The labels and the gap fill the page between the side margins exactly.
    QCOMPARE(table.grid.at(0) + table.grid.at(1) + table.grid.at(2), kPageWidth - kMarginLeft - kMarginRight);

    QCOMPARE(table.rows.size(), 3);
    for (const Row &row : table.rows) {
        QCOMPARE(row.cells.size(), 3);
        // Exact, so that long values wrap inside the label and never push the
        // rows off the label stock's grid.
        QCOMPARE(row.height, kLabelHeight);
        QCOMPARE(row.heightRule, QStringLiteral("exact"));
        for (const Paragraph &p : row.cells.at(1).paragraphs)
            QVERIFY2(p.text.isEmpty(), "the gap column must stay empty");
    }
    // Three rows and the top margin fit on the page: no second page.
    QVERIFY(kMarginTop + 3 * kLabelHeight <= kPageHeight - kMarginBottom);

    // Only the one empty paragraph that must follow a table.
    QCOMPARE(m_body.outsideTables.size(), 1);
    QCOMPARE(m_body.outsideTables.first().text, QString());
}

void TemplateTest::labelHoldsBothAddressBlocks_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    for (int label = 0; label < 6; ++label)
        QTest::addRow("label %d", label + 1) << label / 2 << (label % 2) * 2;
}

void TemplateTest::labelHoldsBothAddressBlocks()
{
    QFETCH(int, row);
    QFETCH(int, column);
    QVERIFY(!m_body.tables.isEmpty() && m_body.tables.first().rows.size() > row);
    const QList<Paragraph> &ps = m_body.tables.first().rows.at(row).cells.value(column).paragraphs;

    QCOMPARE(ps.size(), 12);
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(ps.at(i).text, kSenderPhrases.at(i));
        QCOMPARE(ps.at(i).style, QStringLiteral("ReturnAddress"));
    }
    for (int i = 4; i < 7; ++i)
        QCOMPARE(ps.at(i).text, QString());
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(ps.at(7 + i).text, kRecipientPhrases.at(i));
        QCOMPARE(ps.at(7 + i).style, QStringLiteral("ShipToAddress"));
    }
    QCOMPARE(ps.at(11).text, QString());
}

void TemplateTest::phraseStandsSixTimesAndNowhereElse_data()
{
    QTest::addColumn<QString>("phrase");
    for (const QString &phrase : kSenderPhrases + kRecipientPhrases)
        QTest::newRow(qPrintable(phrase)) << phrase;
}

void TemplateTest::phraseStandsSixTimesAndNowhereElse()
{
    QFETCH(QString, phrase);
    // The program replaces ignoring case, so count ignoring case too.
    QCOMPARE(m_body.allText().count(phrase, Qt::CaseInsensitive), 6);
    QCOMPARE(QString::fromUtf8(m_properties).count(phrase, Qt::CaseInsensitive), 0);

    // What a Word reader other than LibreOffice sees.
    QCOMPARE(m_catdoc.count(phrase, Qt::CaseInsensitive), 6);
    const QStringList lines = m_catdoc.split(QLatin1Char('\n'));
    QCOMPARE(lines.count(phrase), 6);
}

void TemplateTest::stylesBuildOnHeadingAndNormal()
{
    QVERIFY(m_styles.contains(QStringLiteral("ReturnAddress")));
    QVERIFY(m_styles.contains(QStringLiteral("ShipToAddress")));
    const Style returnAddress = m_styles.value(QStringLiteral("ReturnAddress"));
    const Style shipTo = m_styles.value(QStringLiteral("ShipToAddress"));
    QCOMPARE(returnAddress.name, QStringLiteral("ReturnAddress"));
    QCOMPARE(shipTo.name, QStringLiteral("ShipToAddress"));
    QCOMPARE(m_styles.value(returnAddress.basedOn).name.toLower(), QStringLiteral("heading 1"));
    QCOMPARE(m_styles.value(shipTo.basedOn).name, QStringLiteral("Normal"));

    // Arial (or its metric twin) so the sheet lays out the same everywhere.
    const auto font = [](const Style &s) { return s.font; };
    QCOMPARE(inherited(m_styles, QStringLiteral("ReturnAddress"), font), QStringLiteral("Arial"));
    QCOMPARE(inherited(m_styles, QStringLiteral("ShipToAddress"), font), QStringLiteral("Arial"));

    // A shipping label: the sender small, the recipient large and bold.
    const auto size = [](const Style &s) { return s.halfPoints; };
    const int returnSize = inherited(m_styles, QStringLiteral("ReturnAddress"), size);
    const int shipToSize = inherited(m_styles, QStringLiteral("ShipToAddress"), size);
    QVERIFY2(returnSize >= 14 && returnSize <= 20, qPrintable(QString::number(returnSize)));
    QVERIFY2(shipToSize >= 28 && shipToSize <= 36, qPrintable(QString::number(shipToSize)));
    const auto bold = [](const Style &s) { return s.bold; };
    QCOMPARE(inherited(m_styles, QStringLiteral("ShipToAddress"), bold), std::optional<bool>(true));
}

void TemplateTest::bookmarksMarkEveryAddressBlock()
{
    QCOMPARE(m_body.bookmarkStarts.size(), 36);
    QCOMPARE(m_body.bookmarkEnds, 36);
    QCOMPARE(QSet<QString>(m_body.bookmarkStarts.cbegin(), m_body.bookmarkStarts.cend()).size(), 36);

    QVERIFY(!m_body.tables.isEmpty());
    for (const Row &row : m_body.tables.first().rows) {
        for (int column : {0, 2}) {
            int inReturn = 0;
            int inShipTo = 0;
            for (const Paragraph &p : row.cells.value(column).paragraphs) {
                if (p.style == u"ReturnAddress")
                    inReturn += p.bookmarks.size();
                else if (p.style == u"ShipToAddress")
                    inShipTo += p.bookmarks.size();
                else
                    QVERIFY2(p.bookmarks.isEmpty(), "bookmark outside an address block");
            }
            QCOMPARE(inReturn, 3);
            QCOMPARE(inShipTo, 3);
        }
    }
}

void TemplateTest::propertiesDescribeTheSheet()
{
    QXmlStreamReader xml(m_properties);
    QHash<QString, QString> properties;
    // The properties are the children of the root element.
    if (xml.readNextStartElement()) {
        while (xml.readNextStartElement()) {
            const QString name = xml.name().toString();
            properties.insert(name, xml.readElementText(QXmlStreamReader::SkipChildElements));
        }
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));

    QVERIFY(properties.value(QStringLiteral("title")).contains(QStringLiteral("Shipping Labels"), Qt::CaseInsensitive));
    for (const QString &key : {QStringLiteral("subject"), QStringLiteral("keywords"), QStringLiteral("description")}) {
        const QString value = properties.value(key);
        QVERIFY2(value.contains(QStringLiteral("shipping labels"), Qt::CaseInsensitive), qPrintable(key));
        for (const char *stock : {"5164", "8164", "8254", "8464"})
            QVERIFY2(value.contains(QLatin1String(stock)), qPrintable(key + QStringLiteral(": ") + QLatin1String(stock)));
    }
    QVERIFY(properties.value(QStringLiteral("subject")).contains(QStringLiteral("six per sheet"), Qt::CaseInsensitive));
}

PARCELON_TEST_MAIN(TemplateTest)

#include "tst_template.moc"
