#include "labels/libreoffice/LibreOfficeDocument.h"

#include "core/OwnedTemporaries.h"
#include "core/SafeWrite.h"
#include "core/Seams.h"
#include "labels/PagePictureRenderer.h"
#include "labels/SheetFormats.h"
#include "labels/libreoffice/LibreOfficeApplication.h"
#include "labels/libreoffice/OfficeProcess.h"
#include "labels/libreoffice/ReadyDocuments.h"
#include "labels/libreoffice/UnoBridge.h"

#include <com/sun/star/beans/NamedValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/io/IOException.hpp>
#include <com/sun/star/lang/IllegalArgumentException.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/style/XStyleFamiliesSupplier.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextCursor.hpp>
#include <com/sun/star/text/XTextDocument.hpp>
#include <com/sun/star/util/XCloseable.hpp>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

using namespace css;

namespace {

// Word 97 for every name but a template's: a file named .doc must never
// silently become ODT.
QString filterFor(const QString &path)
{
    return QLatin1String(QFileInfo(path).suffix().compare(QLatin1String("dot"), Qt::CaseInsensitive) == 0
                             ? LibreOfficeDocument::kWordTemplateFilter
                             : LibreOfficeDocument::kWordFilter);
}

// A .doc saved by the window and one written from the command line are the same format.
static_assert(std::string_view(OfficeFilterOf(DocumentFormat::Word97)) == LibreOfficeDocument::kWordFilter);

QString filterFor(DocumentFormat format)
{
    if (const char *filter = OfficeFilterOf(format))
        return QLatin1String(filter);
    throw EngineError(QStringLiteral("The document could not be saved: unknown file format %1").arg(int(format)));
}

// The office's own message for a failed store is a bare error code; say
// what is wrong with the target where we can tell.
QString whySaveFailed(const QString &path, const QString &officeMessage)
{
    const QFileInfo target(path);
    const QFileInfo folder(target.absolutePath());
    if (!folder.exists())
        return QStringLiteral("the folder %1 does not exist").arg(folder.absoluteFilePath());
    if (!folder.isDir())
        return QStringLiteral("%1 is not a folder").arg(folder.absoluteFilePath());
    if (!folder.isWritable())
        return QStringLiteral("the folder %1 cannot be written to").arg(folder.absoluteFilePath());
    if (target.exists() && !target.isWritable())
        return QStringLiteral("the file cannot be overwritten");
    if (target.isDir())
        return QStringLiteral("a folder of that name exists");
    return officeMessage;
}

} // namespace

void LibreOfficeDocument::requireFilters(OfficeProcess &office)
{
    QStringList required = {QLatin1String(kWordFilter), QLatin1String(kWordTemplateFilter),
                            QLatin1String(kFlatXmlFilter)};
    for (const char *name : kPictureFilters)
        required << QLatin1String(name);
    // Every format a document can be written in, so none fails only at the end of a long list.
    for (const SheetFormat &format : kSheetFormats) {
        if (!required.contains(QLatin1String(format.officeFilter)))
            required << QLatin1String(format.officeFilter);
    }
    if (!office.settings().extraFilter.isEmpty())
        required << office.settings().extraFilter;
    const QStringList missing = absentFilters(office, required);
    if (!missing.isEmpty())
        throw EngineMissing(QStringLiteral("LibreOffice is incomplete: it lacks the filter %1")
                                .arg(missing.join(QStringLiteral(", "))));
}

QStringList LibreOfficeDocument::absentFilters(OfficeProcess &office, const QStringList &required)
{
    // Each package brings its filters' entries in the office configuration,
    // which the office has read at its start: looking there costs about a
    // millisecond. The filter factory would first build its whole cache
    // (several times that), and a trial export more still.
    return office.call(QStringLiteral("looking up its filters"), [&] {
        const uno::Reference<uno::XComponentContext> context = office.context();
        uno::Reference<lang::XMultiServiceFactory> configuration(
            context->getServiceManager()->createInstanceWithContext(
                rtl::OUString("com.sun.star.configuration.ConfigurationProvider"), context),
            uno::UNO_QUERY_THROW);
        beans::NamedValue path;
        path.Name = "nodepath";
        path.Value <<= rtl::OUString("/org.openoffice.TypeDetection.Filter/Filters");
        uno::Sequence<uno::Any> arguments(1);
        arguments.getArray()[0] <<= path;
        uno::Reference<container::XNameAccess> filters(
            configuration->createInstanceWithArguments(rtl::OUString("com.sun.star.configuration.ConfigurationAccess"),
                                                       arguments),
            uno::UNO_QUERY_THROW);
        QStringList absent;
        for (const QString &name : required) {
            if (!filters->hasByName(UnoBridge::toUno(name)))
                absent << name;
        }
        return absent;
    });
}

