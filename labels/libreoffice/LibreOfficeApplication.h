#pragma once

#include "labels/WordApplication.h"
#include "labels/libreoffice/LibreOfficeFind.h"

#include <com/sun/star/lang/XComponent.hpp>

#include <functional>
#include <memory>
#include <vector>

class LibreOfficeDocument;
class OfficeProcess;
class PagePictureRenderer;
class PictureClipboard;
class ReadyDocuments;

// "Word.Application" over LibreOffice Writer: a session on an office that
// other sessions share one after the other, the documents this session
// loaded and its one Selection.Find. Quitting closes the session's documents
// and ends the session; the office itself lives on (see OfficeHost).
class LibreOfficeApplication : public WordApplication
{
public:
    // `ended` runs once, when the session quits or is destroyed.
    LibreOfficeApplication(std::shared_ptr<OfficeProcess> office, PictureClipboard *clipboard,
                           PagePictureRenderer *renderer, std::function<void()> ended = {});
    ~LibreOfficeApplication() override;

    WordDocument *open(const QString &fileName, std::optional<bool> readOnly) override;
    WordDocument *openFlatXmlForStoring(const QString &fileName) override;
    QStringList storeFirstSheetAsCsv(const QString &spreadsheet, const QString &folder) override;
    WordFind *selectionFind() override;
    void setDisplayAlerts(bool on) override;
    void closeActiveDocument(int saveChanges) override;
    void quit() override;

    // Documents the office keeps ready for this session (see ReadyDocuments);
    // without them every open loads its file.
    void setReadyDocuments(std::shared_ptr<ReadyDocuments> ready) { m_ready = std::move(ready); }

    // Loads a document as open() does, through the watchdog, without a session.
    static css::uno::Reference<css::lang::XComponent> load(OfficeProcess &office, const QString &path, bool readOnly);

    // For the find object and the documents.
    void checkUsable(const QString &what) const;
    void executeFind(const FindSettings &settings, int replace);
    void documentClosed(LibreOfficeDocument *document);
    ReadyDocuments *readyDocuments() const { return m_ready.get(); }
    const std::shared_ptr<OfficeProcess> &office() const { return m_office; }

private:
    LibreOfficeDocument &activeDocument(const char *operation) const;

    std::shared_ptr<OfficeProcess> m_office;
    PictureClipboard *m_clipboard;
    PagePictureRenderer *m_renderer;
    std::function<void()> m_ended;
    bool m_quit = false;
    std::vector<std::unique_ptr<LibreOfficeDocument>> m_documents;
    LibreOfficeDocument *m_active = nullptr;
    LibreOfficeFind m_find{*this};
    bool m_displayAlerts = true;
    std::shared_ptr<ReadyDocuments> m_ready;
};
