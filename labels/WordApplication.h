#pragma once

#include "core/Failure.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

// The document engine as the program sees it: exactly the automation
// operations the callers use, one call per step so that each can fail on its
// own. Every failure is thrown as EngineError with a human-readable description.

class EngineError : public Failure
{
public:
    using Failure::Failure;
};

// The engine is not installed (or its module does not load): what the user
// must install, rather than what went wrong with an installed engine.
class EngineMissing : public EngineError
{
public:
    using EngineError::EngineError;
};

// Values of the automation constants the callers pass.
inline constexpr int kWdFindStop = 0;
inline constexpr int kWdFindContinue = 1;
inline constexpr int kWdReplaceNone = 0;
inline constexpr int kWdReplaceOne = 1;
inline constexpr int kWdReplaceAll = 2;
inline constexpr int kWdDoNotSaveChanges = 0;

// The file formats of SaveAs with a FileFormat argument.
enum class DocumentFormat { Word97, Word2007, OpenDocumentText, Pdf };

// Selection.Find of the active document.
class WordFind
{
public:
    virtual ~WordFind() = default;
    virtual void clearFormatting() = 0;            // Selection.Find.ClearFormatting
    virtual void clearReplacementFormatting() = 0; // Selection.Find.Replacement.ClearFormatting
    virtual void setText(const QString &text) = 0;
    virtual void setReplacementText(const QString &text) = 0;
    virtual void setForward(bool forward) = 0;
    virtual void setWrap(int wrap) = 0;
    virtual void setFormat(bool format) = 0;
    virtual void setMatchCase(bool on) = 0;
    virtual void setMatchWholeWord(bool on) = 0;
    virtual void setMatchWildcards(bool on) = 0;
    virtual void setMatchSoundsLike(bool on) = 0;
    virtual void setMatchAllWordForms(bool on) = 0;
    virtual void execute(int replace) = 0; // Execute with the named argument Replace
};

// An open document. Owned by its application; valid until the application is destroyed.
class WordDocument
{
public:
    virtual ~WordDocument() = default;
    // The format follows the extension: .doc Word 97, .dot Word 97 template.
    virtual void saveAs(const QString &fileName) = 0;
    virtual void close() = 0;
    // Range then CopyAsPicture: a picture of the page goes to the system clipboard.
    virtual void copyRangeAsPicture() = 0;

    // For the command line's other formats and the lists' many-sheet
    // documents; engines that cannot do them say so.
    // SaveAs with a FileFormat: the format given, whatever the name says.
    virtual void saveAsFormat(const QString &fileName, DocumentFormat format)
    {
        Q_UNUSED(fileName);
        Q_UNUSED(format);
        throw EngineError(QStringLiteral("This document engine cannot choose a file format"));
    }
    // Stores the document as flat OpenDocument XML (one plain XML file), so
    // that a document of many sheets can be put together as text.
    virtual void saveAsFlatXml(const QString &fileName)
    {
        Q_UNUSED(fileName);
        throw EngineError(QStringLiteral("This document engine cannot store flat XML"));
    }
    // The document as the engine lays it out: a PDF of its pages, from
    // which the callers read where every line stands. Empty from an engine
    // that lays nothing out (it cannot be checked then).
    virtual QByteArray layoutPdf() { return {}; }
    // The font size of the named paragraph style, for the whole document.
    virtual void setParagraphStyleSize(const QString &style, double points)
    {
        Q_UNUSED(style);
        Q_UNUSED(points);
        throw EngineError(QStringLiteral("This document engine cannot change a style"));
    }
};

// One application instance ("Word.Application"): its own hidden engine process.
// Destroying it without quit() still ends that process.
class WordApplication
{
public:
    virtual ~WordApplication() = default;
    // Documents.Open; the document becomes the active one.
    virtual WordDocument *open(const QString &fileName, std::optional<bool> readOnly = std::nullopt) = 0;
    // Not an automation operation: opens a flat XML document (see
    // WordDocument::saveAsFlatXml) only to store it in other formats. The
    // office then lays no pages out, which a document of many pages loads
    // much faster and in much less memory without; a picture or a PDF of it
    // needs open(). Engines without such a mode open it as open() does.
    virtual WordDocument *openFlatXmlForStoring(const QString &fileName) { return open(fileName, true); }
    // Not an automation operation: stores the first sheet of the spreadsheet
    // at `spreadsheet` (.xlsx, .xls, .ods ...) into `folder` as one CSV file
    // (UTF-8, comma separated, text quoted where needed, every cell as the
    // spreadsheet shows it) and returns the names of its sheets in order.
    // Opens nothing that stays open; throws EngineError when the file is no
    // spreadsheet the engine can read (protected by a password, damaged),
    // EngineMissing when the engine cannot read spreadsheets at all.
    virtual QStringList storeFirstSheetAsCsv(const QString &spreadsheet, const QString &folder)
    {
        Q_UNUSED(spreadsheet);
        Q_UNUSED(folder);
        throw EngineMissing(QStringLiteral("This document engine cannot read spreadsheets"));
    }
    // Selection.Find, in the active document.
    virtual WordFind *selectionFind() = 0;
    virtual void setDisplayAlerts(bool on) = 0;
    // ActiveDocument.Close with the named argument SaveChanges.
    virtual void closeActiveDocument(int saveChanges) = 0;
    virtual void quit() = 0;
};

// Creates application instances. Throws EngineError when none can be created.
class EngineFactory
{
public:
    virtual ~EngineFactory() = default;
    virtual std::unique_ptr<WordApplication> createApplication() = 0;
    // An application on an engine instance of its own, for part of a large
    // job done beside createApplication()'s; null when the engine has no
    // such thing. Throws EngineError.
    virtual std::unique_ptr<WordApplication> createHelperApplication() { return nullptr; }
    // An application for a long job, which grows an engine instance by
    // about 100 MB (the layout of hundreds of sheets): on an instance that
    // has done no other work since it started, so that it ends under its
    // memory limit. Throws EngineError.
    virtual std::unique_ptr<WordApplication> createApplicationForLongWork() { return createApplication(); }
    // The program is ending: work under way on the engine fails at once and
    // nothing new starts. Safe from any thread.
    virtual void abandon() {}
    // Ends at once the work of every application open now (their calls
    // fail); later applications work as usual. For an engine that cannot,
    // nothing happens and the work runs to its end.
    virtual void stopWorkUnderWay() {}
};
