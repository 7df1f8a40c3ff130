#include "preview/SheetPictures.h"

#include "core/Failure.h"

#include <poppler-qt6.h>

namespace {
// The size and resolution of the page picture label generation hands over.
constexpr int kPictureWidth = 1472;
constexpr int kPictureHeight = 1904;
constexpr int kPictureDotsPerMetre = 15118; // 384 dpi
} // namespace

SheetPictures::SheetPictures(const QString &pdf)
    : m_document(Poppler::Document::load(pdf))
{
    if (!m_document || m_document->isLocked())
        throw Failure(QStringLiteral("The sheets' PDF %1 cannot be read").arg(pdf));
    if (m_document->numPages() < 1)
        throw Failure(QStringLiteral("The sheets' PDF %1 has no pages").arg(pdf));
    m_document->setRenderHint(Poppler::Document::Antialiasing);
    m_document->setRenderHint(Poppler::Document::TextAntialiasing);
    m_document->setPaperColor(Qt::white);
}

SheetPictures::~SheetPictures() = default;

int SheetPictures::count() const
{
    return m_document->numPages();
}

QImage SheetPictures::picture(int index) const
{
    const std::unique_ptr<Poppler::Page> page = m_document->page(index);
    const QSizeF points = page ? page->pageSizeF() : QSizeF();
    if (points.isEmpty())
        throw Failure(QStringLiteral("Sheet %1 cannot be shown").arg(index + 1));
    QImage picture = page->renderToImage(kPictureWidth * 72.0 / points.width(), kPictureHeight * 72.0 / points.height(),
                                         0, 0, kPictureWidth, kPictureHeight);
    if (picture.isNull())
        throw Failure(QStringLiteral("Sheet %1 cannot be shown").arg(index + 1));
    if (picture.format() != QImage::Format_RGB32)
        picture = picture.convertToFormat(QImage::Format_RGB32);
    picture.setDotsPerMeterX(kPictureDotsPerMetre);
    picture.setDotsPerMeterY(kPictureDotsPerMetre);
    return picture;
}
