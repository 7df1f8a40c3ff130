// "Start Creating Template" end to end through the real main window and the
// real LibreOffice engine: the document and the picture are the point here.

#include "Form1.h"
#include "Form2.h"
#include "LabelGeneration.h"
#include "ModuleEngineFactory.h"
#include "QtSeams.h"
#include "RecordingMessageBoxes.h"
#include "ScriptedSeams.h"
#include "Seams.h"
#include "TestMain.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>

#include <unistd.h>

namespace {

QString temp(const QString &name)
{
    return TestEnvironment::temp() + QLatin1Char('/') + name;
}

QStringList tempEntries()
{
    return QDir(TestEnvironment::temp())
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// The document's text as catdoc reads it: no wrapping, UTF-8.
QString documentText(const QString &path)
{
    QProcess catdoc;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    catdoc.setProcessEnvironment(env);
    catdoc.start(QStringLiteral("catdoc"), {QStringLiteral("-w"), QStringLiteral("-d"), QStringLiteral("utf-8"), path});
    if (!catdoc.waitForFinished(30000) || catdoc.exitCode() != 0)
        return QStringLiteral("<catdoc failed: %1>").arg(QString::fromLocal8Bit(catdoc.readAllStandardError()));
    return QString::fromUtf8(catdoc.readAllStandardOutput());
}

// Office processes this test started that still exist, zombies included.
QList<int> ourOfficeProcesses()
{
    QList<int> found;
    const QString self = QString::number(::getpid());
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &entry : entries) {
        bool numeric = false;
        const int pid = entry.toInt(&numeric);
        if (!numeric)
            continue;
        QFile status(QStringLiteral("/proc/%1/status").arg(entry));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        const QString text = QString::fromLatin1(status.readAll());
        if (text.contains(QStringLiteral("Name:\tsoffice.bin"))
            && text.contains(QStringLiteral("\nPPid:\t") + self + QLatin1Char('\n')))
            found.append(pid);
    }
    return found;
}

// Dark pixels of a picture, counted on a coarse grid.
int darkSamples(const QImage &picture)
{
    int dark = 0;
    for (int y = 0; y < picture.height(); y += 4) {
        for (int x = 0; x < picture.width(); x += 4) {
            if (qGray(picture.pixel(x, y)) < 128)
                ++dark;
        }
    }
    return dark;
}

// Distinct values, none a part of another, so that counting them is exact.
const QStringList kFields = {
    QStringLiteral("Quayside Freight Ltd"), QStringLiteral("Mira Okonkwo"),
    QStringLiteral("  7 Wharf Lane "),      QStringLiteral("Harbourton"),
    QStringLiteral("ME"),                   QStringLiteral("04101"),
    QStringLiteral("Café Zoë & Söhne"),     QStringLiteral("Tomasz Wilk"),
    QStringLiteral("88 Orchard Row"),       QStringLiteral("Lakeview"),
    QStringLiteral("WI"),                   QStringLiteral("53703"),
};

} // namespace

class tst_GenerationReal : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void clickFillsSavesAndShowsTheSheet();
    void exportLeavesTheDocumentUntouched();
    void cleanupTestCase();

private:
    RecordingMessageBoxes m_boxes;
    ScriptedSaveDialog m_saveDialog;
    RecordingUrlOpener m_urlOpener;
    SystemRandom m_random;
    SystemClipboard m_clipboard;
    RecordingProgramExit m_exit;
    std::unique_ptr<ModuleEngineFactory> m_engines;
    Services m_services;
    QString m_document;
};

void tst_GenerationReal::initTestCase()
{
    const QString module = qEnvironmentVariable("PARCELON_ENGINE_MODULE");
    QVERIFY2(QFileInfo::exists(module), qPrintable(QStringLiteral("engine module missing: ") + module));
    m_engines = std::make_unique<ModuleEngineFactory>(m_clipboard);
    m_services.messages = &m_boxes;
    m_services.saveDialog = &m_saveDialog;
    m_services.urlOpener = &m_urlOpener;
    m_services.random = &m_random;
    m_services.clipboard = &m_clipboard;
    m_services.engines = m_engines.get();
    m_services.exit = &m_exit;
}

