#include "widgets/SkinFramework.h"

#include "core/Failure.h"
#include "widgets/StyleSheetCheck.h"

#include <QApplication>
#include <QFile>
#include <QStringDecoder>
#include <QStyle>
#include <QWidget>

namespace {
// A skin is a few kilobytes of text; anything far larger is not one.
constexpr qint64 kLargestSkin = 4 * 1024 * 1024;
} // namespace

void SkinFramework::loadSkin(const QString &path, const QString &section)
{
    if (m_locked)
        throw Failure(QStringLiteral("The skin is locked and cannot be replaced"));
    if (!section.isEmpty())
        throw Failure(QStringLiteral("Skin file %1 has no section \"%2\"").arg(path, section));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("Cannot read skin file %1: %2").arg(path, file.errorString()));
    if (file.size() > kLargestSkin)
        throw Failure(QStringLiteral("Skin file %1 is too large").arg(path));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw Failure(QStringLiteral("Cannot read skin file %1: %2").arg(path, file.errorString()));

    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString sheet = decoder.decode(bytes);
    if (decoder.hasError())
        throw Failure(QStringLiteral("Skin file %1 is not UTF-8 text").arg(path));
    if (!IsValidStyleSheet(sheet))
        throw Failure(QStringLiteral("Skin file %1 is not a valid style sheet").arg(path));
    m_sheet = sheet;
    m_loaded = true;
}

void SkinFramework::applyWindow(QWidget *window)
{
    if (!m_loaded)
        throw Failure(QStringLiteral("No skin has been loaded"));
    window->setStyleSheet(m_sheet);
    if (m_skinNewWindows)
        qApp->setStyleSheet(m_sheet);
    if (m_options & kPolishAtOnce) {
        const QList<QWidget *> children = window->findChildren<QWidget *>();
        for (QWidget *w : children)
            w->ensurePolished();
        window->ensurePolished();
        window->update();
    }
    if (m_lock)
        m_locked = true;
}
