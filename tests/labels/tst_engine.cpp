// The LibreOffice engine against the real office: what the documents hold
// afterwards, and how failures of the office are contained.

#include "EngineTestKit.h"
#include "ModuleEngineFactory.h"
#include "ScriptedSeams.h"
#include "TestMain.h"
#include "WordApplication.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QtTest>

#include <csignal>
#include <thread>
#include <unistd.h>
#include <utime.h>

using namespace EngineTestKit;

namespace {

// Runs the eight-field block the generation runs, with one replacement.
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

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int theOnlyOffice()
{
    const QList<int> offices = ourOfficeProcesses();
    return offices.size() == 1 ? offices.first() : -1;
}

} // namespace

class TestEngine : public QObject
{
    Q_OBJECT

private:
    QString temp(const QString &name) const { return TestEnvironment::temp() + QLatin1Char('/') + name; }
    QString failureOf(const std::function<void()> &action)
    {
        try {
            action();
        } catch (const EngineError &e) {
            return e.description();
        }
        return QString();
    }

    ScriptedClipboard m_clipboard;
    ModuleEngineFactory m_engines{m_clipboard};
    QString m_template;
    QStringList m_profileSockets;

private slots:
    void initTestCase()
    {
        m_template = temp(QStringLiteral("labels.dot"));
        writeLabelTemplate(m_engines, m_template);
        QVERIFY(isCompoundDocument(m_template));
        const QString text = documentText(m_template);
        for (const QString &phrase : placeholderPhrases())
            QCOMPARE(text.count(phrase), 6);
    }

    void init()
    {
        m_clipboard.stored = QImage();
    }

    // Nothing of an office may outlive its application.
    void cleanup()
    {
        qunsetenv("PARCELON_ENGINE_CALL_TIMEOUT_MS");
        qunsetenv("PARCELON_OFFICE_PROGRAM");
        // The instance folder is removed in the background; the process and
        // sockets are gone when quit() returns (checked in the tests).
        QTRY_COMPARE_WITH_TIMEOUT(leftovers(m_profileSockets), QStringList(), 5000);
        m_profileSockets.clear();
    }

