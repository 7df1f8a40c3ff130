// "Start Creating Template" and the preview export, driven against the
// in-memory engine so that every step can be made to fail.

#include "core/GeneratedDocuments.h"
#include "core/Seams.h"
#include "core/TempFolderLock.h"
#include "labels/LabelGeneration.h"
#include "labels/LabelSheetHost.h"
#include "resources/Resources.h"
#include "tests/support/FakeEngine.h"
#include "tests/support/RecordingMessageBoxes.h"
#include "tests/support/ScriptedSeams.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestMain.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRegularExpression>
#include <QTimer>

#include <sys/wait.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Stands in for the main window: twelve fields and a record of what the generation did to it.
class TestHost : public LabelSheetHost
{
public:
    bool isBusy() const override { return busy; }
    void setBusy(bool on) override { busy = on, events << QStringLiteral("setBusy(%1)").arg(on); }
    QString fieldText(int field) const override { return fields.value(field - 1); }
    void setBusyPointer() override { events << "busyPointer"; }
    void setDefaultPointer() override { events << "defaultPointer"; }
    void setPreviewPicture(const QImage &image) override { picture = image, events << "picture"; }
    void setPreviewWordFile(const QString &path) override { wordFile = path, events << "wordFile"; }
    void showPreview() override { events << "showPreview"; }
    void hideMain() override { events << "hideMain"; }

    QStringList fields = {"Acme Parts",    "Jane Roe", "12 Elm St",   "Springfield", "IL", "62701",
                          "Zenith Supply", "John Doe", "400 Oak Ave", "Portland",    "OR", "97201"};
    bool busy = false;
    QStringList events;
    QImage picture;
    QString wordFile;
};

// "PB6:116" or "JPG:120" for every report; the description of each in `descriptions`.
QStringList reportKeys(const RecordingMessageBoxes &boxes, QStringList *descriptions = nullptr)
{
    static const QRegularExpression shape(
        QStringLiteral(
            "^(.*)\r\nin Parcelwise2021/08/31\\.Form1\\.(PushButton6_Click|SaveDocAsJPG) at line (\\d+)\r\rPlease email "),
        QRegularExpression::DotMatchesEverythingOption);
    QStringList keys;
    for (const auto &box : boxes.boxes()) {
        const QRegularExpressionMatch m = shape.match(box.text);
        const bool report = m.hasMatch() && box.title == "Application Error" && box.style == BoxStyle::Warning;
        keys << (report ? (m.captured(2) == "SaveDocAsJPG" ? "JPG:" : "PB6:") + m.captured(3)
                        : "not a report: " + box.text);
        if (descriptions)
            *descriptions << m.captured(1);
    }
    return keys;
}

QString temp(const QString &name)
{
    return TestEnvironment::temp() + QLatin1Char('/') + name;
}

QStringList tempEntries()
{
    return QDir(TestEnvironment::temp())
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

void link(const QString &target, const QString &at)
{
    QCOMPARE(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(at).constData()), 0);
}

const QStringList kPhrases = {
    "Sender Company",    "Sender Name",    "Sender Street Address",    "Sender City, State and Zip Code",
    "Recipient Company", "Recipient Name", "Recipient Street Address", "Recipient City, State and Zip Code"};

// A text template with the eight phrases on every one of six labels, or the
// same text with each phrase replaced by its value, blocks in order.
QString labelText(const QStringList &values = kPhrases)
{
    QString text;
    for (int label = 1; label <= 6; ++label)
        text += QStringLiteral("[label %1]\n").arg(label) + kPhrases.join('\n') + '\n';
    for (int i = 0; i < 8; ++i)
        text.replace(kPhrases[i], values[i], Qt::CaseInsensitive);
    return text;
}

QImage redPicture()
{
    QImage image(10, 10, QImage::Format_RGB32);
    image.fill(Qt::red);
    return image;
}

// One click's worth of collaborators; the text template is in place unless told otherwise.
struct Rig : FakeServices
{
    explicit Rig(bool withTemplate = true)
    {
        engines.clipboard = &clipboard;
        if (withTemplate)
            WriteFileBytes(temp("template.dot"), labelText().toUtf8());
    }
    void click()
    {
        GenerateLabelSheet(services, host);
        FinishPreviewFiles();
    }

