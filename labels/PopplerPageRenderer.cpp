#include "labels/PopplerPageRenderer.h"

#include <poppler-qt6.h>

#include <memory>

namespace {

QImage fail(QString *problem, const QString &why)
{
    if (problem)
        *problem = why;
    return QImage();
}

} // namespace

QImage RenderPagePicture(Poppler::Document &document, int index)
{
    const std::unique_ptr<Poppler::Page> page = document.page(index);
    const QSizeF points = page ? page->pageSizeF() : QSizeF();
    if (points.isEmpty())
        return QImage();
    document.setRenderHint(Poppler::Document::Antialiasing);
    document.setRenderHint(Poppler::Document::TextAntialiasing);
    document.setPaperColor(Qt::white);
    const QSize pixels = PagePicturePixels(points);
    // The resolution that maps the page onto the pixels, per axis.
    QImage picture = page->renderToImage(pixels.width() * 72.0 / points.width(),
                                         pixels.height() * 72.0 / points.height(), 0, 0, pixels.width(),
                                         pixels.height());
    if (picture.isNull())
        return picture;
    if (picture.size() != pixels)
        picture = picture.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (picture.format() != QImage::Format_RGB32)
        picture = picture.convertToFormat(QImage::Format_RGB32);
    picture.setDotsPerMeterX(kPagePictureDotsPerMetre);
    picture.setDotsPerMeterY(kPagePictureDotsPerMetre);
    return picture;
}

QImage PopplerPageRenderer::renderFirstPage(const QByteArray &pdf, QString *problem)
{
    const std::unique_ptr<Poppler::Document> document = Poppler::Document::loadFromData(pdf);
    if (!document || document->isLocked())
        return fail(problem, QStringLiteral("the PDF could not be read"));
    if (document->numPages() < 1)
        return fail(problem, QStringLiteral("the PDF has no page"));
    const QImage picture = RenderPagePicture(*document, 0);
    if (picture.isNull())
        return fail(problem, QStringLiteral("the PDF's first page could not be rendered"));
    return picture;
}
