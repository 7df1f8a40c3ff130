// "Start Creating Template" and the preview export, driven against the
// in-memory engine so that every step can be made to fail.

#include "FakeEngine.h"
#include "LabelGeneration.h"
#include "LabelSheetHost.h"
#include "RecordingMessageBoxes.h"
#include "Resources.h"
#include "ScriptedSeams.h"
#include "Seams.h"
#include "TestMain.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const char kPB6[] = "in Parcelwise2021/08/31.Form1.PushButton6_Click ";
const char kJPG[] = "in Parcelwise2021/08/31.Form1.SaveDocAsJPG ";
const QString kNoObject = QStringLiteral("Object variable or With block variable not set");

// Stands in for the main window: twelve fields and a record of what the
// generation did to it.
class TestHost : public LabelSheetHost
{
public:
    bool isBusy() const override { return busy; }
    void setBusy(bool on) override
    {
        busy = on;
        events.append(on ? QStringLiteral("setBusy(1)") : QStringLiteral("setBusy(0)"));
    }
    QString fieldText(int field) const override
    {
        ++fieldReads;
        return fields.value(field - 1);
    }
    void setBusyPointer() override { events.append(QStringLiteral("busyPointer")); }
    void setDefaultPointer() override { events.append(QStringLiteral("defaultPointer")); }
    void setPreviewPicture(const QImage &image) override
    {
        picture = image;
        events.append(QStringLiteral("picture"));
    }
    void setPreviewWordFile(const QString &path) override
    {
        wordFile = path;
        events.append(QStringLiteral("wordFile"));
    }
    void showPreview() override { events.append(QStringLiteral("showPreview")); }
    void hideMain() override { events.append(QStringLiteral("hideMain")); }

    QStringList fields = QStringList(12, QString());
    bool busy = false;
    QStringList events;
    QImage picture;
    QString wordFile;
    mutable int fieldReads = 0;
};

struct Report
{
    QString description;
    QString tag;
    int step = -1;
};

Report parseReport(const RecordingMessageBoxes::Box &box)
{
    static const QRegularExpression shape(
        QStringLiteral("^(.*)\r\n(in Parcelwise2021/08/31\\.\\S+ )at line (\\d+)\r\rPlease email "),
        QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = shape.match(box.text);
    if (!m.hasMatch())
        return {};
    return {m.captured(1), m.captured(2), m.captured(3).toInt()};
}

QList<Report> reportsOf(const RecordingMessageBoxes &boxes)
{
    QList<Report> reports;
    for (const auto &box : boxes.errorReports())
        reports.append(parseReport(box));
    return reports;
}

// "tag:step" for every report, for compact comparisons.
QStringList reportKeys(const RecordingMessageBoxes &boxes)
{
    QStringList keys;
    for (const Report &r : reportsOf(boxes))
        keys.append((r.tag == QLatin1String(kPB6) ? QStringLiteral("PB6:") : r.tag == QLatin1String(kJPG) ? QStringLiteral("JPG:") : r.tag + QLatin1Char(':'))
                    + QString::number(r.step));
    return keys;
}

QString temp(const QString &name)
{
    return TestEnvironment::temp() + QLatin1Char('/') + name;
}

QStringList tempEntries()
{
    return QDir(TestEnvironment::temp()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return file.readAll();
}

const QStringList kPhrases = {
    QStringLiteral("Sender Company"),
    QStringLiteral("Sender Name"),
    QStringLiteral("Sender Street Address"),
    QStringLiteral("Sender City, State and Zip Code"),
    QStringLiteral("Recipient Company"),
    QStringLiteral("Recipient Name"),
    QStringLiteral("Recipient Street Address"),
    QStringLiteral("Recipient City, State and Zip Code"),
};

// A text template with the eight phrases on every one of six labels.
QString templateText()
{
    QString text;
    for (int label = 1; label <= 6; ++label) {
        text += QStringLiteral("[label %1]\n").arg(label);
        for (const QString &phrase : kPhrases)
            text += phrase + QLatin1Char('\n');
    }
    return text;
}

// The same text with each phrase replaced by its value, blocks in order.
QString filledText(const QStringList &values)
{
    QString text = templateText();
    for (int i = 0; i < 8; ++i)
        text.replace(kPhrases[i], values[i], Qt::CaseInsensitive);
    return text;
}

const QStringList kSample = {
    QStringLiteral("Acme Parts"), QStringLiteral("Jane Roe"), QStringLiteral("12 Elm St"),
    QStringLiteral("Springfield"), QStringLiteral("IL"), QStringLiteral("62701"),
    QStringLiteral("Zenith Supply"), QStringLiteral("John Doe"), QStringLiteral("400 Oak Ave"),
    QStringLiteral("Portland"), QStringLiteral("OR"), QStringLiteral("97201"),
};

// One click's worth of collaborators.
struct Rig
{
    Rig()
    {
        engine.clipboard = &clipboard;
        services.messages = &boxes;
        services.random = &random;
        services.clipboard = &clipboard;
        services.engines = &engine;
        host.fields = kSample;
    }

    void click() { GenerateLabelSheet(services, host); }

    RecordingMessageBoxes boxes;
    ScriptedRandom random;
    ScriptedClipboard clipboard;
    FakeEngine engine;
    Services services;
    TestHost host;
};

QImage oldPicture()
{
    QImage image(10, 10, QImage::Format_RGB32);
    image.fill(Qt::red);
    return image;
}

} // namespace

class tst_Generation : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void successfulRunFollowsEverySteps();
    void engineCannotStartReportsEveryDependentStep();
    void injectedFailureIsReportedAtItsStep_data();
    void injectedFailureIsReportedAtItsStep();
    void secondClickDuringEventPassDoesNothing();
    void presentTemplateIsUsedThenDeleted();
    void linksAtFixedNamesAreReplacedNotFollowed();
    void takenNameIsDrawnAgain();
    void clipboardReads();
    void unreadableClipboardLeavesPreviewAsItWas();
    void laterPhraseInEarlierFieldIsReplaced_data();
    void laterPhraseInEarlierFieldIsReplaced();
    void emptyFieldsLeaveSeparators();
    void blanksReachTheDocumentUnchanged();
    void privateFolderWhenTempUnset();
};

