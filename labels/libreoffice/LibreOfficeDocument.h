#pragma once

#include "WordApplication.h"

#include <com/sun/star/lang/XComponent.hpp>

#include <QString>

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

    LibreOfficeDocument(LibreOfficeApplication &application, OfficeProcess &office,
                        css::uno::Reference<css::lang::XComponent> component, QString path,
                        PictureClipboard *clipboard);

    void saveAs(const QString &fileName) override;
    void saveAsFormat(const QString &fileName, DocumentFormat format) override;
    void close() override;
    void copyRangeAsPicture() override;
    void appendDocument(WordDocument &source) override;
    void undoAll() override;

    // Store to its own file, for ActiveDocument.Close with SaveChanges.
    void save();
    // Close without reporting anything; used when the application quits.
    void closeQuietly();
    bool isOpen() const { return m_component.is(); }
    const QString &path() const { return m_path; }
    const css::uno::Reference<css::lang::XComponent> &component() const { return m_component; }

private:
    void checkOpen(const char *operation) const;
    void storeAs(const QString &fileName, const QString &filter);

    LibreOfficeApplication &m_application;
    OfficeProcess &m_office;
    css::uno::Reference<css::lang::XComponent> m_component;
    QString m_path;
    PictureClipboard *m_clipboard;
};
