#include "labels/LabelGeneration.h"

#include "core/Failure.h"
#include "core/FileUtils.h"
#include "core/GeneratedDocuments.h"
#include "core/MessageBoxes.h"
#include "core/Procedure.h"
#include "core/Seams.h"
#include "core/TempFolder.h"
#include "core/TempFolderLock.h"
#include "labels/LabelSheetHost.h"
#include "labels/WordApplication.h"
#include "resources/Resources.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
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

QByteArray bitmapBytes(QImage picture)
{
    // A bitmap has no transparency: what would show the canvas's white is made white.
    if (picture.hasAlphaChannel()) {
        QImage flat(picture.size(), QImage::Format_RGB32);
        flat.fill(Qt::white);
        flat.setDotsPerMeterX(picture.dotsPerMeterX());
        flat.setDotsPerMeterY(picture.dotsPerMeterY());
        QPainter(&flat).drawImage(0, 0, picture);
        picture = flat;
    }
    QByteArray bytes;
    bytes.reserve(qsizetype(picture.width() * 3 + 3) * picture.height() + 1024); // 24 bits a pixel
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    // A Windows bitmap, as the name says: written and read back in a few
    // milliseconds where PNG takes well over a hundred. It keeps the
    // picture's dots per metre, which the preview uses for its scale.
    if (!picture.save(&buffer, "BMP"))
        throw Failure(QStringLiteral("Invalid picture"));
    return bytes;
}

// The value of placeholder block k from the fields 1..12.
template <typename FieldText>
QString placeholderValue(const FieldText &field, int block)
{
    switch (block) {
    case 1: return field(1);
    case 2: return field(2);
    case 3: return field(3);
    case 4: return field(4) + QStringLiteral(", ") + field(5) + QStringLiteral(" ") + field(6);
    case 5: return field(7);
    case 6: return field(8);
    case 7: return field(9);
    case 8: return field(10) + QStringLiteral(", ") + field(11) + QStringLiteral(" ") + field(12);
    }
    throw Failure(QStringLiteral("Subscript out of range"));
}

} // namespace

QString PlaceholderValue(const LabelSheetHost &host, int block)
{
    return placeholderValue([&](int field) { return host.fieldText(field); }, block);
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
        const QString phrase = QString::fromLatin1(kPlaceholderPhrases[k - 1]);
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

    QByteArray templateBytes;
    p.step(106, [&] { templateBytes = TemplateBytes(); });

    // "template.dot" and "temp.bmp" are fixed names that another running copy
    // sharing the folder uses too: from here to the picture's deletion they
    // are ours alone. Without the lock neither name is written or deleted and
    // no picture is made or shown.
    TempFolderLock lock;
    p.step(108, [&] {
        lock.acquire([&services] { return services.exit.ending(); });
        const QString path = TemporaryPath(QString::fromLatin1(kTemplateFileName));
        // FileExists follows symbolic links, so a link planted at this fixed
        // name would count as a template present and be opened. A link is
        // therefore removed and the name written afresh with our own file.
        if (isSymbolicLink(path))
            ::unlink(QFile::encodeName(path).constData());
        if (!FileExists(path)) {
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
    p.step(112, [&] { templatePath = TemporaryPath(QString::fromLatin1(kTemplateFileName)); });

    WordDocument *document = nullptr;
    p.step(114, [&] { document = require(app).open(templatePath, true); });

    ReplacePlaceholders(
        app.get(), [&](int k) { return PlaceholderValue(host, k); },
        [&](int number, const std::function<void()> &action) { p.step(number, action); });

    // "qmtemp" + eight digits 1..9 + ".doc", drawn afresh while the name is
    // taken. A dangling symbolic link counts as taken too: saving through it
    // would write wherever it points. A free name is claimed at once (its
    // owner marker), so that no other copy or later start takes it.
    QString name;
    for (;;) {
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

    p.step(356, [&] { require(document).saveAs(name); });
    p.step(358, [&] { require(app).setDisplayAlerts(false); });
    p.step(360, [&] { require(document).close(); });
    p.step(362, [&] { require(app).quit(); });
    p.step(364, [&] { document = nullptr; });
    // Destroying the instance ends its office process.
    p.step(366, [&] { app.reset(); });
    if (lock.isHeld())
        p.step(368, [&] { DeleteFileQuietly(templatePath); });

    p.step(370, [&] {
        lock.requireHeld();
        SaveDocAsJPG(services, name);
    });
    p.step(372, [&] {
        lock.requireHeld();
        const QString path = TemporaryPath(QString::fromLatin1(kPreviewFileName));
        // Only the regular file that the export wrote is shown, never a link's target.
        if (!isRegularFile(path))
            throw Failure(QStringLiteral("File not found"));
        QImage picture;
        if (!picture.load(path))
            throw Failure(QStringLiteral("Invalid picture"));
        host.setPreviewPicture(picture);
    });
    p.step(374, [&] { host.setPreviewWordFile(name); });
    p.step(376, [&] { host.setDefaultPointer(); });
    p.step(378, [&] { host.showPreview(); });
    p.step(380, [&] { host.hideMain(); });
    if (lock.isHeld())
        p.step(382, [&] { DeleteFileQuietly(TemporaryPath(QString::fromLatin1(kPreviewFileName))); });
    lock.release();
    p.step(384, [&] { host.setBusy(false); });
}

void SaveDocAsJPG(Services &services, const QString &documentPath)
{
    Procedure p(services.messages, QString::fromLatin1(kSaveDocAsJpgTag));

    std::unique_ptr<WordApplication> app;
    p.step(116, [&] { app = services.engines.createApplication(); });

    WordDocument *document = nullptr;
    p.step(118, [&] { document = require(app).open(documentPath); });

    bool copied = false;
    p.step(120, [&] {
        require(document).copyRangeAsPicture();
        copied = true;
    });

    p.step(122, [&] {
        const QString path = TemporaryPath(QString::fromLatin1(kPreviewFileName));
        // When nothing of ours reached the clipboard, what it holds is someone
        // else's picture (or an older sheet): it must not become this preview.
        // A leftover preview file goes too, so the caller cannot show it.
        QImage picture;
        if (copied)
            picture = GetClipboardPicture(services.clipboard, 0);
        if (picture.isNull()) {
            DeleteFileQuietly(path);
            throw Failure(QStringLiteral("Invalid picture"));
        }
        WriteBytesReplacing(bitmapBytes(picture), path);
    });

    p.step(124, [&] { require(app).closeActiveDocument(kWdDoNotSaveChanges); });
    p.step(126, [&] { require(app).quit(); });
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