LibreOfficeDocument::LibreOfficeDocument(LibreOfficeApplication &application, OfficeProcess &office,
                                         uno::Reference<lang::XComponent> component, QString path,
                                         PictureClipboard *clipboard, PagePictureRenderer *renderer)
    : m_application(application)
    , m_office(office)
    , m_component(std::move(component))
    , m_path(std::move(path))
    , m_clipboard(clipboard)
    , m_renderer(renderer)
{
}

void LibreOfficeDocument::checkOpen(const char *operation) const
{
    m_application.checkUsable(QLatin1String(operation));
    if (!m_component.is())
        throw EngineError(
            QStringLiteral("The document %1 was already closed before %2").arg(m_path, QLatin1String(operation)));
}

void LibreOfficeDocument::saveAs(const QString &fileName)
{
    checkOpen("saving it");
    const QString target = QFileInfo(fileName).absoluteFilePath();
    const QString filter = filterFor(target);
    m_savedAsWord.clear();
    storeAs(fileName, filter);
    if (filter == QLatin1String(kWordFilter))
        m_savedAsWord = target;
}

void LibreOfficeDocument::saveAsFormat(const QString &fileName, DocumentFormat format)
{
    checkOpen("saving it");
    m_savedAsWord.clear();
    storeAs(fileName, filterFor(format));
}

void LibreOfficeDocument::saveAsFlatXml(const QString &fileName)
{
    checkOpen("saving it");
    storeAs(fileName, QLatin1String(kFlatXmlFilter));
}

void LibreOfficeDocument::storeAs(const QString &fileName, const QString &filter)
{
    if (fileName.isEmpty())
        throw EngineError(QStringLiteral("The document cannot be saved: no file name was given"));
    const QString target = QFileInfo(fileName).absoluteFilePath();
    // The office would quietly create missing folders; a save goes only
    // where the caller's folder already is.
    const QFileInfo folder(QFileInfo(target).absolutePath());
    if (!folder.isDir() || QFileInfo(target).isDir())
        throw EngineError(
            QStringLiteral("The document could not be saved as %1: %2").arg(target, whySaveFailed(target, QString())));
    // The office first writes a temporary file of its own beside the file it
    // saves ("lu<its pid>....tmp"), which an office killed on the way leaves
    // for good. So it saves into a folder of ours beside the target, named so
    // that a later start or run tells it is left over, and the document is
    // renamed into place from there.
    const QString name = QFileInfo(target).fileName();
    QByteArray staging = QFile::encodeName(folder.absoluteFilePath() + QLatin1Char('/')
                                           + OwnedTemporaryName(QLatin1Char('.') + name + QLatin1Char('.')));
    if (!::mkdtemp(staging.data()))
        throw EngineError(QStringLiteral("The document could not be saved as %1: %2")
                              .arg(target, whySaveFailed(target, QString::fromLocal8Bit(std::strerror(errno)))));
    const QString stagingFolder = QFile::decodeName(staging);
    const QString written = stagingFolder + QLatin1Char('/') + name;
    try {
        m_office.call(QStringLiteral("saving %1").arg(target), [&] {
            uno::Reference<frame::XStorable> storable(m_component, uno::UNO_QUERY_THROW);
            try {
                storable->storeToURL(
                    UnoBridge::fileUrl(written),
                    UnoBridge::properties({UnoBridge::property("FilterName", uno::Any(UnoBridge::toUno(filter))),
                                           UnoBridge::property("Overwrite", uno::Any(true))}));
            } catch (const io::IOException &e) {
                // The office's code does not tell a full disk from other
                // aborts; what it wrote is still there to tell.
                if (DiskHasNoRoom(stagingFolder))
                    throw DiskFull(target);
                throw EngineError(QStringLiteral("The document could not be saved as %1: %2")
                                      .arg(target, whySaveFailed(target, UnoBridge::describe(e))));
            }
        });
        if (!QFileInfo(written).isFile())
            throw EngineError(QStringLiteral("The document could not be saved as %1: no file was written").arg(target));
        if (::rename(QFile::encodeName(written).constData(), QFile::encodeName(target).constData()) != 0)
            throw EngineError(QStringLiteral("The document could not be saved as %1: %2")
                                  .arg(target, whySaveFailed(target, QString::fromLocal8Bit(std::strerror(errno)))));
    } catch (...) {
        QDir(stagingFolder).removeRecursively();
        throw;
    }
    QDir(stagingFolder).removeRecursively();
}

