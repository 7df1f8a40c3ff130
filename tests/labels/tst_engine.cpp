// The LibreOffice engine against the real office: what the documents hold
// afterwards, and how failures of the office are contained. Each test starts
// as few offices as it can; cleanup() checks that none outlives its test.

#include "labels/ModuleEngineFactory.h"
#include "labels/WordApplication.h"
#include "resources/Resources.h"
#include "tests/labels/EngineTestKit.h"
#include "tests/support/ScriptedSeams.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestMain.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QtTest>

#include <csignal>
#include <poll.h>
#include <sys/inotify.h>
#include <thread>
#include <unistd.h>
#include <utime.h>

using namespace EngineTestKit;

namespace {

// The eight-field block the generation runs, with one replacement.
void replaceAll(WordApplication &word, const QString &phrase, const QString &value)
{
    WordFind *find = word.selectionFind();
    find->clearFormatting();
    find->clearReplacementFormatting();
    find->setText(phrase);
    find->setReplacementText(value);
    find->setForward(true);
    find->setWrap(kWdFindContinue);
    find->setFormat(false);
    find->setMatchCase(false);
    find->setMatchWholeWord(false);
    find->setMatchWildcards(false);
    find->setMatchSoundsLike(false);
    find->setMatchAllWordForms(false);
    find->execute(kWdReplaceAll);
}

QString temp(const QString &name)
{
    return TestEnvironment::temp() + QLatin1Char('/') + name;
}

QString failureOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const EngineError &e) {
        return e.description();
    }
    return QString();
}

int theOnlyOffice()
{
    const QList<int> offices = ourOfficeProcesses();
    return offices.size() == 1 ? offices.first() : -1;
}

// How two renderings of one page compare: the box that holds their ink,
// their total ink, and the share of pixels that differ by more than half the
// grey range from every pixel within one pixel's distance in the other
// (glyph edges may fall a pixel apart; moved or missing text may not).
struct PageComparison
{
    QRect inkA, inkB;
    double inkRatio = 0;
    double differing = 0;
};

PageComparison comparePages(const QImage &first, const QImage &second)
{
    const QImage a = first.convertToFormat(QImage::Format_Grayscale8);
    const QImage b = second.convertToFormat(QImage::Format_Grayscale8);
    PageComparison result;
    double inkA = 0, inkB = 0;
    qint64 differing = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const int va = a.constScanLine(y)[x], vb = b.constScanLine(y)[x];
            inkA += 255 - va;
            inkB += 255 - vb;
            if (va < 128)
                result.inkA |= QRect(x, y, 1, 1);
            if (vb < 128)
                result.inkB |= QRect(x, y, 1, 1);
            int nearest = 255;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    if (b.rect().contains(x + dx, y + dy))
                        nearest = std::min(nearest, std::abs(va - b.constScanLine(y + dy)[x + dx]));
            differing += nearest > 128;
        }
    }
    result.inkRatio = inkB / inkA;
    result.differing = double(differing) / (qint64(a.width()) * a.height());
    return result;
}
} // namespace

class tst_Engine : public QObject
{
    Q_OBJECT

    ScriptedClipboard m_clipboard;
    QString m_template;
    QStringList m_profileSockets;

    // A session; the office's traces are remembered for cleanup().
    std::unique_ptr<WordApplication> start(ModuleEngineFactory &engines, bool longWork = false)
    {
        auto word = longWork ? engines.createApplicationForLongWork() : engines.createApplication();
        for (const QString &instance : instanceFolders())
            m_profileSockets << profilePipeSocket(instance);
        return word;
    }

private slots:
    void initTestCase()
    {
        // Qt Test's crash handler has replaced the ignored SIGPIPE: a write to
        // an office this test kills would end the test instead of failing the call.
        ::signal(SIGPIPE, SIG_IGN);
        m_template = temp(QStringLiteral("labels.dot"));
        writeLabelTemplate(m_template);
    }

    void cleanup()
    {
        qunsetenv("PARCELON_ENGINE_CALL_TIMEOUT_MS");
        qunsetenv("PARCELON_OFFICE_PROGRAM");
        qunsetenv("PARCELON_OFFICE_MEMORY_LIMIT_MB");
        // Each test's factory has ended with the test, and its office with
        // it: the process and sockets at once, the instance folder in the background.
        QCOMPARE(ourOfficeProcesses(), QList<int>());
        QTRY_COMPARE_WITH_TIMEOUT(leftovers(m_profileSockets), QStringList(), 20000);
        m_profileSockets.clear();
    }

