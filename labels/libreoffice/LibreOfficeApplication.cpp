#include "labels/libreoffice/LibreOfficeApplication.h"

#include "labels/libreoffice/LibreOfficeDocument.h"
#include "labels/libreoffice/OfficeProcess.h"
#include "labels/libreoffice/ReadyDocuments.h"
#include "labels/libreoffice/UnoBridge.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/document/MacroExecMode.hpp>
#include <com/sun/star/document/UpdateDocMode.hpp>
#include <com/sun/star/frame/XLoadable.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/io/IOException.hpp>
#include <com/sun/star/lang/IllegalArgumentException.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/text/XTextDocument.hpp>
#include <com/sun/star/text/XTextRange.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XReplaceDescriptor.hpp>
#include <com/sun/star/util/XReplaceable.hpp>
#include <com/sun/star/util/XSearchDescriptor.hpp>

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <array>

using namespace css;

namespace {

void closeUnwanted(const uno::Reference<lang::XComponent> &component)
{
    uno::Reference<util::XCloseable> closeable(component, uno::UNO_QUERY);
    if (closeable.is())
        closeable->close(true);
    else
        component->dispose();
}

QString filterOf(const uno::Reference<lang::XComponent> &component)
{
    uno::Reference<frame::XModel> model(component, uno::UNO_QUERY);
    if (!model.is())
        return QString();
    const uno::Sequence<beans::PropertyValue> args = model->getArgs();
    for (const beans::PropertyValue &arg : args) {
        rtl::OUString name;
        if (arg.Name == "FilterName" && (arg.Value >>= name))
            return UnoBridge::fromUno(name);
    }
    return QString();
}

// Plain text opens in Writer too, but it is not a document the callers can use.
bool isPlainTextFilter(const QString &filter)
{
    return filter == QLatin1String("Text") || filter.startsWith(QLatin1String("Text ("));
}

// What a replacement may put into the document. In the Word 97 format the C0
// control characters mark cells, fields, objects and breaks: a BEL or BS in
// the text crashes the office while it saves, others damage the structure.
// They have no printable form, so they are left out; tab, line feed (a line
// break) and carriage return (a new paragraph) stay. Half a surrogate pair,
// which the bridge cannot carry, becomes the replacement character.
QString textTheFormatCanHold(const QString &text)
{
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.unicode() < 0x20 && c != u'\t' && c != u'\n' && c != u'\r')
            continue;
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            result += c;
            result += text.at(++i);
        } else if (c.isSurrogate()) {
            result += QChar::ReplacementCharacter;
        } else {
            result += c;
        }
    }
    return result;
}

} // namespace

LibreOfficeApplication::LibreOfficeApplication(std::shared_ptr<OfficeProcess> office, PictureClipboard *clipboard,
                                               PagePictureRenderer *renderer, std::function<void()> ended)
    : m_office(std::move(office))
    , m_clipboard(clipboard)
    , m_renderer(renderer)
    , m_ended(std::move(ended))
{
}

LibreOfficeApplication::~LibreOfficeApplication()
{
    quit();
}

void LibreOfficeApplication::checkUsable(const QString &what) const
{
    if (m_quit)
        throw EngineError(QStringLiteral("LibreOffice had already been shut down before %1").arg(what));
    m_office->call(what, [] {});
}

uno::Reference<lang::XComponent> LibreOfficeApplication::load(OfficeProcess &office, const QString &path, bool readOnly)
{
    const QString what = QStringLiteral("opening %1").arg(path);
    return office.call(what, [&] {
        // Macros never run and links are never updated: the files are
        // ours, but a template swapped in the temporary folder need not be.
        const uno::Sequence<beans::PropertyValue> arguments = UnoBridge::properties({
            UnoBridge::property("Hidden", uno::Any(true)),
            UnoBridge::property("ReadOnly", uno::Any(readOnly)),
            UnoBridge::property("AsTemplate", uno::Any(false)),
            UnoBridge::property("MacroExecutionMode", uno::Any(document::MacroExecMode::NEVER_EXECUTE)),
            UnoBridge::property("UpdateDocMode", uno::Any(document::UpdateDocMode::NO_UPDATE)),
        });
        uno::Reference<lang::XComponent> loaded;
        try {
            loaded = office.desktop()->loadComponentFromURL(UnoBridge::fileUrl(path), rtl::OUString("_blank"), 0,
                                                            arguments);
        } catch (const lang::IllegalArgumentException &e) {
            throw EngineError(QStringLiteral("The file %1 could not be opened: %2").arg(path, UnoBridge::describe(e)));
        } catch (const io::IOException &e) {
            throw EngineError(QStringLiteral("The file %1 could not be opened: %2").arg(path, UnoBridge::describe(e)));
        }
        if (!loaded.is())
            throw EngineError(QStringLiteral("LibreOffice could not open %1").arg(path));
        uno::Reference<text::XTextDocument> text(loaded, uno::UNO_QUERY);
        QString problem;
        if (!text.is())
            problem = QStringLiteral("The file %1 is not a text document").arg(path);
        else if (isPlainTextFilter(filterOf(loaded)))
            problem = QStringLiteral("The file %1 is plain text, not a Word document").arg(path);
        if (!problem.isEmpty()) {
            closeUnwanted(loaded);
            throw EngineError(problem);
        }
        return loaded;
    });
}