void tst_GenerationReal::clickFillsSavesAndShowsTheSheet()
{
    Form1 form(m_services);
    form.Form_Load();
    QVERIFY(!form.shouldEnd());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    for (int n = 1; n <= 12; ++n)
        form.field(n)->setText(kFields[n - 1]);
    // A later block's phrase typed into an earlier field, in other letter case.
    form.field(1)->setText(kFields[0] + QStringLiteral(" attn RECIPIENT name"));
    m_boxes.clear();

    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(form.PushButton6, Qt::LeftButton);
    qInfo("one generation took %lld ms", clock.elapsed());

    QCOMPARE(m_boxes.boxes().size(), 0);
    QVERIFY(!form.mBusy);
    QVERIFY(!form.isVisible());
    Form2 *preview = form.previewWindow();
    QVERIFY(preview);
    QVERIFY(preview->isVisible());

    // The picture: a page-shaped sheet, mostly white, with the labels' text on it.
    const QImage picture = preview->viewport().canvas().picture;
    QVERIFY(!picture.isNull());
    QVERIFY(picture.height() > picture.width());
    const int samples = (picture.width() / 4) * (picture.height() / 4);
    const int dark = darkSamples(picture);
    QVERIFY2(dark > 100 && dark < samples / 4, qPrintable(QString::number(dark)));

    // The document: a fresh name in the temporary folder, every value on all six labels.
    m_document = preview->mWordFile;
    QVERIFY(QFileInfo(m_document).fileName().contains(QRegularExpression("^qmtemp[1-9]{8}\\.doc$")));
    QCOMPARE(QFileInfo(m_document).absolutePath(), TestEnvironment::temp());
    QVERIFY(QFileInfo(m_document).isFile());
    const QString text = documentText(m_document);
    const QStringList expected = {
        kFields[0] + QStringLiteral(" attn ") + kFields[7], kFields[1], kFields[2],
        QStringLiteral("Harbourton, ME 04101"), kFields[6], kFields[7], kFields[8],
        QStringLiteral("Lakeview, WI 53703"),
    };
    for (const QString &value : expected)
        QVERIFY2(text.count(value) == 6 + (value == kFields[7] ? 6 : 0),
                 qPrintable(value + QStringLiteral(" in:\n") + text));
    for (const char *phrase : {"Sender Company", "Sender Name", "Sender Street Address",
                               "Sender City, State and Zip Code", "Recipient Company",
                               "Recipient Name", "Recipient Street Address",
                               "Recipient City, State and Zip Code"})
        QVERIFY2(!text.contains(QLatin1String(phrase), Qt::CaseInsensitive), phrase);

    // Nothing else is left: no template copy, no picture file, no office.
    QCOMPARE(tempEntries(), QStringList({QFileInfo(m_document).fileName()}));
    QCOMPARE(ourOfficeProcesses(), QList<int>());

    // The preview window keeps the document; take it out of its hands so that
    // closing the windows here does not delete it before the next test.
    preview->mWordFile.clear();
    preview->hide();
}

void tst_GenerationReal::exportLeavesTheDocumentUntouched()
{
    QVERIFY2(QFileInfo::exists(m_document), "needs the document of the previous test");
    QFile file(m_document);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();
    const QDateTime modified = QFileInfo(m_document).lastModified();
    m_clipboard.setImage(QImage(3, 3, QImage::Format_RGB32)); // what the user had copied

    QElapsedTimer clock;
    clock.start();
    SaveDocAsJPG(m_services, m_document);
    qInfo("one preview export took %lld ms", clock.elapsed());

    QCOMPARE(m_boxes.boxes().size(), 0);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
    QCOMPARE(QFileInfo(m_document).lastModified(), modified);

    QImage picture;
    QVERIFY(picture.load(temp("temp.bmp")));
    QVERIFY(picture.dotsPerMeterX() > 0);
    QVERIFY(darkSamples(picture) > 100);
    // The clipboard now holds the sheet, not what was there before.
    QCOMPARE(m_clipboard.image().size(), picture.size());

    QFile::remove(temp("temp.bmp"));
    QFile::remove(m_document);
    QCOMPARE(ourOfficeProcesses(), QList<int>());
    QVERIFY(tempEntries().isEmpty());
}

void tst_GenerationReal::cleanupTestCase()
{
    m_engines.reset();
    QCOMPARE(ourOfficeProcesses(), QList<int>());
}

PARCELON_TEST_MAIN(tst_GenerationReal)
#include "tst_generation_real.moc"