    TestHost host;
};

} // namespace

class tst_Generation : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        qputenv("TEMP", QFile::encodeName(TestEnvironment::temp()));
        DeleteGeneratedDocuments();
        for (const QString &entry : tempEntries())
            QFile::remove(temp(entry));
        QVERIFY(tempEntries().isEmpty());
    }

    void successfulRunFollowsEveryStep()
    {
        Rig rig;
        rig.random.values = {0.0, 0.12, 0.25, 0.5, 0.6, 0.75, 0.9, 0.999};
        rig.click();

        QCOMPARE(rig.messages.boxes().size(), 0);
        const QString name = temp("qmtemp12356799.doc");
        QCOMPARE(rig.host.wordFile, name);
        QCOMPARE(rig.host.events,
                 QStringList({"setBusy(1)", "busyPointer", "picture", "wordFile", "defaultPointer", "showPreview",
                              "hideMain", "setBusy(0)"}));
        // The engine's side, whole: one instance fills and saves, a second renders.
        const QStringList &calls = rig.engines.calls;
        QCOMPARE(calls.mid(0, 2), QStringList({"create()", "open(" + temp("template.dot") + ",readOnly=1)"}));
        QCOMPARE(calls.size(), 2 + 8 * 17 + 11);
        for (int k = 0; k < 8; ++k)
            QCOMPARE(
                calls.mid(2 + 17 * k, 17),
                QStringList({"selectionFind()", "find.clearFormatting()", "selectionFind()",
                             "find.clearReplacementFormatting()", "selectionFind()",
                             "find.setText(" + kPhrases[k] + ")", calls[2 + 17 * k + 6], "find.setForward(1)",
                             "find.setWrap(1)", "find.setFormat(0)", "find.setMatchCase(0)",
                             "find.setMatchWholeWord(0)", "find.setMatchWildcards(0)", "find.setMatchSoundsLike(0)",
                             "find.setMatchAllWordForms(0)", "selectionFind()", "execute(2)"}));
        QCOMPARE(calls.mid(2 + 8 * 17),
                 QStringList({"saveAs(" + name + ")", "setDisplayAlerts(0)", "close()", "quit()", "destroy()",
                              "create()", "open(" + name + ")", "copyRangeAsPicture()", "closeActiveDocument(0)",
                              "quit()", "destroy()"}));
        QCOMPARE(rig.engines.liveApplications, 0);
        // Six labels, every phrase replaced by its value (the replacement texts, in order).
        QCOMPARE(QString::fromUtf8(ReadFileBytes(name)),
                 labelText({"Acme Parts", "Jane Roe", "12 Elm St", "Springfield, IL 62701", "Zenith Supply", "John Doe",
                            "400 Oak Ave", "Portland, OR 97201"}));
        // The picture the engine rendered, unchanged, dots per metre included.
        QCOMPARE(rig.host.picture.dotsPerMeterX(), 15118);
        QCOMPARE(rig.host.picture.convertToFormat(QImage::Format_RGB32), FakeEngine::samplePicture());
        // Beside the document only its owner marker, held while the document lives.
        QCOMPARE(tempEntries(), QStringList({"qmtemp12356799.doc", "qmtemp12356799.doc.owner"}));
        DeleteGeneratedDocument(name);
        QVERIFY(tempEntries().isEmpty());
    }

    // A failure that leaves no document is reported once (or twice, where
    // the built-in template fails too): the steps that need the document do
    // not run, no preview opens over the main window, the old picture stays,
    // and the claimed name and the template copy go.
    void failureLeavingNoDocumentIsReportedOnce_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<int>("nth");
        QTest::addColumn<bool>("missingTemp");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("no engine") << "create" << 0 << false << QStringList{"PB6:110"};
        QTest::newRow("no temporary folder") << "" << 0 << true << QStringList{"PB6:108"};
        QTest::newRow("neither template opens") << "open" << 0 << false << QStringList{"PB6:114", "PB6:114"};
        QTest::newRow("save") << "saveAs" << 1 << false << QStringList{"PB6:356"};
    }

    void failureLeavingNoDocumentIsReportedOnce()
    {
        QFETCH(QString, operation);
        QFETCH(int, nth);
        QFETCH(bool, missingTemp);
        QFETCH(QStringList, expected);
        Rig rig;
        if (missingTemp)
            qputenv("TEMP", QFile::encodeName(temp("missing")));
        if (!operation.isEmpty())
            rig.engines.failOn(operation, nth, "Injected");
        rig.host.picture = redPicture();
        rig.click();

        QCOMPARE(reportKeys(rig.messages), expected);
        QCOMPARE(rig.host.events, QStringList({"setBusy(1)", "busyPointer", "defaultPointer", "setBusy(0)"}));
        QCOMPARE(rig.host.picture, redPicture());
        QCOMPARE(rig.engines.liveApplications, 0);
        QCOMPARE(rig.engines.calls.contains("copyRangeAsPicture()"), false);
        QCOMPARE(tempEntries(), missingTemp ? QStringList({"template.dot"}) : QStringList());
    }

    void injectedFailureIsReportedAtItsStep_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<int>("nth");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<bool>("pictureShown");
        // An unreadable or stale template copy is reported once; the built-in one takes its place.
        QTest::newRow("template copy does not open") << "open" << 1 << QStringList{"PB6:114"} << true;
        QTest::newRow("setText of block 3") << "find.setText" << 3 << QStringList{"PB6:178"} << true;
        QTest::newRow("match-all-word-forms of block 5")
            << "find.setMatchAllWordForms" << 5 << QStringList{"PB6:252"} << true;
        QTest::newRow("last replace") << "execute" << 8 << QStringList{"PB6:338"} << true;
        QTest::newRow("display alerts") << "setDisplayAlerts" << 1 << QStringList{"PB6:358"} << true;
        QTest::newRow("quit") << "quit" << 1 << QStringList{"PB6:362"} << true;
        QTest::newRow("export close") << "closeActiveDocument" << 1 << QStringList{"JPG:124"} << true;
        QTest::newRow("export quit") << "quit" << 2 << QStringList{"JPG:126"} << true;
        // The export's later steps run only on what it has.
        QTest::newRow("export creation") << "create" << 2 << QStringList{"JPG:116"} << false;
        QTest::newRow("export open") << "open" << 2 << QStringList{"JPG:118"} << false;
        QTest::newRow("copy as picture") << "copyRangeAsPicture" << 1 << QStringList{"JPG:120"} << false;
    }

    void injectedFailureIsReportedAtItsStep()
    {
        QFETCH(QString, operation);
        QFETCH(int, nth);
        QFETCH(QStringList, expected);
        QFETCH(bool, pictureShown);
        Rig rig;
        rig.engines.failOn(operation, nth, "Injected");
        rig.host.picture = redPicture();
        rig.click();

        QStringList descriptions;
        QCOMPARE(reportKeys(rig.messages, &descriptions), expected);
        QCOMPARE(descriptions.first(), "Injected");
        QCOMPARE(rig.host.picture != redPicture(), pictureShown);
        QCOMPARE(rig.host.events.last(), "setBusy(0)");
        QVERIFY(rig.host.events.contains("showPreview"));
        // Every instance is released whatever failed; no template or picture file is left.
        QCOMPARE(rig.engines.liveApplications, 0);
        QVERIFY(!QFileInfo::exists(temp("template.dot")));
        QVERIFY(!QFileInfo::exists(temp("temp.bmp")));
    }

    // No template present: writing it lets waiting events run, and a second click is waiting.
    void secondClickDuringEventPassDoesNothing()
    {
        Rig rig(false);
        QStringList eventsAtNestedClick = {"<no nested click>"};
        QTimer::singleShot(0, [&] {
            eventsAtNestedClick = rig.host.events;
            rig.click();
        });
        rig.click();

        QCOMPARE(eventsAtNestedClick, QStringList({"setBusy(1)", "busyPointer"}));
        QCOMPARE(rig.messages.boxes().size(), 0);
        QCOMPARE(rig.engines.createdApplications, 2);
        QCOMPARE(rig.host.events.count("setBusy(1)"), 1);
        QCOMPARE(rig.host.events.count("showPreview"), 1);
        QVERIFY(!rig.host.busy);
        QCOMPARE(rig.engines.openedFileBytes.first(), TemplateBytes()); // from the resource
    }

    void presentTemplateIsUsedThenDeleted()
    {
        Rig rig(false);
        WriteFileBytes(temp("template.dot"), "Custom: sender company / RECIPIENT NAME");
        rig.click();
        QCOMPARE(rig.messages.boxes().size(), 0);
        QCOMPARE(ReadFileBytes(rig.host.wordFile), "Custom: Acme Parts / John Doe");
        QVERIFY(!QFileInfo::exists(temp("template.dot")));
    }

    // Somebody else's files, reachable through links at the two fixed names,
    // are neither read, written nor deleted.
    void linksAtFixedNamesAreReplacedNotFollowed()
    {
        const QString victimText = TestEnvironment::root() + "/victim.txt";
        const QString victimPicture = TestEnvironment::root() + "/victim.png";
        WriteFileBytes(victimText, "Sender Company belongs to someone else");
        QVERIFY(redPicture().save(victimPicture, "PNG"));
        const QByteArray victimPictureBytes = ReadFileBytes(victimPicture);
        link(victimText, temp("template.dot"));
        link(victimPicture, temp("temp.bmp"));
        Rig rig(false);
        rig.click();

        QCOMPARE(rig.messages.boxes().size(), 0);
        QCOMPARE(rig.engines.openedFileBytes.first(), TemplateBytes());
        QCOMPARE(ReadFileBytes(victimText), "Sender Company belongs to someone else");
        QCOMPARE(ReadFileBytes(victimPicture), victimPictureBytes);
        QCOMPARE(rig.host.picture.size(), QSize(1472, 1904));
        QCOMPARE(
            tempEntries(),
            QStringList({QFileInfo(rig.host.wordFile).fileName(), QFileInfo(rig.host.wordFile).fileName() + ".owner"}));

        // With the copy failing, neither the linked picture nor the clipboard
        // (the user's own picture) is shown, and the link's target stays.
        link(victimPicture, temp("temp.bmp"));
        Rig failing;
        failing.random.values = {0.5};
        failing.engines.failOn("copyRangeAsPicture");
        failing.clipboard.stored = redPicture();
        failing.click();
        QCOMPARE(reportKeys(failing.messages), QStringList({"JPG:120"}));
        QCOMPARE(failing.clipboard.reads, 0);
        QVERIFY(failing.host.picture.isNull());
        QCOMPARE(ReadFileBytes(victimPicture), victimPictureBytes);
    }

    // Another running copy holds the fixed names: after a bounded wait the
    // click says so once and stops; that copy's template and picture are
    // neither opened, replaced, deleted nor shown. A lock left by a copy that
    // is gone is taken over.
    void fixedNamesWaitForAnotherCopy()
    {
        const QString lockPath = temp("parcelon.lock");
        const QByteArray otherTemplate = labelText().toUtf8();
        WriteFileBytes(temp("template.dot"), otherTemplate);
        QVERIFY(redPicture().save(temp("temp.bmp"), "PNG"));
        const QByteArray otherPicture = ReadFileBytes(temp("temp.bmp"));
        const auto limit = TempFolderLock::waitLimit();
        TempFolderLock::setWaitLimit(std::chrono::milliseconds(300));
        {
            QLockFile other(lockPath); // held by a live process: this one
            QVERIFY(other.tryLock());
            Rig rig(false);
            rig.click();
            QStringList descriptions;
            QCOMPARE(reportKeys(rig.messages, &descriptions), QStringList({"PB6:108"}));
            QVERIFY2(descriptions[0].startsWith(
                         QStringLiteral("Another copy of Parcelon (process %1) is using the temporary folder ")
                             .arg(QCoreApplication::applicationPid())),
                     qPrintable(descriptions[0]));
            QVERIFY(rig.host.picture.isNull());
            QCOMPARE(rig.engines.createdApplications, 0);
            QCOMPARE(ReadFileBytes(temp("template.dot")), otherTemplate);
            QCOMPARE(ReadFileBytes(temp("temp.bmp")), otherPicture);
            QVERIFY(!rig.host.busy);
        }
        TempFolderLock::setWaitLimit(limit);
        {
            // An ending program (a signal, a closed window) does not sit out the wait.
            QLockFile other(lockPath);
            QVERIFY(other.tryLock());
            Rig rig(false);
            rig.exit.endProgram();
            rig.click();
            QStringList descriptions;
            QCOMPARE(reportKeys(rig.messages, &descriptions), QStringList({"PB6:108"}));
            QVERIFY2(descriptions[0].contains(QStringLiteral("given up")), qPrintable(descriptions[0]));
        }

        // The holder was killed: its lock file stays, naming a process that is gone.
        const pid_t holder = ::fork();
        if (holder == 0) {
            QLockFile lock(lockPath);
            ::_exit(lock.tryLock() ? 0 : 1); // no destructor runs: the file stays
        }
        int status = -1;
        QCOMPARE(::waitpid(holder, &status, 0), holder);
        QCOMPARE(status, 0);
        QVERIFY(QFileInfo::exists(lockPath));
        Rig rig;
        rig.random.values = {0.5}; // a name of its own beside the first run's
        rig.click();
        QCOMPARE(rig.messages.boxes().size(), 0);
        QCOMPARE(rig.host.picture.size(), QSize(1472, 1904));
        QVERIFY(!QFileInfo::exists(lockPath)); // released once the picture is shown
    }

    void takenNameIsDrawnAgain()
    {
        WriteFileBytes(temp("qmtemp11111111.doc"), "someone's earlier sheet");
        // A dangling link at a drawn name: saving through it would create its target.
        const QString linkTarget = TestEnvironment::root() + "/link-target.doc";
        link(linkTarget, temp("qmtemp55555555.doc"));
        // Claimed by another copy that has not saved its document yet.
        WriteFileBytes(temp("qmtemp66666666.doc.owner"), "");
        Rig rig;
        rig.random.values = QList<double>(8, 0.0) + QList<double>(8, 0.5) + QList<double>(8, 0.6)
            + QList<double>({0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9});
        rig.click();

        QCOMPARE(rig.messages.boxes().size(), 0);
        QCOMPARE(rig.random.draws, 32);
        QCOMPARE(rig.host.wordFile, temp("qmtemp23456789.doc"));
        QCOMPARE(ReadFileBytes(temp("qmtemp11111111.doc")), "someone's earlier sheet");
        QVERIFY(QFileInfo(temp("qmtemp55555555.doc")).isSymLink());
        QVERIFY(!QFileInfo::exists(linkTarget));
        QVERIFY(!QFileInfo::exists(temp("qmtemp66666666.doc")));
        QFile::remove(temp("qmtemp55555555.doc"));
    }

    // Up to 1000 reads; a read that throws counts as a failed read.
    void clipboardIsReadUntilItAnswers()
    {
        const QImage sheet = FakeEngine::samplePicture();
        for (int failing : {999, 1000}) {
            ScriptedClipboard clipboard;
            clipboard.stored = sheet;
            clipboard.failingReads = failing;
            QCOMPARE(GetClipboardPicture(clipboard, 0), failing < 1000 ? sheet : QImage());
            QCOMPARE(clipboard.reads, 1000);
        }
        struct Throwing : PictureClipboard
        {
            QImage image() override { return ++reads < 3 ? throw Failure("busy") : picture; }
            void setImage(const QImage &) override {}
            QImage picture;
            int reads = 0;
        } throwing;
        throwing.picture = sheet;
        QCOMPARE(GetClipboardPicture(throwing, 0), sheet);
        QCOMPARE(throwing.reads, 3);

        // Briefly unreadable during a generation: the picture still arrives.
        Rig rig;
        rig.clipboard.failingReads = 500;
        rig.click();
        QCOMPARE(rig.messages.boxes().size(), 0);
        QCOMPARE(rig.clipboard.reads, 501);
        QCOMPARE(rig.host.picture.convertToFormat(QImage::Format_RGB32), sheet);
    }

    // A preview file left over from an earlier run is not shown instead.
    void unreadableClipboardLeavesPreviewAsItWas()
    {
        QImage stale(7, 7, QImage::Format_RGB32);
        stale.fill(Qt::green);
        QVERIFY(stale.save(temp("temp.bmp"), "PNG"));
        Rig rig;
        rig.clipboard.failingReads = 1000;
        rig.host.picture = redPicture();
        rig.click();

        QCOMPARE(reportKeys(rig.messages), QStringList({"JPG:122"}));
        QCOMPARE(rig.host.picture, redPicture());
        QVERIFY(rig.engines.calls.contains("closeActiveDocument(0)"));
        QCOMPARE(rig.engines.liveApplications, 0);
        QVERIFY(!QFileInfo::exists(temp("temp.bmp")));
        QVERIFY(rig.host.events.contains("showPreview"));
    }

    // A later block's phrase typed into an earlier field is replaced by that
    // block's value; empty fields leave no line and no separator (the lines
    // close up); blanks and characters special to a search reach the
    // document unchanged.
    void fieldValuesReachTheDocument_data()
    {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QStringList>("expected");
        const QStringList sample = TestHost().fields;
        QTest::newRow("later phrase") << QStringList{"Attn rEcIpIeNt NaMe desk"}
                + sample.mid(1) << QStringList{"Attn John Doe desk", "Jane Roe", "12 Elm St",   "Springfield, IL 62701",
                                               "Zenith Supply",      "John Doe", "400 Oak Ave", "Portland, OR 97201"};
        QTest::newRow("all empty") << QStringList(12, QString()) << QStringList(8, QString());
        QTest::newRow("some fields") << QStringList{"", "Jane Roe", "", "",         "", "",
                                                    "", "John Doe", "", "Portland", "", "97201"}
                                     << QStringList{"Jane Roe", "", "", "", "John Doe", "Portland 97201", "", ""};
        QTest::newRow("blanks and specials")
            << QStringList{" Acme ",   "  Jane Roe", "12 Elm St  ",   " Springfield ", " IL", "62701 ",
                           "\tZenith", "John  Doe",  "$1 & ^p \\ .*", "Portland ",     "OR ", " 97201"}
            << QStringList{" Acme ",   "  Jane Roe", "12 Elm St  ",   " Springfield ,  IL 62701 ",
                           "\tZenith", "John  Doe",  "$1 & ^p \\ .*", "Portland , OR   97201"};
    }

    void fieldValuesReachTheDocument()
    {
        QFETCH(QStringList, fields);
        QFETCH(QStringList, expected);
        Rig rig;
        rig.host.fields = fields;
        rig.click();
        QCOMPARE(rig.messages.boxes().size(), 0);
        QCOMPARE(QString::fromUtf8(ReadFileBytes(rig.host.wordFile)), labelText(expected));
    }

    // With TEMP unset every file goes to a private folder, never to "/".
    void privateFolderWhenTempUnset()
    {
        qunsetenv("TEMP");
        Rig rig(false);
        rig.click();
        QCOMPARE(rig.messages.boxes().size(), 0);
        const QString folder = QFileInfo(rig.host.wordFile).absolutePath();
        QCOMPARE(folder, qEnvironmentVariable("XDG_RUNTIME_DIR") + "/parcelon");
        struct stat info = {};
        QCOMPARE(::stat(QFile::encodeName(folder).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, 0700u);
        QCOMPARE(
            QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot | QDir::Hidden),
            QStringList({QFileInfo(rig.host.wordFile).fileName(), QFileInfo(rig.host.wordFile).fileName() + ".owner"}));
        DeleteGeneratedDocument(rig.host.wordFile);
    }
};

PARCELON_TEST_MAIN(tst_Generation)
#include "tst_generation.moc"