WordDocument *LibreOfficeApplication::open(const QString &fileName, std::optional<bool> readOnly)
{
    if (m_quit)
        throw EngineError(QStringLiteral("LibreOffice had already been shut down before opening %1").arg(fileName));
    if (fileName.isEmpty())
        throw EngineError(QStringLiteral("No file was named to open"));
    const QFileInfo file(fileName);
    const QString path = file.absoluteFilePath();
    if (!file.exists())
        throw EngineError(QStringLiteral("The file %1 does not exist").arg(path));
    if (file.isDir())
        throw EngineError(QStringLiteral("%1 is a folder, not a document").arg(path));
    if (!file.isReadable())
        throw EngineError(QStringLiteral("The file %1 cannot be read").arg(path));
    if (file.size() == 0)
        throw EngineError(QStringLiteral("The file %1 is empty: it is not a Word document").arg(path));

    uno::Reference<lang::XComponent> component;
    LibreOfficeDocument::Layout layout;
    bool keptOpen = false;
    if (m_ready) {
        // What the office holds ready is the same document this open would
        // load: the template as read from the same bytes, or the document
        // just saved to this very file.
        if (readOnly.value_or(false))
            component = m_ready->takeTemplate(m_office, path);
        if (!component.is()) {
            component = m_ready->takeFilled(m_office, path, &layout);
            keptOpen = component.is();
        }
    }
    if (!component.is())
        component = load(*m_office, path, readOnly.value_or(false));
    m_documents.push_back(
        std::make_unique<LibreOfficeDocument>(*this, *m_office, component, path, m_clipboard, m_renderer));
    m_active = m_documents.back().get();
    if (!layout.pdf.isEmpty())
        m_active->adoptLayout(layout);
    if (keptOpen)
        m_active->closeInBackground();
    return m_active;
}

WordDocument *LibreOfficeApplication::openFlatXmlForStoring(const QString &fileName)
{
    if (m_quit)
        throw EngineError(QStringLiteral("LibreOffice had already been shut down before opening %1").arg(fileName));
    const QFileInfo file(fileName);
    const QString path = file.absoluteFilePath();
    if (!file.isFile() || !file.isReadable())
        throw EngineError(QStringLiteral("The file %1 cannot be read").arg(path));
    const QString what = QStringLiteral("opening %1").arg(path);
    uno::Reference<lang::XComponent> component = m_office->call(what, [&] {
        // A document model without a frame or view: nothing is laid out.
        const uno::Reference<uno::XComponentContext> context = m_office->context();
        uno::Reference<lang::XComponent> model(context->getServiceManager()->createInstanceWithContext(
                                                   rtl::OUString("com.sun.star.text.TextDocument"), context),
                                               uno::UNO_QUERY_THROW);
        try {
            uno::Reference<frame::XLoadable>(model, uno::UNO_QUERY_THROW)
                ->load(UnoBridge::properties({
                    UnoBridge::property("URL", uno::Any(UnoBridge::fileUrl(path))),
                    UnoBridge::property("FilterName",
                                        uno::Any(UnoBridge::toUno(QLatin1String(LibreOfficeDocument::kFlatXmlFilter)))),
                    UnoBridge::property("ReadOnly", uno::Any(true)),
                    UnoBridge::property("MacroExecutionMode", uno::Any(document::MacroExecMode::NEVER_EXECUTE)),
                    UnoBridge::property("UpdateDocMode", uno::Any(document::UpdateDocMode::NO_UPDATE)),
                }));
        } catch (const uno::Exception &e) {
            closeUnwanted(model);
            throw EngineError(QStringLiteral("The file %1 could not be opened: %2").arg(path, UnoBridge::describe(e)));
        }
        return model;
    });
    m_documents.push_back(
        std::make_unique<LibreOfficeDocument>(*this, *m_office, component, path, m_clipboard, m_renderer));
    m_active = m_documents.back().get();
    return m_active;
}

