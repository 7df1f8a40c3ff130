// The start-up check that the document engine can be started.

#include "core/AppInfo.h"
#include "labels/IsInstalled.h"
#include "labels/ModuleEngineFactory.h"
#include "tests/labels/EngineTestKit.h"
#include "tests/support/FakeEngine.h"
#include "tests/support/RecordingMessageBoxes.h"
#include "tests/support/ScriptedSeams.h"
#include "tests/support/TestMain.h"

#include <QtTest>

namespace {

QString creationFailure(EngineFactory &engines)
{
    try {
        engines.createApplication();
    } catch (const EngineError &e) {
        return e.description();
    }
    return QStringLiteral("<an application was created>");
}

QString installMessage()
{
    return QStringLiteral(
        "Error 842001. A normal instance of Word could not be created.\r\n\r\n"
        "1. Please make sure Word is installed on this computer.\r\n\r\n"
        "2. Please open Word normally and make sure a blank document opens immediately without any "
        "interrupting window (such as an Word file recovery window).\r\n\r\n"
        "3. Please make sure that when you double-click on a DOC or DOCX file that Word opens "
        "normally without any interrupting messages.\r\n\r\n"
        "4. All versions of Word are supported by this software except for the rare Word Starter "
        "and Student editions.\r\n\r\n"
        "This version of Parcelon uses LibreOffice instead of Word. It needs LibreOffice Writer and "
        "LibreOffice Draw (or their -nogui packages) and the Liberation fonts. Install them with your "
        "package manager, for example:\r\n\r\n"
        "sudo apt install libreoffice-writer libreoffice-draw fonts-liberation2");
}

// Fails every creation, as a missing engine or as an installed one that did not start.
class FailingEngine : public EngineFactory
{
public:
    explicit FailingEngine(bool missing)
        : m_missing(missing)
    {
    }
    std::unique_ptr<WordApplication> createApplication() override
    {
        if (m_missing)
            throw EngineMissing(QStringLiteral("LibreOffice Writer is not installed"));
        throw EngineError(QStringLiteral("the cause"));
    }

private:
    bool m_missing;
};

} // namespace

class tst_IsInstalled : public QObject
{
    Q_OBJECT

private slots:
    // A missing engine gets the installation advice; an installed one that
    // failed to start gets its cause (a full folder, no answer in time).
    void explainsAMissingEngineAndRefusesToStart_data()
    {
        QTest::addColumn<bool>("missing");
        QTest::addColumn<QString>("expected");
        QTest::newRow("missing") << true << installMessage();
        QTest::newRow("not started") << false
                                     << QStringLiteral(
                                            "Error 842001. A normal instance of Word could not be created.\r\n\r\n"
                                            "LibreOffice is installed but could not be started: the cause");
    }
    void explainsAMissingEngineAndRefusesToStart()
    {
        QFETCH(bool, missing);
        QFETCH(QString, expected);
        AppInfo::setApplicationTitle(QStringLiteral("Parcelon Test Title"));
        FailingEngine engines(missing);
        RecordingMessageBoxes boxes;
        QVERIFY(!EnsureWordAvailable(engines, boxes));
        AppInfo::setApplicationTitle(QString::fromLatin1(AppInfo::kProductTitle));
        QCOMPARE(boxes.boxes().size(), 1);
        const auto box = boxes.boxes().first();
        QCOMPARE(box.title, QStringLiteral("Parcelon Test Title"));
        QCOMPARE(box.style, BoxStyle::Information);
        QCOMPARE(box.text, expected);
    }

    // An engine that starts is enough, even when its quit then fails.
    void ignoresAFailingQuit()
    {
        FakeEngine engines;
        engines.failOn(QStringLiteral("quit"));
        RecordingMessageBoxes boxes;
        QVERIFY(EnsureWordAvailable(engines, boxes));
        QCOMPARE(engines.callCount(QStringLiteral("quit")), 1);
        QCOMPARE(engines.liveApplications, 0);
        QVERIFY(boxes.boxes().isEmpty());
    }

    // A named module is the only one tried, even when it does not load.
    void aModuleThatDoesNotLoadIsAMissingEngine()
    {
        const QByteArray saved = qgetenv("PARCELON_ENGINE_MODULE");
        ScriptedClipboard clipboard;
        ModuleEngineFactory engines(clipboard);
        qputenv("PARCELON_ENGINE_MODULE", QFile::encodeName(QFINDTESTDATA("tst_isinstalled.cpp")));
        const QString notLoaded = creationFailure(engines);
        RecordingMessageBoxes boxes;
        const bool available = EnsureWordAvailable(engines, boxes);
        qputenv("PARCELON_ENGINE_MODULE", "/nonexistent/parcelon-libreoffice.so");
        const QStringList candidates = ModuleEngineFactory::moduleCandidates();
        ModuleEngineFactory fresh(clipboard);
        const QString notFound = creationFailure(fresh);
        qputenv("PARCELON_ENGINE_MODULE", saved);

        QVERIFY2(notLoaded.contains(QStringLiteral("could not be loaded")), qPrintable(notLoaded));
        QVERIFY(!available);
        QCOMPARE(boxes.boxes().size(), 1);
        QCOMPARE(boxes.boxes().first().text, installMessage());
        QCOMPARE(candidates, QStringList{QStringLiteral("/nonexistent/parcelon-libreoffice.so")});
        QVERIFY2(notFound.contains(QStringLiteral("was not found")), qPrintable(notFound));
    }

    // The real office, reached through a link to its program as a packager's
    // or user's setting may give it (the bridge must look beside the real
    // program); then the same office lacking a filter the picture needs.
    void checksTheRealEngine()
    {
        if (!QFileInfo::exists(qEnvironmentVariable("PARCELON_ENGINE_MODULE")))
            QSKIP("The LibreOffice engine module is not built");
        const QString link = TestEnvironment::temp() + QStringLiteral("/soffice.bin");
        QVERIFY(QFile::link(QStringLiteral(PARCELON_LO_PROGRAM_DIR "/soffice.bin"), link));
        qputenv("PARCELON_OFFICE_PROGRAM", QFile::encodeName(link));
        ScriptedClipboard clipboard;
        RecordingMessageBoxes boxes;
        {
            ModuleEngineFactory engines(clipboard);
            QVERIFY(EnsureWordAvailable(engines, boxes));
            // The check's office is kept for the program's run, and ends with it.
            QCOMPARE(EngineTestKit::ourOfficeProcesses().size(), 1);
        }
        QVERIFY(boxes.boxes().isEmpty());
        QCOMPARE(EngineTestKit::ourOfficeProcesses(), QList<int>());

        qputenv("PARCELON_ENGINE_EXTRA_FILTER", "parcelon_missing_Export");
        ModuleEngineFactory engines(clipboard);
        const QString failure = creationFailure(engines);
        const bool available = EnsureWordAvailable(engines, boxes);
        qunsetenv("PARCELON_ENGINE_EXTRA_FILTER");
        qunsetenv("PARCELON_OFFICE_PROGRAM");
        QVERIFY2(failure.contains(QStringLiteral("lacks the filter parcelon_missing_Export")), qPrintable(failure));
        QVERIFY(!available);
        QCOMPARE(boxes.boxes().size(), 1);
        QCOMPARE(boxes.boxes().first().text, installMessage());
        QCOMPARE(EngineTestKit::ourOfficeProcesses(), QList<int>());
        QTRY_COMPARE_WITH_TIMEOUT(EngineTestKit::leftovers(), QStringList(), 5000);
    }
};

PARCELON_TEST_MAIN(tst_IsInstalled)
#include "tst_isinstalled.moc"