void tst_Generation::init()
{
    qputenv("TEMP", QFile::encodeName(TestEnvironment::temp()));
    QDir dir(TestEnvironment::temp());
    for (const QString &entry : tempEntries())
        QFile::remove(dir.filePath(entry));
    QVERIFY(tempEntries().isEmpty());
}

void tst_Generation::successfulRunFollowsEverySteps()
{
    Rig rig;
    writeFile(temp("template.dot"), templateText().toUtf8());
    rig.random.values = {0.0, 0.12, 0.25, 0.5, 0.6, 0.75, 0.9, 0.999};
    rig.click();

    QCOMPARE(rig.boxes.boxes().size(), 0);
    const QString name = temp("qmtemp12356799.doc");
    QCOMPARE(rig.host.wordFile, name);
    QCOMPARE(rig.host.events,
             QStringList({"setBusy(1)", "busyPointer", "picture", "wordFile", "defaultPointer",
                          "showPreview", "hideMain", "setBusy(0)"}));
    QVERIFY(!rig.host.busy);

    // The engine's side, whole: one instance fills and saves, a second renders.
    const QStringList &calls = rig.engine.calls;
    QCOMPARE(calls.first(), "create()");
    QCOMPARE(calls.at(1), QStringLiteral("open(%1,readOnly=1)").arg(temp("template.dot")));
    const QStringList firstBlock = calls.mid(2, 17);
    QCOMPARE(firstBlock,
             QStringList({"selectionFind()", "find.clearFormatting()", "selectionFind()",
                          "find.clearReplacementFormatting()", "selectionFind()",
                          "find.setText(Sender Company)", "find.setReplacementText(Acme Parts)",
                          "find.setForward(1)", "find.setWrap(1)", "find.setFormat(0)",
                          "find.setMatchCase(0)", "find.setMatchWholeWord(0)",
                          "find.setMatchWildcards(0)", "find.setMatchSoundsLike(0)",
                          "find.setMatchAllWordForms(0)", "selectionFind()", "execute(2)"}));
    QCOMPARE(calls.size(), 2 + 8 * 17 + 11);
    for (int k = 1; k < 8; ++k) {
        QStringList block = calls.mid(2 + 17 * k, 17);
        QCOMPARE(block.at(5), QStringLiteral("find.setText(%1)").arg(kPhrases[k]));
        block[5] = firstBlock[5];
        block[6] = firstBlock[6];
        QCOMPARE(block, firstBlock);
    }
    QCOMPARE(rig.engine.callsStartingWith("find.setReplacementText("),
             QStringList({"find.setReplacementText(Acme Parts)", "find.setReplacementText(Jane Roe)",
                          "find.setReplacementText(12 Elm St)",
                          "find.setReplacementText(Springfield, IL 62701)",
                          "find.setReplacementText(Zenith Supply)", "find.setReplacementText(John Doe)",
                          "find.setReplacementText(400 Oak Ave)",
                          "find.setReplacementText(Portland, OR 97201)"}));
    QCOMPARE(calls.mid(2 + 8 * 17),
             QStringList({QStringLiteral("saveAs(%1)").arg(name), "setDisplayAlerts(0)", "close()",
                          "quit()", "destroy()", "create()", QStringLiteral("open(%1)").arg(name),
                          "copyRangeAsPicture()", "closeActiveDocument(0)", "quit()", "destroy()"}));
    QCOMPARE(rig.engine.liveApplications, 0);

    // Six labels, every phrase replaced by its value.
    const QString document = QString::fromUtf8(readFile(name));
    QCOMPARE(document,
             filledText({"Acme Parts", "Jane Roe", "12 Elm St", "Springfield, IL 62701", "Zenith Supply",
                         "John Doe", "400 Oak Ave", "Portland, OR 97201"}));
    QCOMPARE(document.count(QStringLiteral("Portland, OR 97201")), 6);

    // The picture the engine rendered, unchanged, dots per metre included.
    QCOMPARE(rig.host.picture.size(), QSize(1472, 1904));
    QCOMPARE(rig.host.picture.dotsPerMeterX(), 15118);
    QCOMPARE(rig.host.picture.convertToFormat(QImage::Format_RGB32), FakeEngine::samplePicture());

    // Only the generated document is left behind.
    QCOMPARE(tempEntries(), QStringList({"qmtemp12356799.doc"}));
}