void LibreOfficeDocument::save()
{
    checkOpen("saving it");
    m_office.call(QStringLiteral("saving %1").arg(m_path), [&] {
        uno::Reference<frame::XStorable> storable(m_component, uno::UNO_QUERY_THROW);
        if (storable->isReadonly())
            throw EngineError(QStringLiteral("The document %1 is open read-only and cannot be saved").arg(m_path));
        try {
            storable->store();
        } catch (const io::IOException &e) {
            throw EngineError(QStringLiteral("The document could not be saved as %1: %2")
                                  .arg(m_path, whySaveFailed(m_path, UnoBridge::describe(e))));
        }
    });
}

void LibreOfficeDocument::close()
{
    checkOpen("closing it");
    uno::Reference<lang::XComponent> component = m_component;
    // Forgotten first: a close that fails half-way must not be retried on a
    // document the office may already have dropped.
    m_component.clear();
    m_application.documentClosed(this);
    // A sheet just saved stays open a moment longer: the preview's export
    // opens that file next and gets this document instead of loading it.
    if (ReadyDocuments *ready = m_application.readyDocuments(); ready && !m_savedAsWord.isEmpty()) {
        ready->keepFilled(m_application.office(), component, m_savedAsWord, currentLayout());
        return;
    }
    if (ReadyDocuments *ready = m_application.readyDocuments(); ready && m_closedInBackground) {
        ready->closeLater(m_application.office(), component);
        return;
    }
    m_office.call(QStringLiteral("closing %1").arg(m_path), [&] {
        uno::Reference<util::XCloseable> closeable(component, uno::UNO_QUERY);
        if (closeable.is())
            closeable->close(true);
        else
            component->dispose();
    });
}

void LibreOfficeDocument::closeQuietly()
{
    if (!m_component.is())
        return;
    try {
        close();
    } catch (const EngineError &) {
    }
}

void LibreOfficeDocument::copyRangeAsPicture()
{
    checkOpen("making its picture");
    if (!m_clipboard)
        throw EngineError(QStringLiteral("The picture of the sheet could not be copied: there is no clipboard"));
    m_clipboard->setImage(pagePicture());
}

QImage LibreOfficeDocument::pagePicture()
{
    checkOpen("making its picture");
    QImage page = m_renderer ? renderedFromPdf() : exportedPicture();
    page.setDotsPerMeterX(kPagePictureDotsPerMetre);
    page.setDotsPerMeterY(kPagePictureDotsPerMetre);
    return page;
}

QByteArray LibreOfficeDocument::layoutPdf()
{
    checkOpen("laying it out");
    if (m_layoutValid)
        return m_layout.pdf;
    const QString pdf = m_office.scratchFolder() + QStringLiteral("/layout.pdf");
    QFile::remove(pdf);
    m_office.call(QStringLiteral("laying out %1").arg(m_path), [&] {
        uno::Reference<frame::XStorable> storable(m_component, uno::UNO_QUERY_THROW);
        storable->storeToURL(UnoBridge::fileUrl(pdf),
                             UnoBridge::properties({UnoBridge::property(
                                 "FilterName", uno::Any(rtl::OUString::createFromAscii(kPictureFilters[0])))}));
    });
    QFile file(pdf);
    QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    file.close();
    QFile::remove(pdf);
    if (bytes.isEmpty())
        throw EngineError(QStringLiteral("LibreOffice wrote no layout of %1").arg(m_path));
    m_layout = {bytes, {}};
    if (m_renderer) {
        m_layout.picture = std::async(std::launch::async, [renderer = m_renderer, bytes] {
                               return renderer->renderFirstPage(bytes, nullptr);
                           }).share();
    }
    m_layoutValid = true;
    return m_layout.pdf;
}

void LibreOfficeDocument::adoptLayout(const Layout &layout)
{
    m_layout = layout;
    m_layoutValid = !layout.pdf.isEmpty();
}

