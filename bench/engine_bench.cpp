// The document engine: each operation of a click on the one warm office,
// the whole fill-and-render, what replacing a dead office costs, the office's
// memory idle and after many fills, and a bare office run as the yardstick.

#include "bench/BareOffice.h"
#include "bench/BenchTable.h"
#include "core/Seams.h"
#include "core/TempFolder.h"
#include "labels/ModuleEngineFactory.h"
#include "labels/PopplerPageRenderer.h"
#include "labels/WordApplication.h"
#include "resources/Resources.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>

#include <csignal>
#include <stdexcept>

namespace {

class MemoryClipboard : public PictureClipboard
{
public:
    QImage image() override { return stored; }
    void setImage(const QImage &image) override { stored = image; }
    QImage stored;
};

// Poppler's share of copyRangeAsPicture.
class TimedRenderer : public PagePictureRenderer
{
public:
    QImage renderFirstPage(const QByteArray &pdf, QString *problem) override
    {
        QElapsedTimer timer;
        timer.start();
        QImage page = poppler.renderFirstPage(pdf, problem);
        lastMs = double(timer.nsecsElapsed()) / 1e6;
        return page;
    }
    PopplerPageRenderer poppler;
    double lastMs = 0;
};

// One factory with a warmed office, as the program has it a few seconds after start.
struct WarmEngine
{
    MemoryClipboard clipboard;
    TimedRenderer renderer;
    ModuleEngineFactory engines{clipboard, &renderer};
    QString templatePath = TemporaryPath(QStringLiteral("template.dot"));
    QString documentPath = TemporaryPath(QStringLiteral("qmtemp12345678.doc"));

    WarmEngine()
    {
        const QByteArray bytes = TemplateBytes();
        QFile file(templatePath);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            throw std::runtime_error("cannot write the template");
        engines.warmUp();
        engines.createApplication()->quit(); // waits for the warm-up
    }
    ~WarmEngine()
    {
        QFile::remove(templatePath);
        QFile::remove(documentPath);
    }
};

const QStringList &phrases()
{
    static const QStringList list = {
        QStringLiteral("Sender Company"),           QStringLiteral("Sender Name"),
        QStringLiteral("Sender Street Address"),    QStringLiteral("Sender City, State and Zip Code"),
        QStringLiteral("Recipient Company"),        QStringLiteral("Recipient Name"),
        QStringLiteral("Recipient Street Address"), QStringLiteral("Recipient City, State and Zip Code")};
    return list;
}

void replaceEight(WordApplication &word)
{
    for (const QString &phrase : phrases()) {
        WordFind *find = word.selectionFind();
        find->clearFormatting();
        find->clearReplacementFormatting();
        find->setText(phrase);
        find->setReplacementText(QStringLiteral("Quillmark Shipping Department 1234"));
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
}

// The generation's and the export's engine calls, each timed when `laps` is given.
void fillAndRender(WarmEngine &engine, Laps *laps)
{
    std::unique_ptr<WordApplication> word;
    WordDocument *document = nullptr;
    auto step = [&](const char *name, const std::function<void()> &action) {
        if (laps)
            laps->lap(QStringLiteral("engine: ") + QLatin1String(name), action);
        else
            action();
    };
    step("create application (session)", [&] { word = engine.engines.createApplication(); });
    step("open template read-only (the one kept ready)", [&] { document = word->open(engine.templatePath, true); });
    step("eight replace-alls", [&] { replaceEight(*word); });
    step("saveAs .doc", [&] { document->saveAs(engine.documentPath); });
    step("close", [&] {
        word->setDisplayAlerts(false);
        document->close();
    });
    step("quit (session)", [&] { word->quit(); });
    step("create application (second session)", [&] { word = engine.engines.createApplication(); });
    step("open .doc (the sheet kept open)", [&] { document = word->open(engine.documentPath); });
    step("copyRangeAsPicture (PDF + render, 1472x1904)", [&] { document->copyRangeAsPicture(); });
    if (laps)
        laps->record(QStringLiteral("engine:   of which poppler renders the PDF"), engine.renderer.lastMs);
    step("closeActiveDocument(0)", [&] { word->closeActiveDocument(kWdDoNotSaveChanges); });
    step("quit (second session)", [&] { word->quit(); });
}

// temp.bmp: the clipboard picture written and read back, BMP against the PNG of before.
void pictureFile(Laps &laps, const QImage &page)
{
    const QString path = TemporaryPath(QStringLiteral("temp.bmp"));
    for (const char *format : {"BMP", "PNG"}) {
        const QString name = QLatin1String(format);
        QByteArray bytes;
        laps.lap(QStringLiteral("picture file: write %1").arg(name), [&] {
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            page.save(&buffer, format);
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
                throw std::runtime_error("cannot write temp.bmp");
        });
        laps.lap(QStringLiteral("picture file: load %1").arg(name), [&] {
            if (QImage(path).isNull())
                throw std::runtime_error("cannot read temp.bmp back");
        });
    }
    QFile::remove(path);
}

void operations(Laps &laps)
{
    WarmEngine engine;
    for (int i = 0; i < 5; ++i)
        fillAndRender(engine, &laps);
    pictureFile(laps, engine.clipboard.stored);
}

void whole(Laps &laps)
{
    WarmEngine engine;
    for (int i = 0; i < 5; ++i)
        laps.lap(QStringLiteral("engine: fill-and-render, warm office"), [&] { fillAndRender(engine, nullptr); });
    // What a click pays when the office died just before it.
    for (int i = 0; i < 3; ++i) {
        ::kill(engine.engines.officeProcessId(), SIGKILL);
        laps.lap(QStringLiteral("engine: fill-and-render, office killed before"),
                 [&] { fillAndRender(engine, nullptr); });
    }
}

double residentMegabytes(int pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (pid <= 0 || !status.open(QIODevice::ReadOnly))
        throw std::runtime_error("no office to measure");
    const QRegularExpression rss(QStringLiteral("VmRSS:\\s+(\\d+) kB"));
    const QRegularExpressionMatch match = rss.match(QString::fromLatin1(status.readAll()));
    if (!match.hasMatch())
        throw std::runtime_error("no resident size for the office");
    return match.captured(1).toDouble() / 1024.0;
}

void memory(Laps &laps)
{
    // Past every limit the program sets, so that the office is never recycled here.
    qputenv("PARCELON_OFFICE_MEMORY_LIMIT_MB", "100000");
    WarmEngine engine;
    laps.record(QStringLiteral("office memory: idle after warm-up (MB)"),
                residentMegabytes(engine.engines.officeProcessId()));
    for (int fills = 1; fills <= 100; ++fills) {
        fillAndRender(engine, nullptr);
        if (fills == 25 || fills == 100)
            laps.record(QStringLiteral("office memory: after %1 fills (MB)").arg(fills),
                        residentMegabytes(engine.engines.officeProcessId()));
    }
    qunsetenv("PARCELON_OFFICE_MEMORY_LIMIT_MB");
}

void bareOfficeRun(Laps &laps)
{
    for (double ms : BareOfficeRuns(5))
        laps.record(QStringLiteral("bare office run: soffice --headless --convert-to doc"), ms);
}

} // namespace

PARCELON_BENCH("engine: operations", 1, operations);
PARCELON_BENCH("engine: fill-and-render", 1, whole);
PARCELON_BENCH("office memory", 1, memory);
PARCELON_BENCH("bare office run", 1, bareOfficeRun);