    // The eight blocks with hostile values, saved under every kind of name,
    // then quit: the office and its traces go, and later calls fail.
    void fillsEveryLabelAndSavesWordDocuments()
    {
        const QString longValue = QStringLiteral("0123456789").repeated(1000);
        const QList<QPair<QString, QString>> blocks = {
            {QStringLiteral("Sender Company"), QStringLiteral("$1 & $0 \\1 \\n ^p ^& done")},
            {QStringLiteral("Sender Name"), QString()},
            {QStringLiteral("Sender Street Address"), QStringLiteral(".*+?[a-z](x|y){2}^$ 1/2")},
            {QStringLiteral("Sender City, State and Zip Code"),
             QStringLiteral("東京都渋谷区, Ünïcödé ½ – “quoted” 12345")},
            {QStringLiteral("Recipient Company"), longValue},
            {QStringLiteral("Recipient Name"), QStringLiteral("  blanks stay  ")},
            {QStringLiteral("rECIPIENT sTREET aDDRESS"), QStringLiteral("&")}, // the search ignores case
            {QStringLiteral("Recipient City, State and Zip Code"), QStringLiteral("back\\slash \\\\ \\t end")},
        };
        // The format follows nothing in the name; saving over a file replaces it.
        const QStringList names = {QStringLiteral("filled.doc"), QStringLiteral("copy.dot"), QStringLiteral("COPY.DOC"),
                                   QStringLiteral("copy.odt"),   QStringLiteral("copy"),     QStringLiteral("copy")};
        ModuleEngineFactory engines(m_clipboard);
        auto word = start(engines);
        // Every office starts from the prepared profile and so skips the
        // graphics self-test a new profile runs (most of a second each start).
        const QString instance = instanceFolders().value(0);
        QVERIFY(QFileInfo::exists(instance + QStringLiteral("/profile/user/registrymodifications.xcu")));
        QVERIFY(!QFileInfo::exists(instance + QStringLiteral("/profile/user/GraphicsRenderTests.log")));

        WordDocument *doc = word->open(m_template, true);
        // A second document opened and closed again hands the focus back to the first.
        word->open(m_template, true);
        word->closeActiveDocument(kWdDoNotSaveChanges);
        for (const auto &[phrase, value] : blocks)
            replaceAll(*word, phrase, value);
        for (const QString &name : names)
            doc->saveAs(temp(name));
        word->setDisplayAlerts(false);
        doc->close();
        // catdoc cuts very long paragraphs short, so the office itself checks
        // the long value: each label holds it whole.
        WordDocument *saved = word->open(temp(QStringLiteral("filled.doc")), true);
        WordFind *find = word->selectionFind();
        find->setText(longValue);
        find->setReplacementText(QStringLiteral("LONG VALUE WHOLE"));
        find->setMatchCase(true);
        find->setMatchWholeWord(true);
        find->execute(kWdReplaceAll);
        saved->saveAs(temp(QStringLiteral("long.doc")));
        const int office = theOnlyOffice();
        word->quit();

        // The session has ended; the office stays for the next one.
        QVERIFY(
            failureOf([&] { saved->saveAs(temp(QStringLiteral("late.doc"))); }).contains(QStringLiteral("shut down")));
        QVERIFY(!failureOf([&] { word->open(m_template, true); }).isEmpty());
        word->quit(); // a second quit is harmless
        QCOMPARE(ourOfficeProcesses(), QList<int>{office});
        auto next = start(engines);
        next->open(temp(QStringLiteral("filled.doc")))->saveAs(temp(QStringLiteral("again.doc")));
        next.reset();
        QCOMPARE(ourOfficeProcesses(), QList<int>{office});
        QCOMPARE(documentText(temp(QStringLiteral("again.doc"))), documentText(temp(QStringLiteral("filled.doc"))));

        const QString text = documentText(temp(QStringLiteral("filled.doc")));
        for (const QString &phrase : placeholderPhrases())
            QVERIFY2(!text.contains(phrase, Qt::CaseInsensitive), qPrintable(phrase));
        for (const auto &[phrase, value] : blocks)
            if (!value.isEmpty() && value != QLatin1String("&") && value != longValue)
                QVERIFY2(text.count(value) == 6, qPrintable(value));
        QCOMPARE(text.count(QStringLiteral("\n&\n")), 6);
        QCOMPARE(documentText(temp(QStringLiteral("long.doc"))).count(QStringLiteral("LONG VALUE WHOLE")), 6);
        for (const QString &name : names) {
            QVERIFY2(isCompoundDocument(temp(name)), qPrintable(name));
            QCOMPARE(documentText(temp(name)), text);
        }
        QCOMPARE(ReadFileBytes(m_template), TemplateBytes()); // opened read-only, untouched
    }