void LibreOfficeDocument::setParagraphStyleSize(const QString &style, double points)
{
    checkOpen("setting its text size");
    contentChanged();
    m_office.call(QStringLiteral("setting the style %1 of %2").arg(style, m_path), [&] {
        uno::Reference<container::XNameAccess> families =
            uno::Reference<style::XStyleFamiliesSupplier>(m_component, uno::UNO_QUERY_THROW)->getStyleFamilies();
        uno::Reference<container::XNameAccess> paragraphs(families->getByName("ParagraphStyles"), uno::UNO_QUERY_THROW);
        if (!paragraphs->hasByName(UnoBridge::toUno(style)))
            throw EngineError(QStringLiteral("The document %1 has no paragraph style %2").arg(m_path, style));
        uno::Reference<beans::XPropertySet> properties(paragraphs->getByName(UnoBridge::toUno(style)),
                                                       uno::UNO_QUERY_THROW);
        properties->setPropertyValue("CharHeight", uno::Any(float(points)));
    });
}

QImage LibreOfficeDocument::renderedFromPdf()
{
    // The layout the caller has just checked is the one shown.
    if (m_layoutValid) {
        QImage page = m_layout.picture.valid() ? m_layout.picture.get() : QImage();
        QString problem;
        if (page.isNull()) // once more, to learn why
            page = m_renderer->renderFirstPage(m_layout.pdf, &problem);
        if (page.isNull())
            throw EngineError(QStringLiteral("The picture of %1 could not be made: %2").arg(m_path, problem));
        return page;
    }
    const QString pdf = m_office.scratchFolder() + QStringLiteral("/page.pdf");
    QFile::remove(pdf);
    m_office.call(QStringLiteral("rendering %1 as a picture").arg(m_path), [&] {
        uno::Reference<frame::XStorable> storable(m_component, uno::UNO_QUERY_THROW);
        const uno::Sequence<beans::PropertyValue> firstPage = UnoBridge::properties(
            {UnoBridge::property("PageRange", uno::Any(rtl::OUString("1")))});
        storable->storeToURL(
            UnoBridge::fileUrl(pdf),
            UnoBridge::properties(
                {UnoBridge::property("FilterName", uno::Any(rtl::OUString::createFromAscii(kPictureFilters[0]))),
                 UnoBridge::property("FilterData", uno::Any(firstPage))}));
    });
    QFile file(pdf);
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    file.close();
    QFile::remove(pdf);
    if (bytes.isEmpty())
        throw EngineError(QStringLiteral("LibreOffice wrote no picture of %1").arg(m_path));
    QString problem;
    const QImage page = m_renderer->renderFirstPage(bytes, &problem);
    if (page.isNull())
        throw EngineError(QStringLiteral("The picture of %1 could not be made: %2").arg(m_path, problem));
    return page;
}

QImage LibreOfficeDocument::exportedPicture()
{
    // Only the engine's own tests come here, on the built-in (Letter) template.
    const QSize pixels = PagePicturePixels(QSizeF(612, 792));
    const QString png = m_office.scratchFolder() + QStringLiteral("/page.png");
    const char *filter = kPngPictureFilter;
    QFile::remove(png);
    m_office.call(QStringLiteral("rendering %1 as a picture").arg(m_path), [&] {
        uno::Reference<frame::XStorable> storable(m_component, uno::UNO_QUERY_THROW);
        const uno::Sequence<beans::PropertyValue> size = UnoBridge::properties(
            {UnoBridge::property("PixelWidth", uno::Any(sal_Int32(pixels.width()))),
             UnoBridge::property("PixelHeight", uno::Any(sal_Int32(pixels.height())))});
        storable->storeToURL(
            UnoBridge::fileUrl(png),
            UnoBridge::properties({UnoBridge::property("FilterName", uno::Any(rtl::OUString::createFromAscii(filter))),
                                   UnoBridge::property("FilterData", uno::Any(size))}));
    });
    QImage rendered(png);
    QFile::remove(png);
    if (rendered.isNull())
        throw EngineError(QStringLiteral("LibreOffice wrote no picture of %1").arg(m_path));

    // The export adds a transparent column and row at the far edges, and
    // leaves the paper itself transparent: crop, then lay it onto white.
    const QSize extra = rendered.size() - pixels;
    if (extra.width() < 0 || extra.height() < 0 || extra.width() > 1 || extra.height() > 1)
        rendered = rendered.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QImage page(pixels, QImage::Format_RGB32);
    page.fill(Qt::white);
    {
        QPainter painter(&page);
        painter.drawImage(0, 0, rendered, 0, 0, pixels.width(), pixels.height());
    }
    return page;
}