void tst_Generation::engineCannotStartReportsEveryDependentStep()
{
    Rig rig;
    writeFile(temp("template.dot"), templateText().toUtf8());
    rig.engine.failOn("create", 0, "Cannot start the office");
    rig.host.picture = oldPicture();
    rig.click();

    QStringList expected = {"PB6:110", "PB6:114"};
    for (int step = 116; step <= 338; step += 2)
        expected.append(QStringLiteral("PB6:%1").arg(step));
    expected << "PB6:356" << "PB6:358" << "PB6:360" << "PB6:362";
    expected << "JPG:116" << "JPG:118" << "JPG:120" << "JPG:122" << "JPG:124" << "JPG:126";
    expected << "PB6:372";
    QCOMPARE(expected.size(), 125);
    QCOMPARE(reportKeys(rig.boxes), expected);

    const QList<Report> reports = reportsOf(rig.boxes);
    QCOMPARE(reports.at(0).description, "Cannot start the office");
    QCOMPARE(reports.at(1).description, kNoObject);
    QCOMPARE(reports.at(118).description, "Cannot start the office"); // the export's own creation
    for (const auto &box : rig.boxes.boxes()) {
        QCOMPARE(box.title, "Application Error");
        QCOMPARE(box.style, BoxStyle::Warning);
    }

    // The clean-up and the hand-over still run; the old picture stays.
    QVERIFY(!rig.host.busy);
    QVERIFY(rig.host.events.contains("showPreview"));
    QVERIFY(rig.host.events.contains("hideMain"));
    QCOMPARE(rig.host.events.last(), "setBusy(0)");
    QCOMPARE(rig.host.picture, oldPicture());
    QVERIFY(rig.host.wordFile.startsWith(temp("qmtemp")));
    QVERIFY(tempEntries().isEmpty());
}

void tst_Generation::injectedFailureIsReportedAtItsStep_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<int>("nth");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<bool>("pictureShown");

    QTest::newRow("setText of block 3") << "find.setText" << 3 << QStringList({"PB6:178"}) << true;
    QTest::newRow("last replace") << "execute" << 8 << QStringList({"PB6:338"}) << true;
    QTest::newRow("match-all-word-forms of block 5")
        << "find.setMatchAllWordForms" << 5 << QStringList({"PB6:252"}) << true;
    QTest::newRow("display alerts") << "setDisplayAlerts" << 1 << QStringList({"PB6:358"}) << true;
    QTest::newRow("quit") << "quit" << 1 << QStringList({"PB6:362"}) << true;
    QTest::newRow("export quit") << "quit" << 2 << QStringList({"JPG:126"}) << true;
    QTest::newRow("export close") << "closeActiveDocument" << 1 << QStringList({"JPG:124"}) << true;
    QTest::newRow("export creation")
        << "create" << 2
        << QStringList({"JPG:116", "JPG:118", "JPG:120", "JPG:122", "JPG:124", "JPG:126", "PB6:372"})
        << false;
    QTest::newRow("copy as picture")
        << "copyRangeAsPicture" << 1 << QStringList({"JPG:120", "JPG:122", "PB6:372"}) << false;
    // Nothing saved: the export cannot open the document either.
    QTest::newRow("save") << "saveAs" << 1
                          << QStringList({"PB6:356", "JPG:118", "JPG:120", "JPG:122", "JPG:124", "PB6:372"})
                          << false;
    QStringList openFails = {"PB6:114"};
    for (int step = 116; step <= 338; step += 2)
        openFails.append(QStringLiteral("PB6:%1").arg(step));
    openFails << "PB6:356" << "PB6:360" << "JPG:118" << "JPG:120" << "JPG:122" << "JPG:124" << "PB6:372";
    QTest::newRow("template open") << "open" << 1 << openFails << false;
}