QStringList LibreOfficeApplication::storeFirstSheetAsCsv(const QString &spreadsheet, const QString &folder)
{
    checkUsable(QStringLiteral("reading a spreadsheet"));
    const QString path = QFileInfo(spreadsheet).absoluteFilePath();
    // Calc brings its own filters; the label work needs only Writer's.
    static const QString kCsvFilter = QStringLiteral("Text - txt - csv (StarCalc)");
    if (!LibreOfficeDocument::absentFilters(*m_office, {kCsvFilter}).isEmpty())
        throw EngineMissing(QStringLiteral("reading a spreadsheet needs LibreOffice Calc, which is not installed "
                                           "(the package libreoffice-calc-nogui or libreoffice-calc); or save "
                                           "%1 as CSV")
                                .arg(path));
    const QString cannot = QStringLiteral("LibreOffice cannot read %1 as a spreadsheet (is it protected by a "
                                          "password, or damaged?); save it without a password, or as CSV")
                               .arg(path);
    return m_office->call(QStringLiteral("reading %1").arg(path), [&] {
        // No interaction handler: a password is never asked for, the load fails.
        const uno::Sequence<beans::PropertyValue> arguments = UnoBridge::properties({
            UnoBridge::property("Hidden", uno::Any(true)),
            UnoBridge::property("ReadOnly", uno::Any(true)),
            UnoBridge::property("MacroExecutionMode", uno::Any(document::MacroExecMode::NEVER_EXECUTE)),
            UnoBridge::property("UpdateDocMode", uno::Any(document::UpdateDocMode::NO_UPDATE)),
        });
        uno::Reference<lang::XComponent> loaded;
        try {
            loaded = m_office->desktop()->loadComponentFromURL(UnoBridge::fileUrl(path), rtl::OUString("_blank"), 0,
                                                               arguments);
        } catch (const lang::IllegalArgumentException &) {
            throw EngineError(cannot);
        } catch (const io::IOException &) {
            throw EngineError(cannot);
        }
        if (!loaded.is())
            throw EngineError(cannot);
        struct Closer
        {
            uno::Reference<lang::XComponent> component;
            ~Closer()
            {
                try {
                    closeUnwanted(component);
                } catch (const uno::Exception &) {
                    // Closed with the office, then.
                }
            }
        } closer{loaded};
        uno::Reference<sheet::XSpreadsheetDocument> book(loaded, uno::UNO_QUERY);
        if (!book.is())
            throw EngineError(
                QStringLiteral("%1 is not a spreadsheet (a list saved as text is read when its name ends in .csv)")
                    .arg(path));
        QStringList names;
        for (const rtl::OUString &name : book->getSheets()->getElementNames())
            names << UnoBridge::fromUno(name);
        if (names.isEmpty())
            throw EngineError(QStringLiteral("%1 has no sheet").arg(path));
        // Field separator, text delimiter, character set (UTF-8), first
        // line, column formats, language, quote all text, detect special
        // numbers, cells as shown (a ZIP code formatted 00000 keeps its
        // zero, a whole number gets no ".0"), formulas as such, trim spaces,
        // the sheet to store (the first, whichever the file opens on).
        static const rtl::OUString kOptions("44,34,76,1,,0,false,true,true,false,false,1");
        uno::Reference<frame::XStorable> storable(loaded, uno::UNO_QUERY_THROW);
        try {
            storable->storeToURL(
                UnoBridge::fileUrl(
                    QDir(folder).absoluteFilePath(QFileInfo(path).completeBaseName() + QStringLiteral(".csv"))),
                UnoBridge::properties({UnoBridge::property("FilterName", uno::Any(UnoBridge::toUno(kCsvFilter))),
                                       UnoBridge::property("FilterOptions", uno::Any(kOptions)),
                                       UnoBridge::property("Overwrite", uno::Any(true))}));
        } catch (const io::IOException &e) {
            throw EngineError(QStringLiteral("The first sheet of %1 could not be stored as text: %2")
                                  .arg(path, UnoBridge::describe(e)));
        }
        return names;
    });
}

LibreOfficeDocument &LibreOfficeApplication::activeDocument(const char *operation) const
{
    if (!m_active)
        throw EngineError(QStringLiteral("No document was open for %1").arg(QLatin1String(operation)));
    return *m_active;
}

WordFind *LibreOfficeApplication::selectionFind()
{
    checkUsable(QStringLiteral("filling in the addresses"));
    activeDocument("Selection.Find");
    return &m_find;
}

