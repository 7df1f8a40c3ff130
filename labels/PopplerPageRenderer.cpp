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

QImage PopplerPageRenderer::renderFirstPage(const QByteArray &pdf, QSize pixels, QString *problem)
{
    if (pixels.isEmpty())
        return fail(problem, QStringLiteral("no picture size was given"));
    const std::unique_ptr<Poppler::Document> document = Poppler::Document::loadFromData(pdf);
    if (!document || document->isLocked())
        return fail(problem, QStringLiteral("the PDF could not be read"));
    if (document->numPages() < 1)
        return fail(problem, QStringLiteral("the PDF has no page"));
    const std::unique_ptr<Poppler::Page> page = document->page(0);
    const QSizeF points = page ? page->pageSizeF() : QSizeF();
    if (points.isEmpty())
        return fail(problem, QStringLiteral("the PDF's first page has no size"));
    document->setRenderHint(Poppler::Document::Antialiasing);
    document->setRenderHint(Poppler::Document::TextAntialiasing);
    document->setPaperColor(Qt::white);

    // The resolution that maps the page onto the requested pixels, per axis.
    const double xResolution = pixels.width() * 72.0 / points.width();
    const double yResolution = pixels.height() * 72.0 / points.height();
    QImage picture = page->renderToImage(xResolution, yResolution, 0, 0, pixels.width(), pixels.height());
    if (picture.isNull())
        return fail(problem, QStringLiteral("the PDF's first page could not be rendered"));
    if (picture.size() != pixels)
        picture = picture.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (picture.format() != QImage::Format_RGB32)
        picture = picture.convertToFormat(QImage::Format_RGB32);
    return picture;
}