void tst_Generation::injectedFailureIsReportedAtItsStep()
{
    QFETCH(QString, operation);
    QFETCH(int, nth);
    QFETCH(QStringList, expected);
    QFETCH(bool, pictureShown);

    Rig rig;
    writeFile(temp("template.dot"), templateText().toUtf8());
    rig.engine.failOn(operation, nth, "Injected");
    rig.host.picture = oldPicture();
    rig.click();

    QCOMPARE(reportKeys(rig.boxes), expected);
    QCOMPARE(reportsOf(rig.boxes).first().description, "Injected");
    QCOMPARE(rig.host.picture != oldPicture(), pictureShown);
    QCOMPARE(rig.host.events.last(), "setBusy(0)");
    QVERIFY(rig.host.events.contains("showPreview"));
    // Every instance is released whatever failed; no template or picture file is left.
    QCOMPARE(rig.engine.liveApplications, 0);
    QVERIFY(!QFileInfo::exists(temp("template.dot")));
    QVERIFY(!QFileInfo::exists(temp("temp.bmp")));
}

void tst_Generation::secondClickDuringEventPassDoesNothing()
{
    // No template present: the write at step 108 lets waiting events run,
    // and a second click is waiting.
    Rig rig;
    int nestedClicks = 0;
    QStringList eventsAtNestedClick;
    QTimer::singleShot(0, [&] {
        ++nestedClicks;
        eventsAtNestedClick = rig.host.events;
        rig.click();
    });
    rig.click();

    QCOMPARE(nestedClicks, 1);
    QCOMPARE(eventsAtNestedClick, QStringList({"setBusy(1)", "busyPointer"}));
    QCOMPARE(rig.boxes.boxes().size(), 0);
    QCOMPARE(rig.engine.createdApplications, 2);
    QCOMPARE(rig.host.events.count("setBusy(1)"), 1);
    QCOMPARE(rig.host.events.count("showPreview"), 1);
    QVERIFY(!rig.host.busy);
    // The template came from the resource.
    QCOMPARE(rig.engine.openedFileBytes.first(), TemplateBytes());
}

void tst_Generation::presentTemplateIsUsedThenDeleted()
{
    Rig rig;
    writeFile(temp("template.dot"), "Custom: sender company / RECIPIENT NAME");
    rig.click();

    QCOMPARE(rig.boxes.boxes().size(), 0);
    QCOMPARE(rig.engine.openedFileBytes.first(), "Custom: sender company / RECIPIENT NAME");
    QCOMPARE(readFile(rig.host.wordFile), "Custom: Acme Parts / John Doe");
    QVERIFY(!QFileInfo::exists(temp("template.dot")));
}

