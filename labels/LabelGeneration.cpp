#include "labels/LabelGeneration.h"

#include "core/AppInfo.h"
#include "core/Failure.h"
#include "core/FileUtils.h"
#include "core/FreedMemory.h"
#include "core/GeneratedDocuments.h"
#include "core/MessageBoxes.h"
#include "core/Procedure.h"
#include "core/Seams.h"
#include "core/TempFolder.h"
#include "core/TempFolderLock.h"
#include "labels/AddressLines.h"
#include "labels/LabelFit.h"
#include "labels/LabelSheetHost.h"
#include "labels/WordApplication.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QThreadPool>

#include <algorithm>
#include <cmath>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// What an automation call on a missing object raises, so that every step
// after a failed creation or open reports on its own.
const QString kNoObject = QStringLiteral("Object variable or With block variable not set");

template <typename T>
T &require(T *object)
{
    if (!object)
        throw Failure(kNoObject);
    return *object;
}

template <typename T>
T &require(const std::unique_ptr<T> &object)
{
    return require(object.get());
}

bool isSymbolicLink(const QString &path)
{
    struct stat info = {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISLNK(info.st_mode);
}

bool isRegularFile(const QString &path)
{
    struct stat info = {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISREG(info.st_mode);
}

// One digit 1..9 from a uniform draw in [0, 1). A draw outside that range
// (a faulty source) still yields a valid digit.
int drawDigit(RandomSource &random)
{
    const int digit = int(std::floor(random.uniform() * 9.0)) + 1;
    return std::clamp(digit, 1, 9);
}

// A bitmap has no transparency: what would show the canvas's white is made white.
QImage opaque(const QImage &picture)
{
    if (!picture.hasAlphaChannel())
        return picture;
    QImage flat(picture.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    flat.setDotsPerMeterX(picture.dotsPerMeterX());
    flat.setDotsPerMeterY(picture.dotsPerMeterY());
    QPainter(&flat).drawImage(0, 0, picture);
    return flat;
}

QByteArray bitmapBytes(const QImage &picture)
{
    QByteArray bytes;
    bytes.reserve(qsizetype(picture.width() * 3 + 3) * picture.height() + 1024); // 24 bits a pixel
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    // A Windows bitmap, as the name says: written in a few milliseconds
    // where PNG takes well over a hundred. It keeps the picture's dots per
    // metre, which the preview uses for its scale.
    if (!picture.save(&buffer, "BMP"))
        throw Failure(QStringLiteral("Invalid picture"));
    return bytes;
}

// The value of placeholder block k from the field texts (1..12, and 13, a
// recipient's country): the k-th line of the sender's (1..4) or the
// recipient's (5..8) address, or the recipient's fifth line (9, the line
// under the city line). A line past those the address has is empty.
template <typename FieldText>
QString placeholderValue(const FieldText &field, int block)
{
    if (block < 1 || block > 9)
        throw Failure(QStringLiteral("Subscript out of range"));
    QStringList fields;
    for (int n = 1; n <= 13; ++n)
        fields << field(n);
    const QList<AddressLine> lines = ComposeAddressLines(block <= 4 ? SenderParts(fields) : RecipientParts(fields));
    const qsizetype line = block <= 4 ? block - 1 : block - 5;
    return line < lines.size() ? lines[line].text : QString();
}

// The field texts as the filled document shows them: a later block's phrase
// typed into a field is replaced by that block's value, as the replace-alls
// in their order do.
QStringList shownFields(const QStringList &fields)
{
    QStringList shown = fields;
    for (int block = 1; block <= int(kPlaceholders.size()); ++block) {
        const Placeholder &own = kPlaceholders[size_t(block - 1)];
        for (int field = own.firstField; field < own.firstField + own.fields && field <= shown.size(); ++field) {
            for (int k = block + 1; k <= int(kPlaceholders.size()); ++k)
                shown[field - 1].replace(QLatin1String(kPlaceholders[size_t(k - 1)].phrase),
                                         PlaceholderValue(fields, k), Qt::CaseInsensitive);
        }
    }
    return shown;
}

// Makes every line of every label lie inside its label, as the office lays
// the sheet out: the labels' text is made smaller a step at a time, for the
// whole sheet (its six labels hold one address), but never below the
// smallest size. An address that fits is left exactly as the template has
// it. Returns the labels that still do not fit; none when the engine lays
// nothing out.
QList<CutLabel> fitLabels(WordDocument &document, const QStringList &fields, const LabelStock &stock)
{
    const SheetLabels sheet(stock.labels(), shownFields(fields));
    QList<CutLabel> cut = FindCutLabels(document.layoutPdf(), {sheet}, stock);
    for (int step = 1; !cut.isEmpty() && step < kLabelTextSteps; ++step) {
        const LabelTextSize size = LabelTextSizeAt(stock, step);
        document.setParagraphStyleSize(QString::fromLatin1(kRecipientStyle), size.recipientPoints);
        document.setParagraphStyleSize(QString::fromLatin1(kSenderStyle), size.senderPoints);
        cut = FindCutLabels(document.layoutPdf(), {sheet}, stock);
    }
    return cut;
}

// One thread, so that a picture file is written before it is deleted.
QThreadPool &previewFileWork()
{
    static QThreadPool pool;
    static const bool once = [] {
        pool.setMaxThreadCount(1);
        return true;
    }();
    Q_UNUSED(once);
    return pool;
}

} // namespace

void FinishPreviewFiles()
{
    previewFileWork().waitForDone();
}

QString PlaceholderValue(const LabelSheetHost &host, int block)
{
    return placeholderValue([&](int field) { return field <= 12 ? host.fieldText(field) : QString(); }, block);
}

QString PlaceholderValue(const QStringList &fields, int block)
{
    return placeholderValue([&](int field) { return fields.value(field - 1); }, block);
}

void ReplacePlaceholders(WordApplication *app, const std::function<QString(int block)> &valueOf, const StepRunner &step)
{
    // Block k holds steps b to b + 26, b = 88 + 28k.
    for (int k = 1; k <= 8; ++k) {
        const int b = 88 + 28 * k;
        const QString phrase = QString::fromLatin1(kPlaceholders[size_t(k - 1)].phrase);
        WordFind *find = nullptr;
        step(b, [&] { require(require(app).selectionFind()).clearFormatting(); });
        step(b + 2, [&] { require(require(app).selectionFind()).clearReplacementFormatting(); });
        step(b + 4, [&] { find = require(app).selectionFind(); });
        step(b + 6, [&] { require(find).setText(phrase); });
        step(b + 8, [&] { require(find).setReplacementText(valueOf(k)); });
        step(b + 10, [&] { require(find).setForward(true); });
        step(b + 12, [&] { require(find).setWrap(kWdFindContinue); });
        step(b + 14, [&] { require(find).setFormat(false); });
        step(b + 16, [&] { require(find).setMatchCase(false); });
        step(b + 18, [&] { require(find).setMatchWholeWord(false); });
        step(b + 20, [&] { require(find).setMatchWildcards(false); });
        step(b + 22, [&] { require(find).setMatchSoundsLike(false); });
        step(b + 24, [&] { require(find).setMatchAllWordForms(false); });
        step(b + 26, [&] { require(require(app).selectionFind()).execute(kWdReplaceAll); });
    }
}

void GenerateLabelSheet(Services &services, LabelSheetHost &host)
{
    Procedure p(services.messages, QString::fromLatin1(kGenerateLabelSheetTag));

    // A click that arrives while a generation runs is dropped here, silently:
    // the event pass of step 108 can deliver one, and the host delivers those
    // the window system queued meanwhile before it clears mBusy (step 384).
    if (host.isBusy())
        return; // 100

    p.step(102, [&] { host.setBusy(true); });
    p.step(104, [&] { host.setBusyPointer(); });

    // The stock's template: the built-in Word template on the default stock,
    // one made from the record on the others, each under its own name.
    const LabelStock &stock = host.labelStock();
    const QString templateName = TemplateFileName(stock);
    QByteArray templateBytes;
    p.step(106, [&] { templateBytes = TemplateOf(stock).bytes; });

    // The template's name and "temp.bmp" are fixed names that another running copy
    // sharing the folder uses too: from here to the picture's deletion they
    // are ours alone. Without the lock neither name is written or deleted and
    // no picture is made or shown (an existing template copy is only read).
    // Shared with the picture file's deletion, which releases it.
    const auto held = std::make_shared<TempFolderLock>();
    TempFolderLock &lock = *held;
    // Whether the template copy was there before this click: only such a
    // copy can be somebody else's, stale or unreadable.
    bool templateFound = false;
    const bool templateReady = p.step(108, [&] {
        lock.acquire([&services] { return services.exit.ending(); });
        const QString path = TemporaryPath(templateName);
        // FileExists follows symbolic links, so a link planted at this fixed
        // name would count as a template present and be opened. A link is
        // therefore removed and the name written afresh with our own file.
        if (isSymbolicLink(path))
            ::unlink(QFile::encodeName(path).constData());
        templateFound = FileExists(path);
        if (!templateFound) {
            if (templateBytes.isEmpty())
                throw Failure(QStringLiteral("The label template is not available"));
            WriteBytesIfAbsent(templateBytes, path);
        }
    });

    // Without the lock the template copy there may be another copy's (or
    // half-written), and the picture's name is not ours: the one report of
    // step 108 ends the click.
    if (!lock.isHeld()) {
        p.step(376, [&] { host.setDefaultPointer(); });
        p.step(384, [&] { host.setBusy(false); });
        return;
    }

    std::unique_ptr<WordApplication> app;
    p.step(110, [&] { app = services.engines.createApplication(); });

    QString templatePath;
    p.step(112, [&] { templatePath = TemporaryPath(templateName); });

    // Every later step that needs the document runs only when there is one:
    // a failure that leaves none is reported once, not once per step.
    WordDocument *document = nullptr;
    // A template that step 108 could not provide is not opened: its report said why.
    if (app && (templateReady || isRegularFile(templatePath))) {
        const bool opened = p.step(114, [&] { document = app->open(templatePath, true); });
        // A copy left in the folder that the engine cannot open (stale,
        // damaged, unreadable) has been reported; the click goes on with the
        // built-in template in its place, which step 368 deletes as it would
        // have deleted that copy. A second failure is reported at this step too.
        if (!opened && templateFound && lock.isHeld() && !templateBytes.isEmpty()) {
            p.step(114, [&] {
                WriteBytesReplacing(templateBytes, templatePath);
                document = app->open(templatePath, true);
            });
        }
    }

    if (document) {
        ReplacePlaceholders(
            app.get(), [&](int k) { return PlaceholderValue(host, k); },
            [&](int number, const std::function<void()> &action) { p.step(number, action); });
        // Nothing is cut off without a word: what does not fit even in the
        // smallest text is named before the preview shows it.
        p.step(339, [&] {
            QStringList fields;
            for (int n = 1; n <= 12; ++n)
                fields << host.fieldText(n);
            if (document->layoutPdf().isEmpty())
                return; // an engine without a layout
            const QList<CutLabel> cut = fitLabels(*document, fields, stock);
            if (!cut.isEmpty())
                services.messages.show(QStringLiteral("The %1 is too long for the labels, even in the smallest "
                                                      "text: part of it is cut off. Please shorten it.")
                                           .arg(FieldRoleName(cut.first().field, RoleStyle::Caption)),
                                       AppInfo::applicationTitle(), BoxStyle::Warning);
        });
    }

    // "qmtemp" + eight digits 1..9 + ".doc", drawn afresh while the name is
    // taken. A dangling symbolic link counts as taken too: saving through it
    // would write wherever it points. A free name is claimed at once (its
    // owner marker), so that no other copy or later start takes it.
    QString name;
    while (document) {
        p.step(340, [&] { name = QStringLiteral("qmtemp"); });
        for (int i = 0; i < 8; ++i) {
            // 344, re-seeding from the clock, is the random source's own business.
            int digit = 1;
            p.step(346, [&] { digit = drawDigit(services.random); });
            p.step(348, [&] { name += QString::number(digit); });
        }
        p.step(352, [&] { name = TemporaryPath(name + QStringLiteral(".doc")); });
        bool taken = false;
        p.step(354, [&] { taken = FileExists(name) || isSymbolicLink(name) || !ClaimGeneratedDocument(name); });
        if (!taken)
            break;
    }

    bool saved = false;
    if (document)
        saved = p.step(356, [&] { document->saveAs(name); });
    if (app)
        p.step(358, [&] { app->setDisplayAlerts(false); });
    if (document)
        p.step(360, [&] { document->close(); });
    if (app)
        p.step(362, [&] { app->quit(); });
    p.step(364, [&] { document = nullptr; });
    // Destroying the instance ends its session; the office stays for the next click.
    p.step(366, [&] { app.reset(); });
    if (lock.isHeld())
        p.step(368, [&] { DeleteFileQuietly(templatePath); });

    // The export and the preview need the saved document; the picture's
    // load needs the picture the export wrote.
    QImage exported;
    if (saved) {
        p.step(370, [&] {
            lock.requireHeld();
            exported = SaveDocAsJPG(services, name);
        });
    }
    if (!exported.isNull()) {
        p.step(372, [&] {
            lock.requireHeld();
            // The export writes exactly this picture to the file: reading
            // its 8 MB back would only repeat it (and wait for the writing).
            host.setPreviewPicture(exported);
        });
    }
    if (saved)
        p.step(374, [&] { host.setPreviewWordFile(name); });
    p.step(376, [&] { host.setDefaultPointer(); });
    if (saved) {
        p.step(378, [&] { host.showPreview(); });
        p.step(380, [&] { host.hideMain(); });
    } else if (!name.isEmpty()) {
        // Nothing was saved under the claimed name: it is given back.
        DeleteGeneratedDocument(name);
    }
    if (lock.isHeld()) {
        p.step(382, [&] {
            // After the file's writing, on the same thread; the lock goes with it.
            const QString path = TemporaryPath(QString::fromLatin1(kPreviewFileName));
            previewFileWork().start([held, path] {
                DeleteFileQuietly(path);
                held->release();
                // The click's documents and pictures of the page are free by now.
                ReturnFreedMemory();
            });
        });
    }
    p.step(384, [&] { host.setBusy(false); });
}

QImage SaveDocAsJPG(Services &services, const QString &documentPath)
{
    Procedure p(services.messages, QString::fromLatin1(kSaveDocAsJpgTag));

    // As in the click: a step runs only when what it needs is there.
    std::unique_ptr<WordApplication> app;
    p.step(116, [&] { app = services.engines.createApplication(); });

    WordDocument *document = nullptr;
    if (app)
        p.step(118, [&] { document = app->open(documentPath); });

    bool copied = false;
    if (document)
        copied = p.step(120, [&] { document->copyRangeAsPicture(); });

    const QString path = TemporaryPath(QString::fromLatin1(kPreviewFileName));
    QImage written;
    if (copied) {
        p.step(122, [&] {
            QImage picture = GetClipboardPicture(services.clipboard, 0);
            if (picture.isNull()) {
                DeleteFileQuietly(path);
                throw Failure(QStringLiteral("Invalid picture"));
            }
            written = opaque(picture);
            // What the file's writing may still fail on changes nothing the
            // user sees: the preview shows this picture, and the file is
            // deleted right after.
            previewFileWork().start([written, path] {
                try {
                    WriteBytesReplacing(bitmapBytes(written), path);
                } catch (const Failure &) {
                }
            });
        });
    } else {
        // When nothing of ours reached the clipboard, what it holds is someone
        // else's picture (or an older sheet): it must not become this
        // preview. A leftover preview file goes too.
        DeleteFileQuietly(path);
    }

    if (document)
        p.step(124, [&] { app->closeActiveDocument(kWdDoNotSaveChanges); });
    if (app)
        p.step(126, [&] { app->quit(); });
    return written;
}

QImage GetClipboardPicture(PictureClipboard &clipboard, int format)
{
    // Format 0 lets the platform pick; the clipboard seam only offers images.
    Q_UNUSED(format);
    QImage picture;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        try {
            picture = clipboard.image();
        } catch (...) {
            picture = QImage();
        }
        if (!picture.isNull())
            break;
    }
    return picture;
}
