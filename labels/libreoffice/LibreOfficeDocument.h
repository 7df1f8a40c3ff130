#pragma once

#include "labels/WordApplication.h"

#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/util/XReplaceDescriptor.hpp>

#include <QImage>
#include <QString>

#include <array>
#include <future>
#include <optional>

class LibreOfficeApplication;
class OfficeProcess;
class PagePictureRenderer;
class PictureClipboard;

// One document loaded in the application's office.
class LibreOfficeDocument : public WordDocument
{
public:
    // The office filters the engine stores with. copyRangeAsPicture uses the
    // picture filters; the check at start asks the office for every name here,
    // so an office that cannot make the picture is refused before any click.
    static constexpr const char *kWordFilter = "MS Word 97";
    static constexpr const char *kWordTemplateFilter = "MS Word 97 Vorlage";
    static constexpr const char *kFlatXmlFilter = "OpenDocument Text Flat XML";
    static constexpr std::array<const char *, 1> kPictureFilters = {"writer_pdf_Export"};
    // Only without a page renderer (the engine's own tests): the office paints the page itself.
    static constexpr const char *kPngPictureFilter = "writer_png_Export";

    // Throws EngineError when the office lacks one of the filters above.
    static void requireFilters(OfficeProcess &office);
    // The filters of `required` the office lacks (the packages that bring
    // them are not installed).
    static QStringList absentFilters(OfficeProcess &office, const QStringList &required);

    LibreOfficeDocument(LibreOfficeApplication &application, OfficeProcess &office,
                        css::uno::Reference<css::lang::XComponent> component, QString path, PictureClipboard *clipboard,
                        PagePictureRenderer *renderer);

    void saveAs(const QString &fileName) override;
    void saveAsFormat(const QString &fileName, DocumentFormat format) override;
    void saveAsFlatXml(const QString &fileName) override;
    void close() override;
    void copyRangeAsPicture() override;
    QByteArray layoutPdf() override;
    void setParagraphStyleSize(const QString &style, double points) override;
    // A layout and its page picture, which is rendered in the background
    // as soon as the layout is made: the office meanwhile saves the document.
    struct Layout
    {
        QByteArray pdf;
        std::shared_future<QImage> picture;
    };
    // The layout made of this very document while it was open under
    // another session (see ReadyDocuments): the PDF needs no second export.
    void adoptLayout(const Layout &layout);
    // A document kept open for this session by another (see ReadyDocuments):
    // when this session closes it, the host's worker does the office's part
    // once no session is open, so the preview does not wait for it.
    void closeInBackground() { m_closedInBackground = true; }
    // The layout made since the last change, empty when there is none.
    Layout currentLayout() const { return m_layoutValid ? m_layout : Layout(); }

    // The picture of the first page, as copyRangeAsPicture puts it on the
    // clipboard: through the renderer from the office's PDF, or without a
    // renderer through the office's own picture export.
    QImage pagePicture();
    // Store to its own file, for ActiveDocument.Close with SaveChanges.
    void save();
    // The text has changed since the last SaveAs: the file no longer shows it.
    void contentChanged()
    {
        m_savedAsWord.clear();
        m_layoutValid = false;
    }
    // Close without reporting anything; used when the application quits.
    void closeQuietly();
    bool isOpen() const { return m_component.is(); }
    const QString &path() const { return m_path; }
    const css::uno::Reference<css::lang::XComponent> &component() const { return m_component; }

    // The replace descriptor Selection.Find reuses in this document, and the
    // options (match case, whole words, backwards) last set on it.
    struct SearchState
    {
        css::uno::Reference<css::util::XReplaceDescriptor> descriptor;
        std::optional<std::array<bool, 3>> options;
    };
    SearchState &searchState() { return m_search; }

private:
    void checkOpen(const char *operation) const;
    QImage renderedFromPdf();
    QImage exportedPicture();
    void storeAs(const QString &fileName, const QString &filter);

    LibreOfficeApplication &m_application;
    OfficeProcess &m_office;
    css::uno::Reference<css::lang::XComponent> m_component;
    QString m_path;
    PictureClipboard *m_clipboard;
    PagePictureRenderer *m_renderer;
    SearchState m_search;
    QString m_savedAsWord; // the Word 97 file SaveAs last wrote, if any
    Layout m_layout;       // what layoutPdf() made
    bool m_layoutValid = false;
    bool m_closedInBackground = false;
};
