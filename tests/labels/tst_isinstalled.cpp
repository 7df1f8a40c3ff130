// The start-up check that the document engine can be started.

#include "AppInfo.h"
#include "EngineTestKit.h"
#include "IsInstalled.h"
#include "ModuleEngineFactory.h"
#include "RecordingMessageBoxes.h"
#include "ScriptedSeams.h"
#include "TestMain.h"
#include "WordApplication.h"

#include <QtTest>

namespace {

class FailingFactory : public EngineFactory
{
public:
    std::unique_ptr<WordApplication> createApplication() override
    {
        ++created;
        throw EngineError(QStringLiteral("LibreOffice Writer is not installed"));
    }
    int created = 0;
};

// An application whose quit fails, as a half-broken office might.
class StubbornApplication : public WordApplication
{
public:
    explicit StubbornApplication(int &quits) : m_quits(quits) {}
    WordDocument *open(const QString &, std::optional<bool>) override { throw EngineError(QStringLiteral("no")); }
    WordFind *selectionFind() override { throw EngineError(QStringLiteral("no")); }
    void setDisplayAlerts(bool) override {}
    void closeActiveDocument(int) override {}
    void quit() override
    {
        ++m_quits;
        throw EngineError(QStringLiteral("quit failed"));
    }

private:
    int &m_quits;
};

class StubbornFactory : public EngineFactory
{
public:
    std::unique_ptr<WordApplication> createApplication() override
    {
        return std::make_unique<StubbornApplication>(quits);
    }
    int quits = 0;
};

} // namespace

class TestIsInstalled : public QObject
{
    Q_OBJECT

private slots:
    void explainsAMissingEngineAndRefusesToStart()
    {
        AppInfo::setApplicationTitle(QStringLiteral("Parcelon Test Title"));
        FailingFactory engines;
        RecordingMessageBoxes boxes;
        QVERIFY(!EnsureWordAvailable(engines, boxes));
        QCOMPARE(engines.created, 1);
        QCOMPARE(boxes.boxes().size(), 1);
        const auto box = boxes.boxes().first();
        QCOMPARE(box.title, QStringLiteral("Parcelon Test Title"));
        QCOMPARE(box.style, BoxStyle::Information);
        const QString expected = QStringLiteral(
            "Error 842001. A normal instance of Word could not be created.\r\n\r\n"
            "1. Please make sure Word is installed on this computer.\r\n\r\n"
            "2. Please open Word normally and make sure a blank document opens immediately without any "
            "interrupting window (such as an Word file recovery window).\r\n\r\n"
            "3. Please make sure that when you double-click on a DOC or DOCX file that Word opens "
            "normally without any interrupting messages.\r\n\r\n"
            "4. All versions of Word are supported by this software except for the rare Word Starter "
            "and Student editions.\r\n\r\n"
            "This version of Parcelon uses LibreOffice Writer to make its documents. Install it with "
            "your package manager, for example: sudo apt install libreoffice-writer");
        QCOMPARE(box.text, expected);
        AppInfo::setApplicationTitle(QString::fromLatin1(AppInfo::kProductTitle));
    }

    void ignoresAFailingQuit()
    {
        StubbornFactory engines;
        RecordingMessageBoxes boxes;
        QVERIFY(EnsureWordAvailable(engines, boxes));
        QCOMPARE(engines.quits, 1);
        QVERIFY(boxes.boxes().isEmpty());
    }

    void aMissingModuleIsAMissingEngine()
    {
        // A named module is the only one tried, even when it does not load.
        const QByteArray saved = qgetenv("PARCELON_ENGINE_MODULE");
        qputenv("PARCELON_ENGINE_MODULE", QFile::encodeName(QFINDTESTDATA("tst_isinstalled.cpp")));
        ScriptedClipboard clipboard;
        ModuleEngineFactory engines(clipboard);
        try {
            engines.createApplication();
            QFAIL("a module that does not load gave an application");
        } catch (const EngineError &e) {
            QVERIFY2(e.description().contains(QStringLiteral("could not be loaded")), qPrintable(e.description()));
        }
        RecordingMessageBoxes boxes;
        QVERIFY(!EnsureWordAvailable(engines, boxes));
        QCOMPARE(boxes.boxes().size(), 1);
        qputenv("PARCELON_ENGINE_MODULE", "/nonexistent/parcelon-libreoffice.so");
        QCOMPARE(ModuleEngineFactory::moduleCandidates(), QStringList{QStringLiteral("/nonexistent/parcelon-libreoffice.so")});
        try {
            ModuleEngineFactory(clipboard).createApplication();
            QFAIL("a missing module gave an application");
        } catch (const EngineError &e) {
            QVERIFY2(e.description().contains(QStringLiteral("was not found")), qPrintable(e.description()));
        }
        qputenv("PARCELON_ENGINE_MODULE", saved);
    }

    void startsAndQuitsTheRealEngine()
    {
        if (!QFileInfo::exists(qEnvironmentVariable("PARCELON_ENGINE_MODULE")))
            QSKIP("The LibreOffice engine module is not built");
        ScriptedClipboard clipboard;
        ModuleEngineFactory engines(clipboard);
        RecordingMessageBoxes boxes;
        QVERIFY(EnsureWordAvailable(engines, boxes));
        QVERIFY(boxes.boxes().isEmpty());
        QCOMPARE(EngineTestKit::ourOfficeProcesses(), QList<int>());
        QTRY_COMPARE_WITH_TIMEOUT(EngineTestKit::leftovers(), QStringList(), 5000);
    }
};

PARCELON_TEST_MAIN(TestIsInstalled)
#include "tst_isinstalled.moc"