void LibreOfficeApplication::executeFind(const FindSettings &settings, int replace)
{
    checkUsable(QStringLiteral("filling in the addresses"));
    LibreOfficeDocument &document = activeDocument("Find.Execute");
    for (const auto &[on, name] :
         {std::pair{settings.matchWildcards, "MatchWildcards"}, std::pair{settings.matchSoundsLike, "MatchSoundsLike"},
          std::pair{settings.matchAllWordForms, "MatchAllWordForms"}}) {
        if (on)
            throw EngineError(
                QStringLiteral("Find.%1 is not supported by the LibreOffice engine").arg(QLatin1String(name)));
    }
    if (replace != kWdReplaceNone && replace != kWdReplaceOne && replace != kWdReplaceAll)
        throw EngineError(QStringLiteral("Find.Execute: Replace = %1 is not supported").arg(replace));
    // Like Word, an empty search without formatting finds nothing.
    if (settings.text.isEmpty())
        return;

    const rtl::OUString replacement = UnoBridge::toUno(textTheFormatCanHold(settings.replacement));
    document.contentChanged();
    m_office->call(QStringLiteral("replacing text in %1").arg(document.path()), [&] {
        uno::Reference<util::XReplaceable> replaceable(document.component(), uno::UNO_QUERY_THROW);
        // One descriptor per document, its options sent only when they
        // change: each is a round trip to the office, and a click makes eight
        // searches with the same options.
        LibreOfficeDocument::SearchState &state = document.searchState();
        if (!state.descriptor.is()) {
            state.descriptor = replaceable->createReplaceDescriptor();
            state.options.reset();
        }
        const uno::Reference<util::XReplaceDescriptor> &descriptor = state.descriptor;
        descriptor->setSearchString(UnoBridge::toUno(settings.text));
        descriptor->setReplaceString(replacement);
        const std::array<bool, 3> wanted = {settings.matchCase, settings.matchWholeWord, !settings.forward};
        if (state.options != wanted) {
            state.options.reset(); // unknown until every option has gone through
            // Literal search: with regular expressions off the replacement goes
            // in exactly as given ("$1", "&", "^p" and backslashes stay text).
            uno::Reference<beans::XPropertySet> options(descriptor, uno::UNO_QUERY_THROW);
            options->setPropertyValue("SearchCaseSensitive", uno::Any(settings.matchCase));
            options->setPropertyValue("SearchWords", uno::Any(settings.matchWholeWord));
            options->setPropertyValue("SearchRegularExpression", uno::Any(false));
            options->setPropertyValue("SearchSimilarity", uno::Any(false));
            options->setPropertyValue("SearchStyles", uno::Any(false));
            options->setPropertyValue("SearchBackwards", uno::Any(!settings.forward));
            state.options = wanted;
        }
        const uno::Reference<util::XSearchDescriptor> search(descriptor.get());
        if (replace == kWdReplaceAll) {
            // The whole document, table cells included, whatever Wrap says:
            // the selection of a freshly opened document is at its start.
            replaceable->replaceAll(search);
            return;
        }
        uno::Reference<text::XTextRange> found(replaceable->findFirst(search), uno::UNO_QUERY);
        if (replace == kWdReplaceOne && found.is())
            found->setString(replacement);
    });
}

void LibreOfficeApplication::documentClosed(LibreOfficeDocument *document)
{
    if (m_active != document)
        return;
    m_active = nullptr;
    // Like Word, the most recently opened document still open becomes active.
    for (auto it = m_documents.rbegin(); it != m_documents.rend(); ++it) {
        if ((*it)->isOpen()) {
            m_active = it->get();
            break;
        }
    }
}

void LibreOfficeApplication::setDisplayAlerts(bool on)
{
    // The office never prompts (it runs headless), so this only records the wish.
    checkUsable(QStringLiteral("finishing its work"));
    m_displayAlerts = on;
}

void LibreOfficeApplication::closeActiveDocument(int saveChanges)
{
    checkUsable(QStringLiteral("closing the document"));
    LibreOfficeDocument &document = activeDocument("ActiveDocument.Close");
    constexpr int kWdSaveChanges = -1;
    if (saveChanges == kWdSaveChanges)
        document.save();
    else if (saveChanges != kWdDoNotSaveChanges)
        throw EngineError(QStringLiteral("ActiveDocument.Close: SaveChanges = %1 is not supported").arg(saveChanges));
    document.close();
}

void LibreOfficeApplication::quit()
{
    if (m_quit)
        return;
    // Documents the caller left open go with the session, so the next
    // session finds the office as the warm-up left it.
    for (auto &document : m_documents)
        document->closeQuietly();
    m_active = nullptr;
    m_quit = true;
    if (m_ended)
        m_ended();
}