    void fillsEveryLabelWithTheValuesExactly()
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
            // The phrase in another letter case: the search ignores case.
            {QStringLiteral("rECIPIENT sTREET aDDRESS"), QStringLiteral("&")},
            {QStringLiteral("Recipient City, State and Zip Code"), QStringLiteral("back\\slash \\\\ \\t end")},
        };
        const QString saved = temp(QStringLiteral("filled.doc"));
        auto word = m_engines.createApplication();
        WordDocument *doc = word->open(m_template, true);
        // A second document opened and closed again hands the focus back to the first.
        word->open(m_template, true);
        word->closeActiveDocument(kWdDoNotSaveChanges);
        for (const auto &[phrase, value] : blocks)
            replaceAll(*word, phrase, value);
        doc->saveAs(saved);
        word->setDisplayAlerts(false);
        doc->close();
        word->quit();

        QVERIFY(isCompoundDocument(saved));
        const QString text = documentText(saved);
        for (const QString &phrase : placeholderPhrases())
            QVERIFY2(!text.contains(phrase, Qt::CaseInsensitive), qPrintable(phrase));
        for (const auto &[phrase, value] : blocks) {
            if (!value.isEmpty() && value != QLatin1String("&") && value != longValue)
                QVERIFY2(text.count(value) == 6, qPrintable(value));
        }
        QCOMPARE(text.count(QStringLiteral("\n&\n")), 6);
        // catdoc cuts very long paragraphs short, so the office itself checks
        // the long value: each label holds it whole.
        word = m_engines.createApplication();
        doc = word->open(saved, true);
        WordFind *find = word->selectionFind();
        find->setText(longValue);
        find->setReplacementText(QStringLiteral("LONG VALUE WHOLE"));
        find->setMatchCase(true);
        find->setMatchWholeWord(true);
        find->execute(kWdReplaceAll);
        doc->saveAs(temp(QStringLiteral("long.doc")));
        word->quit();
        QCOMPARE(documentText(temp(QStringLiteral("long.doc"))).count(QStringLiteral("LONG VALUE WHOLE")), 6);

        // The template itself was opened read-only and is untouched.
        QCOMPARE(documentText(m_template).count(QStringLiteral("Sender Company")), 6);
    }

    void honoursTheMatchOptions()
    {
        const QString saved = temp(QStringLiteral("options.doc"));
        auto word = m_engines.createApplication();
        WordDocument *doc = word->open(m_template, true);
        WordFind *find = word->selectionFind();
        find->setText(QStringLiteral("sender company"));
        find->setReplacementText(QStringLiteral("CASE"));
        find->setMatchCase(true);
        find->execute(kWdReplaceAll); // no match: wrong case
        find->setMatchCase(false);
        find->setText(QStringLiteral("Sende"));
        find->setReplacementText(QStringLiteral("WHOLE"));
        find->setMatchWholeWord(true);
        find->execute(kWdReplaceAll); // no match: only part of a word
        find->setMatchWholeWord(false);
        find->setText(QStringLiteral("Recipie"));
        find->setReplacementText(QStringLiteral("PART"));
        find->execute(kWdReplaceAll); // matches inside words
        find->setText(QStringLiteral("Sender Name"));
        find->setReplacementText(QStringLiteral("ONCE"));
        find->execute(kWdReplaceOne);

        for (auto set : {&WordFind::setMatchWildcards, &WordFind::setMatchSoundsLike,
                         &WordFind::setMatchAllWordForms}) {
            find->setText(QStringLiteral("Sender Street Address"));
            find->setReplacementText(QStringLiteral("NEVER"));
            (find->*set)(true);
            QVERIFY(failureOf([&] { find->execute(kWdReplaceAll); }).contains(QStringLiteral("not supported")));
            (find->*set)(false);
        }
        QVERIFY(!failureOf([&] { find->execute(7); }).isEmpty());
        doc->saveAs(saved);
        word->quit();

        const QString text = documentText(saved);
        QVERIFY(!text.contains(QStringLiteral("CASE")));
        QVERIFY(!text.contains(QStringLiteral("WHOLE")));
        QVERIFY(!text.contains(QStringLiteral("NEVER")));
        QCOMPARE(text.count(QStringLiteral("PARTnt Company")), 6);
        QCOMPARE(text.count(QStringLiteral("ONCE")), 1);
        QCOMPARE(text.count(QStringLiteral("Sender Name")), 5);
    }

    void savesInTheFormatTheNameAsksFor()
    {
        auto word = m_engines.createApplication();
        WordDocument *doc = word->open(m_template, true);
        replaceAll(*word, QStringLiteral("Sender Company"), QStringLiteral("Format Check"));
        const QStringList names = {QStringLiteral("copy.dot"), QStringLiteral("COPY.DOC"),
                                   QStringLiteral("copy.odt"), QStringLiteral("copy")};
        for (const QString &name : names)
            doc->saveAs(temp(name));
        // Saving over an existing file replaces it.
        doc->saveAs(temp(QStringLiteral("copy")));
        word->quit();
        for (const QString &name : names) {
            QVERIFY2(isCompoundDocument(temp(name)), qPrintable(name));
            QCOMPARE(documentText(temp(name)).count(QStringLiteral("Format Check")), 6);
        }
    }

    // File names reach the office as URLs: spaces, '#', '%' and non-ASCII
    // letters must survive, also when the program runs in the C locale.
    void handlesAwkwardPathsInAnyLocale()
    {
        const QString folder = temp(QStringLiteral("Ünï cödé 東京 #1 100%"));
        QVERIFY(QDir().mkpath(folder));
        const QString source = folder + QStringLiteral("/ärger #2 50%.dot");
        const QString target = folder + QStringLiteral("/копия #3 %20.doc");
        QVERIFY(QFile::copy(m_template, source));
        const QByteArray locale = qgetenv("LC_ALL");
        qputenv("LC_ALL", "C");
        auto word = m_engines.createApplication();
        if (locale.isNull())
            qunsetenv("LC_ALL");
        else
            qputenv("LC_ALL", locale);
        WordDocument *doc = word->open(source, true);
        replaceAll(*word, QStringLiteral("Sender Company"), QStringLiteral("Awkward Path"));
        doc->saveAs(target);
        word->quit();
        QVERIFY(isCompoundDocument(target));
        QCOMPARE(documentText(target).count(QStringLiteral("Awkward Path")), 6);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 2);
    }

    void closingUnsavedLeavesTheFileUntouched()
    {
        const QString path = temp(QStringLiteral("keep.doc"));
        QVERIFY(QFile::copy(m_template, path));
        const QDateTime old = QDateTime::currentDateTime().addDays(-3);
        struct utimbuf times {old.toSecsSinceEpoch(), old.toSecsSinceEpoch()};
        QCOMPARE(::utime(QFile::encodeName(path).constData(), &times), 0);
        const QByteArray before = fileBytes(path);
        const QDateTime modified = QFileInfo(path).lastModified();

        auto word = m_engines.createApplication();
        word->open(path); // for editing, as the picture export opens it
        replaceAll(*word, QStringLiteral("Sender Company"), QStringLiteral("NOT SAVED"));
        word->closeActiveDocument(kWdDoNotSaveChanges);
        QVERIFY(!failureOf([&] { word->closeActiveDocument(kWdDoNotSaveChanges); }).isEmpty());
        word->quit();

        QCOMPARE(fileBytes(path), before);
        QCOMPARE(QFileInfo(path).lastModified(), modified);
        QCOMPARE(QDir(TestEnvironment::temp()).entryList({QStringLiteral(".~lock*")}, QDir::Hidden | QDir::Files),
                 QStringList());
    }

    void copiesThePageAsAPicture()
    {
        const QString path = temp(QStringLiteral("picture.doc"));
        {
            auto word = m_engines.createApplication();
            WordDocument *doc = word->open(m_template, true);
            replaceAll(*word, QStringLiteral("Recipient Name"), QStringLiteral("WWWWWWWWWWWWWWWW"));
            doc->saveAs(path);
            word->quit();
        }
        auto word = m_engines.createApplication();
        word->open(path)->copyRangeAsPicture();
        word->closeActiveDocument(kWdDoNotSaveChanges);
        word->quit();

        const QImage picture = m_clipboard.stored;
        QCOMPARE(picture.size(), QSize(1472, 1904));
        QCOMPARE(picture.dotsPerMeterX(), 15118);
        QCOMPARE(picture.dotsPerMeterY(), 15118);
        QVERIFY(!picture.hasAlphaChannel());
        // White paper at the far corner (the export's transparent edge is gone),
        // and ink where the labels are.
        QCOMPARE(picture.pixel(1471, 1903), qRgb(255, 255, 255));
        QCOMPARE(picture.pixel(0, 0), qRgb(255, 255, 255));
        qint64 dark = 0;
        for (int y = 0; y < picture.height(); y += 2)
            for (int x = 0; x < picture.width(); x += 2)
                dark += qGray(picture.pixel(x, y)) < 128;
        const qint64 sampled = qint64(picture.width() / 2) * (picture.height() / 2);
        QVERIFY2(dark > sampled / 500, qPrintable(QString::number(dark)));
        QVERIFY2(dark < sampled / 5, qPrintable(QString::number(dark)));
    }

    void refusesWhatIsNotAWordDocument()
    {
        QFile::remove(temp(QStringLiteral("missing.dot")));
        QFile empty(temp(QStringLiteral("empty.dot")));
        QVERIFY(empty.open(QIODevice::WriteOnly));
        empty.close();
        QImage image(64, 64, QImage::Format_RGB32);
        image.fill(Qt::red);
        QVERIFY(image.save(temp(QStringLiteral("picture.dot")), "PNG"));
        QFile text(temp(QStringLiteral("text.dot")));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("Sender Company\nSender Name\nJust a text file.\n");
        text.close();
        QDir().mkpath(temp(QStringLiteral("folder.dot")));

        auto word = m_engines.createApplication();
        const QList<QPair<QString, QString>> cases = {
            {QStringLiteral("missing.dot"), QStringLiteral("does not exist")},
            {QStringLiteral("empty.dot"), QStringLiteral("empty")},
            {QStringLiteral("picture.dot"), QStringLiteral("not a text document")},
            {QStringLiteral("text.dot"), QStringLiteral("plain text")},
            {QStringLiteral("folder.dot"), QStringLiteral("folder")},
        };
        for (const auto &[name, reason] : cases) {
            const QString failure = failureOf([&] { word->open(temp(name), true); });
            QVERIFY2(failure.contains(reason) && failure.contains(name), qPrintable(failure));
        }
        // Nothing is active, and the office still works.
        QVERIFY(!failureOf([&] { word->selectionFind(); }).isEmpty());
        word->open(m_template, true);
        replaceAll(*word, QStringLiteral("Sender Company"), QStringLiteral("still working"));
        word->quit();
    }

    void reportsATargetThatCannotBeWritten()
    {
        QFile file(temp(QStringLiteral("plain-file")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QDir().mkpath(temp(QStringLiteral("taken.doc")));
        const QString locked = temp(QStringLiteral("locked"));
        QDir().mkpath(locked);
        QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner);

        QList<QPair<QString, QString>> cases = {
            {temp(QStringLiteral("no/such/folder/out.doc")), QStringLiteral("does not exist")},
            {temp(QStringLiteral("plain-file/out.doc")), QStringLiteral("is not a folder")},
            {temp(QStringLiteral("taken.doc")), QStringLiteral("a folder of that name exists")},
        };
        if (::geteuid() != 0) // permissions do not stop root
            cases.append({locked + QStringLiteral("/out.doc"), QStringLiteral("cannot be written to")});

        auto word = m_engines.createApplication();
        WordDocument *doc = word->open(m_template, true);
        for (const auto &[target, reason] : cases) {
            const QString failure = failureOf([&] { doc->saveAs(target); });
            QVERIFY2(failure.contains(reason) && failure.contains(target), qPrintable(failure));
        }
        QVERIFY(!QFileInfo::exists(temp(QStringLiteral("no"))));
        // The document and the office are still fine.
        doc->saveAs(temp(QStringLiteral("after-failure.doc")));
        word->quit();
        QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(isCompoundDocument(temp(QStringLiteral("after-failure.doc"))));
    }

    void containsAnOfficeKilledDuringACall()
    {
        auto word = m_engines.createApplication();
        word->open(m_template, true);
        const int office = theOnlyOffice();
        QVERIFY(office > 0);
        m_profileSockets << profilePipeSocket(instanceFolders().value(0));
        // Stopped first, so the call is surely under way when the kill comes.
        ::kill(office, SIGSTOP);
        std::thread killer([office] {
            std::this_thread::sleep_for(std::chrono::milliseconds(400));
            ::kill(office, SIGKILL);
        });
        QElapsedTimer timer;
        timer.start();
        const QString failure = failureOf([&] { replaceAll(*word, QStringLiteral("Sender Name"), QStringLiteral("x")); });
        killer.join();
        QVERIFY2(failure.contains(QStringLiteral("ended unexpectedly")), qPrintable(failure));
        QVERIFY(timer.elapsed() < 10000);
        // Every later call fails at once instead of hanging.
        QVERIFY(failureOf([&] { word->setDisplayAlerts(false); }).contains(QStringLiteral("ended")));
        word->quit();
    }

    void stopsAFrozenOffice()
    {
        qputenv("PARCELON_ENGINE_CALL_TIMEOUT_MS", "1500");
        auto word = m_engines.createApplication();
        WordDocument *doc = word->open(m_template, true);
        const int office = theOnlyOffice();
        QVERIFY(office > 0);
        m_profileSockets << profilePipeSocket(instanceFolders().value(0));
        ::kill(office, SIGSTOP);
        QElapsedTimer timer;
        timer.start();
        const QString failure = failureOf([&] { doc->saveAs(temp(QStringLiteral("frozen.doc"))); });
        QVERIFY2(failure.contains(QStringLiteral("did not respond within 1.5 seconds")), qPrintable(failure));
        QVERIFY2(timer.elapsed() < 8000, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(!failureOf([&] { doc->close(); }).isEmpty());
        QVERIFY(!QFileInfo::exists(temp(QStringLiteral("frozen.doc"))));
        word->quit();
    }

    void explainsAMissingOffice()
    {
        qputenv("PARCELON_OFFICE_PROGRAM", "/nonexistent/libreoffice/soffice.bin");
        const QString failure = failureOf([&] { m_engines.createApplication(); });
        QVERIFY2(failure.contains(QStringLiteral("/nonexistent/libreoffice/soffice.bin")), qPrintable(failure));
        QVERIFY2(failure.contains(QStringLiteral("not installed")), qPrintable(failure));
    }

    // Every office starts from the prepared profile and so skips the
    // graphics self-test a new profile runs (most of a second each start).
    void startsWarmFromThePreparedProfile()
    {
        auto word = m_engines.createApplication();
        word->open(m_template, true);
        const QString instance = instanceFolders().value(0);
        m_profileSockets << profilePipeSocket(instance);
        QVERIFY(QFileInfo::exists(instance + QStringLiteral("/profile/user/registrymodifications.xcu")));
        QVERIFY(!QFileInfo::exists(instance + QStringLiteral("/profile/user/GraphicsRenderTests.log")));
        word->quit();
    }

    void endsTheOfficeWithoutQuit()
    {
        auto word = m_engines.createApplication();
        word->open(m_template, true);
        QVERIFY(theOnlyOffice() > 0);
        m_profileSockets << profilePipeSocket(instanceFolders().value(0));
        word.reset();
    }

    void quitEndsEverythingAndLaterCallsFail()
    {
        auto word = m_engines.createApplication();
        WordDocument *doc = word->open(m_template, true);
        m_profileSockets << profilePipeSocket(instanceFolders().value(0));
        word->quit();
        QCOMPARE(ourOfficeProcesses(), QList<int>());
        QCOMPARE(ourPipeSockets(), QStringList());
        QVERIFY(!QFileInfo::exists(m_profileSockets.first()));
        QVERIFY(failureOf([&] { doc->saveAs(temp(QStringLiteral("late.doc"))); }).contains(QStringLiteral("shut down")));
        QVERIFY(!failureOf([&] { word->open(m_template, true); }).isEmpty());
        word->quit(); // a second quit is harmless
    }

    // An office never outlives its program, even one killed without warning,
    // and what such an office left behind is swept by the next start.
    void theOfficeDiesWithAKilledProgram()
    {
        QProcess helper;
        helper.start(QStringLiteral(PARCELON_ORPHAN_HELPER), QStringList());
        QVERIFY(helper.waitForStarted());
        QVERIFY(helper.waitForReadyRead(60000));
        QCOMPARE(helper.readLine().trimmed(), QByteArray("ready"));
        const int helperPid = int(helper.processId());
        int office = -1;
        for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
            QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
            if (!stat.open(QIODevice::ReadOnly))
                continue;
            const QByteArray line = stat.readAll();
            const QList<QByteArray> rest = line.mid(line.lastIndexOf(')') + 2).split(' ');
            if (line.contains("(soffice") && rest.size() > 1 && rest[1].toInt() == helperPid)
                office = entry.toInt();
        }
        QVERIFY(office > 0);
        const QStringList helperFolders = instanceFolders();
        QCOMPARE(helperFolders.size(), 1);
        const QString helperSocket = profilePipeSocket(helperFolders.first());
        QVERIFY(QFileInfo::exists(helperSocket));

        ::kill(helperPid, SIGKILL);
        QVERIFY(helper.waitForFinished(10000));
        auto officeGone = [office] {
            QFile stat(QStringLiteral("/proc/%1/stat").arg(office));
            if (!stat.open(QIODevice::ReadOnly))
                return true;
            const QByteArray line = stat.readAll();
            return line.mid(line.lastIndexOf(')') + 2, 1) == "Z"; // dead, awaiting its new parent
        };
        QTRY_VERIFY_WITH_TIMEOUT(officeGone(), 10000);

        auto word = m_engines.createApplication();
        QVERIFY(!instanceFolders().contains(helperFolders.first()));
        QVERIFY(!QFileInfo::exists(helperSocket));
        const QString helperPipes = QStringLiteral("OSL_PIPE_%1_parcelon-%2-*").arg(::getuid()).arg(helperPid);
        QCOMPARE(QDir(QStringLiteral("/tmp")).entryList({helperPipes}, QDir::System), QStringList());
        m_profileSockets << profilePipeSocket(instanceFolders().value(0));
        word->quit();
    }

    void twoApplicationsWorkSideBySide()
    {
        auto first = m_engines.createApplication();
        auto second = m_engines.createApplication();
        QCOMPARE(ourOfficeProcesses().size(), 2);
        WordDocument *a = first->open(m_template, true);
        WordDocument *b = second->open(m_template, true);
        replaceAll(*first, QStringLiteral("Sender Company"), QStringLiteral("First Office"));
        replaceAll(*second, QStringLiteral("Sender Company"), QStringLiteral("Second Office"));
        first->quit(); // must not take the other office down
        b->saveAs(temp(QStringLiteral("second.doc")));
        second->quit();
        Q_UNUSED(a);
        QCOMPARE(documentText(temp(QStringLiteral("second.doc"))).count(QStringLiteral("Second Office")), 6);
    }
};

PARCELON_TEST_MAIN(TestEngine)
#include "tst_engine.moc"
