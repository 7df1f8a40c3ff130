#include "preview/SheetPictures.h"

#include "core/Failure.h"
#include "labels/PopplerPageRenderer.h"

#include <poppler-qt6.h>

SheetPictures::SheetPictures(const QString &pdf)
    : m_document(Poppler::Document::load(pdf))
{
    if (!m_document || m_document->isLocked())
        throw Failure(QStringLiteral("The sheets' PDF %1 cannot be read").arg(pdf));
    if (m_document->numPages() < 1)
        throw Failure(QStringLiteral("The sheets' PDF %1 has no pages").arg(pdf));
}

SheetPictures::~SheetPictures() = default;

int SheetPictures::count() const
{
    return m_document->numPages();
}

QImage SheetPictures::picture(int index) const
{
    const QImage picture = RenderPagePicture(*m_document, index);
    if (picture.isNull())
        throw Failure(QStringLiteral("Sheet %1 cannot be shown").arg(index + 1));
    return picture;
}