void tst_Generation::linksAtFixedNamesAreReplacedNotFollowed()
{
    // Somebody else's files, reachable through links at the two fixed names.
    const QString victimText = TestEnvironment::root() + "/victim.txt";
    const QString victimPicture = TestEnvironment::root() + "/victim.png";
    writeFile(victimText, "Sender Company belongs to someone else");
    QImage foreign(5, 5, QImage::Format_RGB32);
    foreign.fill(Qt::blue);
    QVERIFY(foreign.save(victimPicture, "PNG"));
    const QByteArray victimPictureBytes = readFile(victimPicture);
    QCOMPARE(::symlink(QFile::encodeName(victimText).constData(),
                       QFile::encodeName(temp("template.dot")).constData()),
             0);
    QCOMPARE(::symlink(QFile::encodeName(victimPicture).constData(),
                       QFile::encodeName(temp("temp.bmp")).constData()),
             0);

    Rig rig;
    rig.click();

    QCOMPARE(rig.boxes.boxes().size(), 0);
    QCOMPARE(rig.engine.openedFileBytes.first(), TemplateBytes());
    QCOMPARE(readFile(victimText), "Sender Company belongs to someone else");
    QCOMPARE(readFile(victimPicture), victimPictureBytes);
    QCOMPARE(rig.host.picture.size(), QSize(1472, 1904));
    QCOMPARE(tempEntries(), QStringList({QFileInfo(rig.host.wordFile).fileName()}));

    // The same for a link planted at the preview name when the export fails:
    // the linked picture is neither shown nor deleted.
    QCOMPARE(::symlink(QFile::encodeName(victimPicture).constData(),
                       QFile::encodeName(temp("temp.bmp")).constData()),
             0);
    Rig failing;
    failing.random.values = {0.5};
    failing.engine.failOn("copyRangeAsPicture");
    failing.host.picture = oldPicture();
    failing.click();
    QCOMPARE(reportKeys(failing.boxes), QStringList({"JPG:120", "JPG:122", "PB6:372"}));
    QCOMPARE(failing.host.picture, oldPicture());
    QCOMPARE(readFile(victimPicture), victimPictureBytes);
}

void tst_Generation::takenNameIsDrawnAgain()
{
    writeFile(temp("qmtemp11111111.doc"), "someone's earlier sheet");
    // A dangling link at a drawn name: saving through it would create its target.
    const QString linkTarget = TestEnvironment::root() + "/link-target.doc";
    QCOMPARE(::symlink(QFile::encodeName(linkTarget).constData(),
                       QFile::encodeName(temp("qmtemp55555555.doc")).constData()),
             0);

    Rig rig;
    writeFile(temp("template.dot"), templateText().toUtf8());
    rig.random.values = QList<double>(8, 0.0) + QList<double>(8, 0.5)
        + QList<double>({0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9});
    rig.click();

    QCOMPARE(rig.boxes.boxes().size(), 0);
    QCOMPARE(rig.random.draws, 24);
    QCOMPARE(rig.host.wordFile, temp("qmtemp23456789.doc"));
    QCOMPARE(readFile(temp("qmtemp11111111.doc")), "someone's earlier sheet");
    QVERIFY(QFileInfo(temp("qmtemp55555555.doc")).isSymLink());
    QVERIFY(!QFileInfo::exists(linkTarget));
    QFile::remove(temp("qmtemp55555555.doc"));
}

void tst_Generation::clipboardReads()
{
    const QImage sheet = FakeEngine::samplePicture();
    {
        ScriptedClipboard clipboard;
        clipboard.stored = sheet;
        clipboard.failingReads = 999;
        QCOMPARE(GetClipboardPicture(clipboard, 0), sheet);
        QCOMPARE(clipboard.reads, 1000);
    }
    {
        ScriptedClipboard clipboard;
        clipboard.stored = sheet;
        clipboard.failingReads = 1000;
        QVERIFY(GetClipboardPicture(clipboard, 0).isNull());
        QCOMPARE(clipboard.reads, 1000);
    }
    {
        // A read that throws counts as a failed read and is swallowed.
        struct Throwing : PictureClipboard
        {
            QImage image() override
            {
                if (++reads < 3)
                    throw Failure("busy");
                return picture;
            }
            void setImage(const QImage &) override {}
            QImage picture;
            int reads = 0;
        } clipboard;
        clipboard.picture = sheet;
        QCOMPARE(GetClipboardPicture(clipboard, 0), sheet);
        QCOMPARE(clipboard.reads, 3);
    }

    // Briefly unreadable during a generation: the picture still arrives.
    Rig rig;
    writeFile(temp("template.dot"), templateText().toUtf8());
    rig.clipboard.failingReads = 500;
    rig.click();
    QCOMPARE(rig.boxes.boxes().size(), 0);
    QCOMPARE(rig.clipboard.reads, 501);
    QCOMPARE(rig.host.picture.convertToFormat(QImage::Format_RGB32), sheet);
}

