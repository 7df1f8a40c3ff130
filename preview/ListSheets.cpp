#include "preview/ListSheets.h"

#include "core/Failure.h"
#include "core/FreedMemory.h"
#include "core/OwnedTemporaries.h"
#include "core/TempFolder.h"
#include "labels/LabelFit.h"
#include "labels/SheetMaker.h"

namespace {

// Thrown inside the worker to give up once stop() was asked for.
struct Stopped
{};

// What the user was doing, then what went wrong in the office or the files.
QString unmade(const QString &why)
{
    return QStringLiteral("The sheets of the address list could not be made: %1").arg(why);
}

} // namespace

ListSheets::ListSheets(EngineFactory &engines, QList<SheetLabels> sheets, CutDescriber describeCut, QObject *parent,
                       const LabelStock &stock)
    : QObject(parent)
    , m_engines(engines)
    , m_sheets(std::move(sheets))
    , m_describeCut(std::move(describeCut))
    , m_stock(stock)
{
}

ListSheets::~ListSheets()
{
    stop();
    if (m_worker.joinable())
        m_worker.join();
}

void ListSheets::start()
{
    // Named with this program's mark, so that what a killed program leaves
    // here (every address of the list) goes at the next start.
    m_folder = std::make_unique<QTemporaryDir>(TemporaryPath(OwnedTemporaryName(QStringLiteral("parcelon-list."))));
    if (!m_folder->isValid())
        throw Failure(
            QStringLiteral("Cannot create a working folder in %1: %2").arg(TemporaryFolder(), m_folder->errorString()));
    m_running = true;
    m_worker = std::thread([this] { run(); });
}

void ListSheets::stop()
{
    m_stop = true;
}

void ListSheets::run()
{
    const auto checkStop = [this] {
        if (m_stop)
            throw Stopped();
    };
    try {
        if (m_sheets.size() > kShownAtOnce) {
            const QString first = m_folder->filePath(QStringLiteral("first-sheet.pdf"));
            MakeLabelSheets(
                m_engines, QList<SheetLabels>{m_sheets.first()}, first, [&](int) { checkStop(); }, m_stock);
            checkStop();
            emit firstSheetReady(first);
        }
        const QString document = m_folder->filePath(QStringLiteral("labels.doc"));
        const QString pdf = m_folder->filePath(QStringLiteral("labels.pdf"));
        MakeLabelSheets(
            m_engines, m_sheets, document,
            [&](int done) {
                checkStop();
                emit progressed(done);
            },
            m_stock);
        checkStop();
        // A long list's PDF is made from its sheets, laid out by two offices
        // at once; a short one's is converted from the Word file, quicker
        // than making it again.
        if (m_sheets.size() >= kSheetsForTwoOffices)
            MakeLabelSheets(
                m_engines, m_sheets, pdf, [&](int) { checkStop(); }, m_stock);
        else
            ConvertDocument(m_engines, document, pdf, DocumentFormat::Pdf);
        checkStop();
        emit finished(document, pdf);
    } catch (const Stopped &) {
    } catch (const LabelsCutOff &cut) {
        if (!m_stop)
            emit failed(m_describeCut && !cut.labels().isEmpty() ? m_describeCut(cut) : cut.description());
    } catch (const Failure &failure) {
        if (!m_stop)
            emit failed(unmade(failure.description()));
    } catch (const std::exception &error) {
        if (!m_stop)
            emit failed(unmade(QString::fromLocal8Bit(error.what())));
    }
    // What the list's documents took (the text of every sheet, the PDFs read
    // for the fit check) is free now, and goes back to the system.
    ReturnFreedMemory();
    m_running = false;
    emit ended();
}
