#pragma once

#include "WordApplication.h"

#include <com/sun/star/lang/XComponent.hpp>

#include <QString>

#include <array>

class LibreOfficeApplication;
class OfficeProcess;
class PictureClipboard;

// One document loaded in the application's office.
class LibreOfficeDocument : public WordDocument
{
public:
    // The page picture: US Letter at 4x the 96 dpi screen size.
    static constexpr int kPictureWidth = 1472;
    static constexpr int kPictureHeight = 1904;
    static constexpr int kPictureDotsPerMetre = 15118; // 384 dpi
    // The office filters the engine stores with. copyRangeAsPicture uses the
    // picture filters; the check at start asks the office for every name here,
    // so an office that cannot make the picture is refused before any click.
    static constexpr const char *kWordFilter = "MS Word 97";
    static constexpr const char *kWordTemplateFilter = "MS Word 97 Vorlage";
    static constexpr std::array<const char *, 1> kPictureFilters = {"writer_png_Export"};

    // Throws EngineError when the office lacks one of the filters above.
    static void requireFilters(OfficeProcess &office);

    LibreOfficeDocument(LibreOfficeApplication &application, OfficeProcess &office,
                        css::uno::Reference<css::lang::XComponent> component, QString path,
                        PictureClipboard *clipboard);

    void saveAs(const QString &fileName) override;
    void close() override;
    void copyRangeAsPicture() override;

    // Store to its own file, for ActiveDocument.Close with SaveChanges.
    void save();
    // Close without reporting anything; used when the application quits.
    void closeQuietly();
    bool isOpen() const { return m_component.is(); }
    const QString &path() const { return m_path; }
    const css::uno::Reference<css::lang::XComponent> &component() const { return m_component; }

private:
    void checkOpen(const char *operation) const;

    LibreOfficeApplication &m_application;
    OfficeProcess &m_office;
    css::uno::Reference<css::lang::XComponent> m_component;
    QString m_path;
    PictureClipboard *m_clipboard;
};
