#include "widgets/HandCursor.h"

#include "core/Failure.h"
#include "core/ProgramFolder.h"

#include <QBuffer>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPixmap>
#include <QSet>

#include <sys/stat.h>

namespace {

[[noreturn]] void notACursor(const QString &why)
{
    throw Failure(QStringLiteral("Invalid picture: %1").arg(why));
}

quint16 u16(const QByteArray &bytes, qsizetype at)
{
    return quint16(quint8(bytes.at(at)) | (quint8(bytes.at(at + 1)) << 8));
}

quint32 u32(const QByteArray &bytes, qsizetype at)
{
    return quint32(u16(bytes, at)) | (quint32(u16(bytes, at + 2)) << 16);
}

} // namespace

QString HandCursorPath()
{
    return ProgramFilePath(QStringLiteral("HAND-M.CUR"));
}

CursorImage ReadCursorFile(const QByteArray &bytes)
{
    // Qt's image reader draws the picture; only the hotspot, which it does not
    // report, is read here from the first entry of the cursor's directory.
    constexpr qsizetype kEntry = 6;
    if (bytes.size() < 6 || u16(bytes, 0) != 0 || u16(bytes, 2) != 2)
        notACursor(QStringLiteral("not a cursor file"));
    if (u16(bytes, 4) == 0 || bytes.size() < kEntry + 16)
        notACursor(QStringLiteral("the cursor file holds no image"));
    const QPoint hotspot(u16(bytes, kEntry + 4), u16(bytes, kEntry + 6));
    const qint64 size = u32(bytes, kEntry + 8);
    const qint64 offset = u32(bytes, kEntry + 12);
    // Qt would draw whatever part of a cut-short image it finds.
    if (size == 0 || offset > bytes.size() || size > bytes.size() - offset)
        notACursor(QStringLiteral("the image lies beyond the end of the file"));

    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "cur");
    QImage image = reader.read();
    if (image.isNull())
        notACursor(reader.errorString());
    image = image.convertToFormat(QImage::Format_ARGB32);
    if (hotspot.x() >= image.width() || hotspot.y() >= image.height())
        notACursor(QStringLiteral("the hotspot lies outside the image"));
    return {image, hotspot};
}

namespace {
// The files that failed, each as it was then: one put in its place is new.
QSet<QString> g_failedFiles;

QString fileState(const QString &path)
{
    const QFileInfo info(path);
    return path + QLatin1Char('\n') + QString::number(info.size()) + QLatin1Char('\n')
        + QString::number(info.lastModified().toMSecsSinceEpoch());
}

QCursor loadCursor(const QString &path);
} // namespace

QCursor LoadHandCursor(const QString &path)
{
    try {
        return loadCursor(path);
    } catch (...) {
        g_failedFiles.insert(fileState(path));
        throw;
    }
}

bool HandCursorFailedBefore(const QString &path)
{
    return g_failedFiles.contains(fileState(path));
}

namespace {
QCursor loadCursor(const QString &path)
{
    // Only a regular file can be a cursor: opening a named pipe would block
    // start-up for ever, and a device such as /dev/zero never ends.
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) == 0 && !S_ISREG(info.st_mode))
        notACursor(QStringLiteral("%1 is not a regular file").arg(path));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("Cannot read %1: %2").arg(path, file.errorString()));
    // A cursor file is a few kilobytes; refuse to pull anything huge into memory.
    if (file.size() > 1024 * 1024)
        notACursor(QStringLiteral("the file is too large for a cursor"));
    const CursorImage cursor = ReadCursorFile(file.read(1024 * 1024 + 1));
    return QCursor(QPixmap::fromImage(cursor.image), cursor.hotspot.x(), cursor.hotspot.y());
}
} // namespace
