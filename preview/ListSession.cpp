#include "preview/ListSession.h"

#include "core/Failure.h"
#include "labels/WordApplication.h"
#include "preview/ListSheets.h"
#include "preview/SheetPictures.h"

ListSession::ListSession(EngineFactory &engines, QObject *parent)
    : QObject(parent)
    , m_engines(engines)
{
}

ListSession::~ListSession()
{
    // The worker may still run; its files go with it.
    delete m_list;
}

void ListSession::start(const QList<SheetLabels> &sheets, CutDescriber describeCut, const LabelStock &stock)
{
    leave();
    auto *list = new ListSheets(m_engines, sheets, std::move(describeCut), this, stock);
    m_list = list;
    m_sheets = sheets.size();
    // Queued from the worker: what arrives from a list already left behind
    // (its signal was on its way when the user went back) is dropped.
    connect(list, &ListSheets::firstSheetReady, this, [this, list](const QString &pdf) {
        if (m_list != list)
            return;
        try {
            showFirst(SheetPictures(pdf));
        } catch (const Failure &failure) {
            emit failed(failure.description());
        }
    });
    connect(list, &ListSheets::progressed, this, [this, list](int done) {
        if (m_list != list)
            return;
        m_made = done;
        emit progressed();
    });
    connect(list, &ListSheets::finished, this, [this, list](const QString &document, const QString &pdf) {
        if (m_list == list)
            finish(document, pdf);
    });
    connect(list, &ListSheets::failed, this, [this, list](const QString &description) {
        if (m_list == list)
            emit failed(description);
    });
    try {
        list->start();
    } catch (const Failure &failure) {
        emit failed(failure.description());
    }
}

void ListSession::showFirst(const SheetPictures &pages)
{
    emit firstSheet(pages.picture(0));
}

void ListSession::finish(const QString &document, const QString &pdf)
{
    try {
        m_pages = std::make_unique<SheetPictures>(pdf);
        m_pdf = pdf;
        if (!m_shown)
            showFirst(*m_pages);
    } catch (const Failure &failure) {
        emit failed(failure.description());
        return;
    }
    if (m_shown) // not when it could not be shown, and the list is gone
        emit finished(document);
}

void ListSession::leave()
{
    if (ListSheets *list = m_list) {
        list->disconnect(this);
        list->stop();
        // Connected first: a worker that ends in between is not missed.
        connect(list, &ListSheets::ended, list, &QObject::deleteLater);
        if (!list->isRunning())
            list->deleteLater();
        else
            m_engines.stopWorkUnderWay(); // a long list's office work would go on for seconds
    }
    m_list = nullptr;
    m_sheets = 0;
    m_made = 0;
    m_shown = false;
    m_pdf.clear();
    m_pages.reset();
    m_sheet = 0;
}

QString ListSession::titleSuffix() const
{
    if (!active())
        return {};
    QString title = QStringLiteral(" - sheet %1 of %2").arg(m_sheet + 1).arg(m_sheets);
    // Once every sheet is put together the office still lays them out and
    // writes them, which takes a while for a long list.
    if (!m_pages && m_made < m_sheets)
        title += QStringLiteral(" (making the sheets: %1 of %2)").arg(m_made).arg(m_sheets);
    else if (!m_pages)
        title += QStringLiteral(" (writing the %1 sheets)").arg(m_sheets);
    return title;
}

QString ListSession::stillMakingMessage() const
{
    // Once every sheet is made they are still being written.
    const QString state = m_made < m_sheets
        ? QStringLiteral("The sheets are still being made (%1 of %2).").arg(m_made).arg(m_sheets)
        : QStringLiteral("The %1 sheets are made and still being written.").arg(m_sheets);
    return state + QStringLiteral(" Try again once the title no longer says so.");
}

bool ListSession::hasSheet(int index) const
{
    return m_pages && index >= 0 && index < m_pages->count();
}

QImage ListSession::turnTo(int index)
{
    QImage picture = m_pages->picture(index);
    m_sheet = index;
    return picture;
}
