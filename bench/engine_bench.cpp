// The document engine: each operation, and the whole fill-and-render of one
// label sheet as the generation drives it (two offices, one after the other).

#include "BenchTable.h"
#include "ModuleEngineFactory.h"
#include "Resources.h"
#include "Seams.h"
#include "TempFolder.h"
#include "WordApplication.h"

#include <QFile>
#include <QImage>

namespace {

class MemoryClipboard : public PictureClipboard
{
public:
    QImage image() override { return stored; }
    void setImage(const QImage &image) override { stored = image; }
    QImage stored;
};

MemoryClipboard &clipboard()
{
    static MemoryClipboard instance;
    return instance;
}

ModuleEngineFactory &engines()
{
    static ModuleEngineFactory instance(clipboard());
    return instance;
}

// The template as the generation writes it; the first call also lets the
// engine prepare its profile, so no measurement pays for that.
QString templatePath()
{
    static const QString path = [] {
        const QString p = TemporaryPath(QStringLiteral("template.dot"));
        const QByteArray bytes = TemplateBytes();
        QFile file(p);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            throw Failure(QStringLiteral("Cannot write %1").arg(p));
        engines().createApplication()->quit();
        return p;
    }();
    return path;
}

const QStringList &phrases()
{
    static const QStringList list = {
        QStringLiteral("Sender Company"), QStringLiteral("Sender Name"),
        QStringLiteral("Sender Street Address"), QStringLiteral("Sender City, State and Zip Code"),
        QStringLiteral("Recipient Company"), QStringLiteral("Recipient Name"),
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

// The generation and the picture export in one go, each step timed.
void fillAndRender(Laps &laps, bool stepByStep)
{
    const QString tpl = templatePath();
    const QString doc = TemporaryPath(QStringLiteral("qmtemp12345678.doc"));
    auto whole = [&] {
        std::unique_ptr<WordApplication> word;
        WordDocument *document = nullptr;
        auto step = [&](const char *name, const std::function<void()> &action) {
            if (stepByStep)
                laps.lap(QStringLiteral("engine: ") + QLatin1String(name), action);
            else
                action();
        };
        step("create application (office start)", [&] { word = engines().createApplication(); });
        step("open template read-only", [&] { document = word->open(tpl, true); });
        step("eight replace-alls", [&] { replaceEight(*word); });
        step("saveAs .doc", [&] { document->saveAs(doc); });
        step("close", [&] { word->setDisplayAlerts(false); document->close(); });
        step("quit", [&] { word->quit(); });
        step("create application (second office)", [&] { word = engines().createApplication(); });
        step("open .doc", [&] { document = word->open(doc); });
        step("copyRangeAsPicture (1472x1904)", [&] { document->copyRangeAsPicture(); });
        step("closeActiveDocument(0)", [&] { word->closeActiveDocument(kWdDoNotSaveChanges); });
        step("quit (second)", [&] { word->quit(); });
    };
    if (stepByStep)
        whole();
    else
        laps.lap(QStringLiteral("engine: fill-and-render (target median <= 1800 ms)"), whole);
    QFile::remove(doc);
}

} // namespace

PARCELON_BENCH("engine: operations", 5, [](Laps &laps) { fillAndRender(laps, true); });
PARCELON_BENCH("engine: fill-and-render", 7, [](Laps &laps) { fillAndRender(laps, false); });