    // File names reach the office as URLs: spaces, '#', '%' and non-ASCII
    // letters must survive, also in the C locale. The same office checks the
    // match options, then does what the preview export does: opens the saved
    // document for editing, copies the page as a picture and closes unsaved.
    void matchOptionsAwkwardPathsAndThePicture()
    {
        const QString folder = temp(QStringLiteral("Ünï cödé 東京 #1 100%"));
        QVERIFY(QDir().mkpath(folder));
        const QString source = folder + QStringLiteral("/ärger #2 50%.dot");
        const QString target = folder + QStringLiteral("/копия #3 %20.doc");
        QVERIFY(QFile::copy(m_template, source));
        const QByteArray locale = qgetenv("LC_ALL");
        qputenv("LC_ALL", "C");
        ModuleEngineFactory engines(m_clipboard);
        auto word = start(engines);
        locale.isNull() ? qunsetenv("LC_ALL") : qputenv("LC_ALL", locale);

        WordDocument *doc = word->open(source, true);
        WordFind *find = word->selectionFind();
        const auto replace = [&](const char *phrase, const char *value, int how = kWdReplaceAll) {
            find->setText(QString::fromUtf8(phrase));
            find->setReplacementText(QString::fromUtf8(value));
            find->execute(how);
        };
        find->setMatchCase(true);
        replace("sender company", "CASE"); // no match: wrong case
        find->setMatchCase(false);
        find->setMatchWholeWord(true);
        replace("Sende", "WHOLE"); // no match: only part of a word
        find->setMatchWholeWord(false);
        replace("Recipie", "PART"); // matches inside words
        replace("Sender Name", "ONCE", kWdReplaceOne);
        for (auto set :
             {&WordFind::setMatchWildcards, &WordFind::setMatchSoundsLike, &WordFind::setMatchAllWordForms}) {
            (find->*set)(true);
            QVERIFY(failureOf([&] {
                        replace("Sender Street Address", "NEVER");
                    }).contains(QStringLiteral("not supported")));
            (find->*set)(false);
        }
        QVERIFY(!failureOf([&] { find->execute(7); }).isEmpty());
        doc->saveAs(target);
        doc->close();

        const qint64 old = QDateTime::currentDateTime().addDays(-3).toSecsSinceEpoch();
        struct utimbuf times = {old, old};
        QCOMPARE(::utime(QFile::encodeName(target).constData(), &times), 0);
        const QByteArray before = ReadFileBytes(target);
        word->open(target)->copyRangeAsPicture();
        replaceAll(*word, QStringLiteral("Sender Company"), QStringLiteral("NOT SAVED"));
        word->closeActiveDocument(kWdDoNotSaveChanges);
        QVERIFY(!failureOf([&] { word->closeActiveDocument(kWdDoNotSaveChanges); }).isEmpty());
        word->quit();

        QCOMPARE(ReadFileBytes(target), before);
        QCOMPARE(QFileInfo(target).lastModified().toSecsSinceEpoch(), old);
        // Source and target only: no lock file or stray copy is left.
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 2);
        QVERIFY(isCompoundDocument(target));
        const QString text = documentText(target);
        for (const char *never : {"CASE", "WHOLE", "NEVER", "NOT SAVED"})
            QVERIFY2(!text.contains(QLatin1String(never)), never);
        QCOMPARE(text.count(QStringLiteral("PARTnt Company")), 6);
        QCOMPARE(text.count(QStringLiteral("ONCE")), 1);
        QCOMPARE(text.count(QStringLiteral("Sender Name")), 5);

        const QImage picture = m_clipboard.stored;
        QCOMPARE(picture.size(), QSize(1472, 1904));
        QCOMPARE(picture.dotsPerMeterX(), 15118);
        QCOMPARE(picture.dotsPerMeterY(), 15118);
        QVERIFY(!picture.hasAlphaChannel());
        // White paper at the corners (the export's transparent edge is gone), ink on the labels.
        QCOMPARE(picture.pixel(1471, 1903), qRgb(255, 255, 255));
        QCOMPARE(picture.pixel(0, 0), qRgb(255, 255, 255));
        qint64 dark = 0;
        for (int y = 0; y < picture.height(); y += 2)
            for (int x = 0; x < picture.width(); x += 2)
                dark += qGray(picture.pixel(x, y)) < 128;
        const qint64 sampled = qint64(picture.width() / 2) * (picture.height() / 2);
        QVERIFY2(dark > sampled / 500 && dark < sampled / 5, qPrintable(QString::number(dark)));