void tst_Generation::unreadableClipboardLeavesPreviewAsItWas()
{
    // A preview file left over from an earlier run must not be shown instead.
    QImage stale(7, 7, QImage::Format_RGB32);
    stale.fill(Qt::green);
    QVERIFY(stale.save(temp("temp.bmp"), "PNG"));

    Rig rig;
    writeFile(temp("template.dot"), templateText().toUtf8());
    rig.clipboard.failingReads = 1000;
    rig.host.picture = oldPicture();
    rig.click();

    QCOMPARE(reportKeys(rig.boxes), QStringList({"JPG:122", "PB6:372"}));
    QCOMPARE(rig.clipboard.reads, 1000);
    QCOMPARE(rig.host.picture, oldPicture());
    QVERIFY(rig.engine.calls.contains("closeActiveDocument(0)"));
    QCOMPARE(rig.engine.liveApplications, 0);
    QVERIFY(!QFileInfo::exists(temp("temp.bmp")));
    QVERIFY(rig.host.events.contains("showPreview"));

    // With the copy failing, the clipboard (the user's own picture) is not even read.
    Rig copyFails;
    copyFails.random.values = {0.5};
    copyFails.clipboard.stored = stale;
    copyFails.engine.failOn("copyRangeAsPicture");
    copyFails.click();
    QCOMPARE(copyFails.clipboard.reads, 0);
    QVERIFY(copyFails.host.picture.isNull());
}

void tst_Generation::laterPhraseInEarlierFieldIsReplaced_data()
{
    QTest::addColumn<QString>("company");
    QTest::newRow("lower") << "Attn recipient name desk";
    QTest::newRow("title") << "Attn Recipient Name desk";
    QTest::newRow("mixed") << "Attn rEcIpIeNt NaMe desk";
}

void tst_Generation::laterPhraseInEarlierFieldIsReplaced()
{
    QFETCH(QString, company);
    Rig rig;
    writeFile(temp("template.dot"), templateText().toUtf8());
    rig.host.fields[0] = company;
    rig.click();

    QCOMPARE(rig.boxes.boxes().size(), 0);
    const QString document = QString::fromUtf8(readFile(rig.host.wordFile));
    QCOMPARE(document.count("Attn John Doe desk"), 6);
    QVERIFY(!document.contains("recipient name", Qt::CaseInsensitive));
}

void tst_Generation::emptyFieldsLeaveSeparators()
{
    Rig rig;
    writeFile(temp("template.dot"), templateText().toUtf8());
    rig.host.fields = QStringList(12, QString());
    rig.click();

    QCOMPARE(rig.boxes.boxes().size(), 0);
    const QStringList values = rig.engine.callsStartingWith("find.setReplacementText(");
    QCOMPARE(values.at(3), "find.setReplacementText(,  )");
    QCOMPARE(values.at(7), "find.setReplacementText(,  )");
    const QString document = QString::fromUtf8(readFile(rig.host.wordFile));
    QCOMPARE(document, filledText({"", "", "", ",  ", "", "", "", ",  "}));
    QCOMPARE(document.count(QStringLiteral("\n,  \n")), 12);
}

void tst_Generation::blanksReachTheDocumentUnchanged()
{
    Rig rig;
    writeFile(temp("template.dot"), templateText().toUtf8());
    rig.host.fields = {" Acme ", "  Jane Roe", "12 Elm St  ", " Springfield ", " IL", "62701 ",
                       "\tZenith", "John  Doe", "$1 & ^p \\ .*", "Portland ", "OR ", " 97201"};
    rig.click();

    QCOMPARE(rig.boxes.boxes().size(), 0);
    const QStringList expected = {" Acme ", "  Jane Roe", "12 Elm St  ", " Springfield ,  IL 62701 ",
                                  "\tZenith", "John  Doe", "$1 & ^p \\ .*", "Portland , OR   97201"};
    const QString document = QString::fromUtf8(readFile(rig.host.wordFile));
    QCOMPARE(document, filledText(expected));
    for (const QString &value : expected)
        QCOMPARE(document.count(value), 6);
}

void tst_Generation::privateFolderWhenTempUnset()
{
    // With TEMP unset every file goes to a private folder, never to "/".
    qunsetenv("TEMP");
    Rig rig;
    rig.click();
    QCOMPARE(rig.boxes.boxes().size(), 0);
    const QString folder = QFileInfo(rig.host.wordFile).absolutePath();
    QCOMPARE(folder, qEnvironmentVariable("XDG_RUNTIME_DIR") + "/parcelon");
    QVERIFY(QFileInfo::exists(rig.host.wordFile));
    struct stat info {};
    QCOMPARE(::stat(QFile::encodeName(folder).constData(), &info), 0);
    QCOMPARE(info.st_mode & 0777, 0700u);
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList({QFileInfo(rig.host.wordFile).fileName()}));
    QFile::remove(rig.host.wordFile);
}

PARCELON_TEST_MAIN(tst_Generation)
#include "tst_generation.moc"
