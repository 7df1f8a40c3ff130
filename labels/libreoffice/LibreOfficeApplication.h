#pragma once

#include "LibreOfficeFind.h"
#include "WordApplication.h"

#include <memory>
#include <vector>

class LibreOfficeDocument;
class OfficeProcess;
class PictureClipboard;

// "Word.Application" over LibreOffice Writer: one office process, the
// documents loaded in it and the one Selection.Find.
class LibreOfficeApplication : public WordApplication
{
public:
    LibreOfficeApplication(std::unique_ptr<OfficeProcess> office, PictureClipboard *clipboard);
    ~LibreOfficeApplication() override;

    WordDocument *open(const QString &fileName, std::optional<bool> readOnly) override;
    WordFind *selectionFind() override;
    void setDisplayAlerts(bool on) override;
    void closeActiveDocument(int saveChanges) override;
    void quit() override;

    // For the find object and the documents.
    void checkUsable(const QString &what) const;
    void executeFind(const FindSettings &settings, int replace);
    void documentClosed(LibreOfficeDocument *document);

private:
    LibreOfficeDocument &activeDocument(const char *operation) const;

    std::unique_ptr<OfficeProcess> m_office;
    PictureClipboard *m_clipboard;
    std::vector<std::unique_ptr<LibreOfficeDocument>> m_documents;
    LibreOfficeDocument *m_active = nullptr;
    LibreOfficeFind m_find{*this};
    bool m_displayAlerts = true;
};