        // The office's own picture export of the same page: the same sheet,
        // text in the same places, edges smoothed alike.
        ModuleEngineFactory exporter(m_clipboard, nullptr);
        auto other = start(exporter);
        other->open(target)->copyRangeAsPicture();
        other.reset();
        const QImage exported = m_clipboard.stored;
        if (qEnvironmentVariableIsSet("PARCELON_TEST_PICTURES")) {
            picture.save(qEnvironmentVariable("PARCELON_TEST_PICTURES") + QStringLiteral("/rendered.png"));
            exported.save(qEnvironmentVariable("PARCELON_TEST_PICTURES") + QStringLiteral("/exported.png"));
        }
        QCOMPARE(exported.size(), picture.size());
        QCOMPARE(exported.dotsPerMeterX(), picture.dotsPerMeterX());
        const PageComparison same = comparePages(picture, exported);
        const auto box = [](const QRect &r) {
            return QStringLiteral("%1,%2-%3,%4").arg(r.left()).arg(r.top()).arg(r.right()).arg(r.bottom());
        };
        const QString figures = QStringLiteral("ink %1 / %2, ratio %3, differing %4")
                                    .arg(box(same.inkA), box(same.inkB))
                                    .arg(same.inkRatio)
                                    .arg(same.differing);
        for (int edge = 0; edge < 4; ++edge) {
            const auto coordinate = [edge](const QRect &r) {
                return QList<int>{r.left(), r.top(), r.right(), r.bottom()}.at(edge);
            };
            QVERIFY2(std::abs(coordinate(same.inkA) - coordinate(same.inkB)) <= 2, qPrintable(figures));
        }
        QVERIFY2(same.inkRatio > 0.95 && same.inkRatio < 1.05 && same.differing < 0.003, qPrintable(figures));
    }

    // C0 control characters other than tab, line feed and carriage return
    // mark structure in the Word 97 format (a BEL or BS crashed the office
    // while it saved): they are left out, and everything else arrives.
    void controlCharactersAreLeftOutOfTheDocument()
    {
        QString controls;
        for (char16_t c = 1; c < 0x20; ++c)
            if (c != u'\t' && c != u'\n' && c != u'\r')
                controls += QChar(c);
        const QList<QPair<QString, QString>> blocks = {
            {QStringLiteral("Sender Company"), QStringLiteral("Bell\aBack\bspace") + controls + QStringLiteral("End")},
            {QStringLiteral("Sender Name"), QStringLiteral("Tab\tkept")},
            {QStringLiteral("Sender Street Address"), QStringLiteral("Line\nbreak")},
            {QStringLiteral("Recipient Company"), QStringLiteral("Half ") + QChar(0xD800) + QStringLiteral(" pair")},
            {QStringLiteral("Recipient Name"), QStringLiteral("Rest intact")},
        };
        ModuleEngineFactory engines(m_clipboard);
        auto word = start(engines);
        WordDocument *doc = word->open(m_template, true);
        for (const auto &[phrase, value] : blocks)
            replaceAll(*word, phrase, value);
        doc->saveAs(temp(QStringLiteral("controls.doc")));
        word->quit();

        QProcess antiword;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
        antiword.setProcessEnvironment(env);
        antiword.start(QStringLiteral("antiword"),
                       {QStringLiteral("-w"), QStringLiteral("0"), QStringLiteral("-m"), QStringLiteral("UTF-8.txt"),
                        temp(QStringLiteral("controls.doc"))});
        QVERIFY(antiword.waitForFinished(30000) && antiword.exitCode() == 0);
        const QString byAntiword = QString::fromUtf8(antiword.readAllStandardOutput());
        const QString byCatdoc = documentText(temp(QStringLiteral("controls.doc")));
        // antiword pads table cells, so it shows tab and line break its own way.
        for (const char *expected : {"BellBackspaceEnd", "Tab\tkept", "Line\nbreak", "Half \uFFFD pair", "Rest intact"})
            QVERIFY2(byCatdoc.count(QString::fromUtf8(expected)) == 6, qPrintable(byCatdoc));
        for (const char *expected : {"BellBackspaceEnd", "Half \uFFFD pair", "Rest intact", "Recipient Street Address"})
            QVERIFY2(byAntiword.count(QString::fromUtf8(expected)) == 6, qPrintable(byAntiword));
    }

    // An office that dies while it saves leaves its temporary file
    // "lu<its pid>....tmp" in the folder it saves into: that is a folder of
    // ours beside the target, which goes with it. Files of that pattern
    // beside the target, older ones or another program's, stay.
    void anOfficeDyingWhileSavingLeavesNoTemporaryFile()
    {
        ModuleEngineFactory engines(m_clipboard);
        auto word = start(engines);
        WordDocument *doc = word->open(m_template, true);
        const int office = theOnlyOffice();
        QVERIFY(office > 0);
        const QStringList unrelated = {QStringLiteral("lu%1older.tmp").arg(office),
                                       QStringLiteral("lu%1other.tmp").arg(office + 1)};
        for (const QString &name : unrelated)
            WriteFileBytes(temp(name), "not this save's");
        const int watch = ::inotify_init1(IN_CLOEXEC);
        QVERIFY(::inotify_add_watch(watch, QFile::encodeName(TestEnvironment::temp()).constData(), IN_CREATE) >= 0);
        bool killed = false;
        std::thread killer([&] {
            const QString prefix = QStringLiteral("lu%1").arg(office);
            alignas(inotify_event) char events[4096];
            pollfd ready{watch, POLLIN, 0};
            while (!killed && ::poll(&ready, 1, 30000) > 0) {
                const ssize_t n = ::read(watch, events, sizeof events);
                for (char *at = events; n > 0 && at < events + n && !killed;) {
                    const auto *event = reinterpret_cast<const inotify_event *>(at);
                    at += sizeof(inotify_event) + event->len;
                    const QString name = event->len > 0 ? QFile::decodeName(event->name) : QString();
                    if ((event->mask & IN_ISDIR) && name.contains(QLatin1String("dying.doc"))) {
                        // The folder the office saves into: its file may be there already.
                        const QString folder = temp(name);
                        ::inotify_add_watch(watch, QFile::encodeName(folder).constData(), IN_CREATE);
                        if (!QDir(folder).entryList({prefix + QLatin1Char('*')}, QDir::Files).isEmpty())
                            killed = ::kill(office, SIGKILL) == 0;
                    } else if (name.startsWith(prefix)) {
                        killed = ::kill(office, SIGKILL) == 0;
                    }
                }
            }
        });
        const QString failure = failureOf([&] { doc->saveAs(temp(QStringLiteral("dying.doc"))); });
        killer.join();
        ::close(watch);
        word->quit();
        QVERIFY(killed);
        QVERIFY2(failure.contains(QStringLiteral("ended unexpectedly")), qPrintable(failure));
        QStringList expected = unrelated;
        expected.sort();
        QCOMPARE(QDir(TestEnvironment::temp())
                     .entryList({QStringLiteral("lu*"), QStringLiteral("*dying*")},
                                QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 expected);
    }

    // Each refusal names the file and the reason; the office goes on working.
    void refusesBadFilesAndTargets()
    {
        WriteFileBytes(temp(QStringLiteral("empty.dot")), {});
        QImage image(64, 64, QImage::Format_RGB32);
        image.fill(Qt::red);
        QVERIFY(image.save(temp(QStringLiteral("picture.dot")), "PNG"));
        WriteFileBytes(temp(QStringLiteral("text.dot")), "Sender Company\nSender Name\nJust a text file.\n");
        WriteFileBytes(temp(QStringLiteral("plain-file")), {});
        for (const char *folder : {"folder.dot", "taken.doc", "locked"})
            QVERIFY(QDir().mkpath(temp(QLatin1String(folder))));
        const QString locked = temp(QStringLiteral("locked"));
        QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner);
        const QList<QPair<QString, QString>> sources = {
            {temp(QStringLiteral("missing.dot")), QStringLiteral("does not exist")},
            {temp(QStringLiteral("empty.dot")), QStringLiteral("empty")},
            {temp(QStringLiteral("picture.dot")), QStringLiteral("not a text document")},
            {temp(QStringLiteral("text.dot")), QStringLiteral("plain text")},
            {temp(QStringLiteral("folder.dot")), QStringLiteral("folder")},
        };
        QList<QPair<QString, QString>> targets = {
            {temp(QStringLiteral("no/such/folder/out.doc")), QStringLiteral("does not exist")},
            {temp(QStringLiteral("plain-file/out.doc")), QStringLiteral("is not a folder")},
            {temp(QStringLiteral("taken.doc")), QStringLiteral("a folder of that name exists")},
        };
        if (::geteuid() != 0) // permissions do not stop root
            targets.append({locked + QStringLiteral("/out.doc"), QStringLiteral("cannot be written to")});

        ModuleEngineFactory engines(m_clipboard);
        auto word = start(engines);
        for (const auto &[source, reason] : sources) {
            const QString failure = failureOf([&] { word->open(source, true); });
            QVERIFY2(failure.contains(reason) && failure.contains(QFileInfo(source).fileName()), qPrintable(failure));
        }
        QVERIFY(!failureOf([&] { word->selectionFind(); }).isEmpty()); // nothing is active
        WordDocument *doc = word->open(m_template, true);
        for (const auto &[target, reason] : targets) {
            const QString failure = failureOf([&] { doc->saveAs(target); });
            QVERIFY2(failure.contains(reason) && failure.contains(target), qPrintable(failure));
        }
        doc->saveAs(temp(QStringLiteral("after-failure.doc")));
        word->quit();
        QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(!QFileInfo::exists(temp(QStringLiteral("no"))));
        QVERIFY(isCompoundDocument(temp(QStringLiteral("after-failure.doc"))));
    }

    // The session that the death hits fails on every later call, as an
    // office of its own did; the next session gets a fresh office, also
    // after a death while no session was open.
    void replacesAnOfficeKilledDuringOrBetweenSessions()
    {
        ModuleEngineFactory engines(m_clipboard);
        auto word = start(engines);
        word->open(m_template, true);
        const int office = theOnlyOffice();
        QVERIFY(office > 0);
        // Stopped first, so the call is surely under way when the kill comes.
        ::kill(office, SIGSTOP);
        std::thread killer([office] {
            std::this_thread::sleep_for(std::chrono::milliseconds(400));
            ::kill(office, SIGKILL);
        });
        QElapsedTimer timer;
        timer.start();
        const QString failure = failureOf(
            [&] { replaceAll(*word, QStringLiteral("Sender Name"), QStringLiteral("x")); });
        killer.join();
        QVERIFY2(failure.contains(QStringLiteral("ended unexpectedly")), qPrintable(failure));
        QVERIFY(timer.elapsed() < 20000);
        // Every later call fails at once instead of hanging.
        QVERIFY(failureOf([&] { word->setDisplayAlerts(false); }).contains(QStringLiteral("ended")));
        word->quit();

        word = start(engines);
        word->open(m_template, true)->saveAs(temp(QStringLiteral("after-kill.doc")));
        const int second = engines.officeProcessId();
        QVERIFY(second > 0 && second != office);
        QTRY_COMPARE_WITH_TIMEOUT(ourOfficeProcesses(), QList<int>{second}, 20000); // the dead one is reaped
        word->quit();
        ::kill(second, SIGKILL);
        word = start(engines);
        word->open(m_template, true)->saveAs(temp(QStringLiteral("after-idle-kill.doc")));
        QTRY_COMPARE_WITH_TIMEOUT(ourOfficeProcesses(), QList<int>{engines.officeProcessId()}, 20000);
        word->quit();
        QVERIFY(isCompoundDocument(temp(QStringLiteral("after-kill.doc"))));
        QVERIFY(isCompoundDocument(temp(QStringLiteral("after-idle-kill.doc"))));
    }

    // A frozen office is stopped by the watchdog, whether it froze during a
    // call or while no session was open (then the idle ping finds it and a
    // fresh office replaces it before anyone asks); the next session works
    // either way.
    void stopsAFrozenOfficeAndCarriesOn()
    {
        // Long enough for a fresh office's first open on a machine busy
        // with two builds.
        qputenv("PARCELON_ENGINE_CALL_TIMEOUT_MS", "10000");
        ModuleEngineFactory engines(m_clipboard);
        auto word = start(engines);
        WordDocument *doc = word->open(m_template, true);
        const int office = theOnlyOffice();
        QVERIFY(office > 0);
        ::kill(office, SIGSTOP);
        QElapsedTimer timer;
        timer.start();
        const QString failure = failureOf([&] { doc->saveAs(temp(QStringLiteral("frozen.doc"))); });
        QVERIFY2(failure.contains(QStringLiteral("did not respond within 10 seconds")), qPrintable(failure));
        QVERIFY2(timer.elapsed() < 30000, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(!failureOf([&] { doc->close(); }).isEmpty());
        QVERIFY(!QFileInfo::exists(temp(QStringLiteral("frozen.doc"))));
        word->quit();

        word = start(engines);
        word->open(m_template, true);
        const int second = engines.officeProcessId();
        QVERIFY(second > 0 && second != office);
        word->quit();
        ::kill(second, SIGSTOP);
        QTRY_VERIFY_WITH_TIMEOUT(engines.officeProcessId() != second && engines.officeProcessId() > 0, 30000);
        word = start(engines);
        word->open(m_template, true)->saveAs(temp(QStringLiteral("thawed.doc")));
        QTRY_COMPARE_WITH_TIMEOUT(ourOfficeProcesses(), QList<int>{engines.officeProcessId()}, 20000);
        word->quit();
        QVERIFY(isCompoundDocument(temp(QStringLiteral("thawed.doc"))));
    }

    // While a call waits for a hung office the main thread goes on with its
    // events (the windows paint), and an ending program stops the office
    // at once instead of waiting for the watchdog.
    void anEndingProgramStopsAHungOfficeAtOnce()
    {
        ModuleEngineFactory engines(m_clipboard);
        auto word = start(engines);
        WordDocument *doc = word->open(m_template, true);
        const int office = theOnlyOffice();
        ::kill(office, SIGSTOP);
        int ticks = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            if (++ticks == 5)
                engines.abandon();
        });
        ticker.start(20);
        const QString failure = failureOf([&] { doc->saveAs(temp(QStringLiteral("abandoned.doc"))); });
        ticker.stop();
        QVERIFY2(failure.contains(QStringLiteral("the program is ending")), qPrintable(failure));
        QVERIFY(ticks >= 5);
        QVERIFY(!QFileInfo::exists(temp(QStringLiteral("abandoned.doc"))));
        QVERIFY(!failureOf([&] { engines.createApplication(); }).isEmpty());
    }

    // A watchdog counts only time in which the program ran: stopped for
    // longer than the limit while the office worked, the program finds the
    // call answered, not the office killed.
    void timeTheProgramWasStoppedDoesNotCount()
    {
        qputenv("PARCELON_ENGINE_CALL_TIMEOUT_MS", "2500");
        ModuleEngineFactory engines(m_clipboard);
        auto word = start(engines);
        WordDocument *doc = word->open(m_template, true);
        const int office = theOnlyOffice();
        ::kill(office, SIGSTOP); // the call below waits for it
        QVERIFY(QProcess::startDetached(QStringLiteral("/bin/sh"),
                                        {QStringLiteral("-c"),
                                         QStringLiteral("sleep 0.3; kill -STOP %1; sleep 4; kill -CONT %2; "
                                                        "sleep 0.5; kill -CONT %1")
                                             .arg(::getpid())
                                             .arg(office)}));
        doc->saveAs(temp(QStringLiteral("resumed.doc")));
        QCOMPARE(engines.officeProcessId(), office);
        word->quit();
        QVERIFY(isCompoundDocument(temp(QStringLiteral("resumed.doc"))));
    }

    void explainsAMissingOffice()
    {
        qputenv("PARCELON_OFFICE_PROGRAM", "/nonexistent/libreoffice/soffice.bin");
        ModuleEngineFactory engines(m_clipboard);
        const QString failure = failureOf([&] { engines.createApplication(); });
        QVERIFY2(failure.contains(QStringLiteral("/nonexistent/libreoffice/soffice.bin"))
                     && failure.contains(QStringLiteral("not installed")),
                 qPrintable(failure));
    }

    // An office never outlives its program, even one killed without warning,
    // and what such an office left behind is swept by the next start.
    void theOfficeDiesWithAKilledProgram()
    {
        QProcess helper;
        helper.start(QStringLiteral(PARCELON_ORPHAN_HELPER), QStringList());
        QVERIFY(helper.waitForStarted() && helper.waitForReadyRead(60000));
        QCOMPARE(helper.readLine().trimmed(), QByteArray("ready"));
        const int helperPid = int(helper.processId());
        const QList<int> offices = ourOfficeProcesses(helperPid);
        QCOMPARE(offices.size(), 1);
        const QStringList helperFolders = instanceFolders();
        QCOMPARE(helperFolders.size(), 1);
        const QString helperSocket = profilePipeSocket(helperFolders.first());
        QVERIFY(QFileInfo::exists(helperSocket));

        ::kill(helperPid, SIGKILL);
        QVERIFY(helper.waitForFinished(30000));
        const auto officeGone = [office = offices.first()] {
            QFile stat(QStringLiteral("/proc/%1/stat").arg(office));
            if (!stat.open(QIODevice::ReadOnly))
                return true;
            const QByteArray line = stat.readAll();
            return line.mid(line.lastIndexOf(')') + 2, 1) == "Z"; // dead, awaiting its new parent
        };
        QTRY_VERIFY_WITH_TIMEOUT(officeGone(), 30000);

        ModuleEngineFactory engines(m_clipboard);
        auto word = start(engines);
        QVERIFY(!instanceFolders().contains(helperFolders.first()));
        QVERIFY(!QFileInfo::exists(helperSocket));
        const QString helperPipes = QStringLiteral("OSL_PIPE_%1_parcelon-%2-*").arg(::getuid()).arg(helperPid);
        QCOMPARE(QDir(QStringLiteral("/tmp")).entryList({helperPipes}, QDir::System), QStringList());
        word->quit();
    }

    // Two sessions open at once share the one office; quitting one closes
    // only its own documents.
    void sessionsShareTheOffice()
    {
        ModuleEngineFactory engines(m_clipboard);
        auto first = start(engines);
        auto second = start(engines);
        QCOMPARE(ourOfficeProcesses().size(), 1);
        first->open(m_template, true);
        WordDocument *b = second->open(m_template, true);
        replaceAll(*first, QStringLiteral("Sender Company"), QStringLiteral("First Office"));
        replaceAll(*second, QStringLiteral("Sender Company"), QStringLiteral("Second Office"));
        first->quit();
        b->saveAs(temp(QStringLiteral("second.doc")));
        second.reset();
        QCOMPARE(documentText(temp(QStringLiteral("second.doc"))).count(QStringLiteral("Second Office")), 6);
    }

    // Long work (a long list's PDF) runs on an office that has served no
    // one yet, so that it ends under the memory limit.
    void longWorkTakesAnOfficeThatHasNotServed()
    {
        ModuleEngineFactory engines(m_clipboard);
        auto word = start(engines, true);
        const int unused = engines.officeProcessId();
        word->quit();
        word = start(engines, true);
        const int fresh = engines.officeProcessId();
        QVERIFY(fresh > 0 && fresh != unused);
        word->quit();
        word = start(engines);
        QCOMPARE(engines.officeProcessId(), fresh); // other work goes on where it is
        word->quit();
    }

    // A run that ends after its work starts no successor for the office it grew.
    void noSuccessorBeforeTheEnd()
    {
        qputenv("PARCELON_OFFICE_MEMORY_LIMIT_MB", "1"); // every office is past it
        ModuleEngineFactory engines(m_clipboard);
        engines.expectNoLaterWork();
        auto word = start(engines);
        const int office = engines.officeProcessId();
        word->open(m_template, true);
        word->quit();
        QTest::qWait(1500); // a successor would be starting by now
        QCOMPARE(ourOfficeProcesses(), QList<int>{office});
    }

    // The warm-up runs in the background without touching the clipboard or
    // the temporary folder, and a session asked for meanwhile waits for it.
    // An office past its memory limit is replaced once idle. Ending the
    // factory in the middle of a warm-up leaves nothing behind (cleanup()).
    void warmsUpRecyclesAndEndsCleanly()
    {
        qputenv("PARCELON_OFFICE_MEMORY_LIMIT_MB", "1"); // every office is past it
        const QStringList tempBefore = QDir(TestEnvironment::temp()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries);
        m_clipboard.stored = QImage();
        {
            ModuleEngineFactory engines(m_clipboard);
            engines.warmUp();
            auto word = start(engines);
            const int office = engines.officeProcessId();
            QVERIFY(office > 0);
            QVERIFY(m_clipboard.stored.isNull());
            QCOMPARE(QDir(TestEnvironment::temp()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), tempBefore);
            word->open(m_template, true);
            word->quit();
            // The next work, right away, is not done on the grown office but on its successor.
            word = start(engines);
            QVERIFY(engines.officeProcessId() != office && engines.officeProcessId() > 0);
            QTRY_VERIFY_WITH_TIMEOUT(!ourOfficeProcesses().contains(office), 20000);
            word->open(m_template, true)->saveAs(temp(QStringLiteral("recycled.doc")));
            word->quit();
            for (const QString &instance : instanceFolders())
                m_profileSockets << profilePipeSocket(instance);
        }
        QVERIFY(isCompoundDocument(temp(QStringLiteral("recycled.doc"))));
        ModuleEngineFactory ending(m_clipboard);
        ending.warmUp();
        QTRY_VERIFY_WITH_TIMEOUT(ending.officeProcessId() > 0, 20000);
        for (const QString &instance : instanceFolders())
            m_profileSockets << profilePipeSocket(instance);
    }
};

PARCELON_TEST_MAIN(tst_Engine)
#include "tst_engine.moc"
