#include "app/Form1.h"

#include "address/AddressFields.h"
#include "address/AddressList.h"
#include "address/ListColumnChoice.h"
#include "app/ListRun.h"
#include "core/AppInfo.h"
#include "core/Failure.h"
#include "core/FileUtils.h"
#include "core/GeneratedDocuments.h"
#include "core/MessageBoxes.h"
#include "core/OwnedTemporaries.h"
#include "core/Procedure.h"
#include "core/Seams.h"
#include "core/TempFolder.h"
#include "labels/IsInstalled.h"
#include "labels/LabelFit.h"
#include "labels/LabelGeneration.h"
#include "labels/LabelPlan.h"
#include "labels/LabelStock.h"
#include "preview/Form2.h"
#include "resources/Resources.h"
#include "ui_Form1.h"
#include "widgets/Contrast.h"
#include "widgets/DropAsCopy.h"
#include "widgets/FixedWindow.h"
#include "widgets/HandCursor.h"
#include "widgets/InputGuard.h"
#include "widgets/SelectAllOnFocus.h"
#include "widgets/Skin.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFile>
#include <QFileInfo>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QScopeGuard>
#include <QTimer>
#include <QToolTip>
#include <QUrl>

#include <utility>

namespace {
const QString kTagLoad = QStringLiteral("in Parcelwise2021/08/31.Form1.Form_Load ");
const QString kTagHelp = QStringLiteral("in Parcelwise2021/08/31.Form1.PushButton1_Click ");
const QString kTagSample = QStringLiteral("in Parcelwise2021/08/31.Form1.PushButton3_Click ");

// One draw in a hundred visits the vendor's site.
constexpr int kSiteVisitDraw = 7;

// Built in, and not turned off by the user (false, no, off or 0).
bool vendorSiteVisitsWanted(const SettingsStore &settings)
{
    if (!AppInfo::kVendorSiteVisits)
        return false;
    const QString value =
        settings.peek(QString::fromLatin1(AppInfo::kVendorSiteVisitsKey)).value_or(QString()).trimmed().toLower();
    return !QStringList{QStringLiteral("false"), QStringLiteral("no"), QStringLiteral("off"), QStringLiteral("0")}
                .contains(value);
}

constexpr std::chrono::milliseconds kPreparePreviewAfter(150);

const QString kBackgroundTip = QStringLiteral("Right-click for the menu: Open Address List... (Ctrl+O).\n"
                                              "A list file dropped on the window opens too.");

} // namespace

Form1::Form1(Services &services, QWidget *parent)
    : QWidget(parent)
    , m_services(services)
    , ui(std::make_unique<Ui::Form1>())
    , m_store(m_settings, services.messages)
    , m_stock(m_settings, services.messages)
    , m_pointer(this)
    , m_selectAll(new SelectAllOnFocus(this))
    , m_inputGuard(new InputGuard(this))
{
    ui->setupUi(this);
    // Fixed single border: no resizing, no maximise button.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(536, 605);

    // A .ui file holds whole points only.
    for (QPushButton *button : {ui->PushButton6, ui->PushButton1, ui->PushButton3}) {
        QFont font = button->font();
        font.setPointSizeF(11.25);
        button->setFont(font);
    }

    FixedWindow::UseWindowsFrames(this);
    FixedWindow::ActivateButtonsOnReturn(this);
    FixedWindow::CentreOnFirstShow(this);
    // The layout's white buttons and frames keep dark text in a dark theme.
    HoldTextContrast(this);

    m_fields = {ui->Text1, ui->Text2, ui->Text3, ui->Text4,  ui->Text5,  ui->Text6,
                ui->Text7, ui->Text8, ui->Text9, ui->Text10, ui->Text11, ui->Text12};
    wireFields();
    wirePointerFeedback();

    connect(ui->PushButton1, &QPushButton::clicked, this, &Form1::PushButton1_Click);
    connect(ui->PushButton3, &QPushButton::clicked, this, &Form1::PushButton3_Click);
    connect(ui->PushButton6, &QPushButton::clicked, this, &Form1::PushButton6_Click);

    m_openListAction = new QAction(QStringLiteral("Open Address List..."), this);
    m_openListAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    m_openListAction->setShortcutContext(Qt::WindowShortcut);
    addAction(m_openListAction);
    connect(m_openListAction, &QAction::triggered, this, &Form1::OpenAddressListDialog);
    setAcceptDrops(true);
}

Form1::~Form1()
{
    // The preview window is a top-level window of its own that this window owns.
    delete m_preview;
}

QLineEdit *Form1::field(int number) const
{
    return m_fields.at(size_t(number - 1));
}

void Form1::wireFields()
{
    for (int n = 1; n <= AddressFields::kCount; ++n) {
        QLineEdit *edit = field(n);
        // Every change, typed or assigned, is mirrored in the store at once.
        connect(edit, &QLineEdit::textChanged, this, [this, n](const QString &text) { m_store.save(n, text); });
        connect(edit, &QLineEdit::textEdited, this, [this] { m_beforeSample.clear(); });
        m_selectAll->watch(edit);
    }
}

void Form1::wirePointerFeedback()
{
    // Moves are handled where they land: a button ignores a plain move and Qt
    // would pass it on to the window, which asks for the arrow again.
    QList<QWidget *> watched = {this, ui->PushButton6, ui->PushButton1, ui->PushButton3};
    const QList<QGroupBox *> frames = findChildren<QGroupBox *>();
    for (QGroupBox *frame : frames)
        watched.append(frame);
    for (QLineEdit *edit : m_fields) {
        watched.append(edit);
        // A list file dropped on a field opens the list instead of typing its name.
        edit->setAcceptDrops(true);
    }
    for (QWidget *widget : watched) {
        widget->setMouseTracking(true);
        widget->setAttribute(Qt::WA_NoMousePropagation);
        widget->installEventFilter(this);
    }
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
        auto *drag = static_cast<QDragMoveEvent *>(event);
        if (acceptsDrop(drag->mimeData())) {
            AcceptDropAsCopy(drag);
            return true;
        }
    } else if (event->type() == QEvent::Drop) {
        auto *drop = static_cast<QDropEvent *>(event);
        if (acceptsDrop(drop->mimeData())) {
            if (AcceptDropAsCopy(drop))
                openDropped(drop->mimeData());
            return true;
        }
    }
    if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) {
        auto *edit = qobject_cast<QLineEdit *>(watched);
        if (edit && undoSample(edit, static_cast<QKeyEvent *>(event)))
            return true;
    }
    // The frames stop mouse events reaching the window, its menu's among them.
    if (event->type() == QEvent::ContextMenu && qobject_cast<QGroupBox *>(watched)) {
        contextMenuEvent(static_cast<QContextMenuEvent *>(event));
        return true;
    }
    if (event->type() == QEvent::MouseMove) {
        if (watched == ui->PushButton6 || watched == ui->PushButton1 || watched == ui->PushButton3)
            m_pointer.overButton();
        else if (watched == this || watched == ui->Text1 || qobject_cast<QGroupBox *>(watched))
            m_pointer.overSurface();
        // Text2 .. Text12 leave the pointer kind as it is.
    }
    return QWidget::eventFilter(watched, event);
}

void Form1::Form_Load()
{
    Procedure p(m_services.messages, kTagLoad);
    p.step(100, [&] { ApplySkin(this, m_skin); });
    p.step(104, [&] { setWindowTitle(QString::fromLatin1(AppInfo::kProductTitle)); });
    p.step(104, [&] { setWindowIcon(ProgramIcon()); });
    p.step(104, [&] {
        AppInfo::setApplicationTitle(AppInfo::deriveApplicationTitle(QString::fromLatin1(AppInfo::kProductTitle)));
    });
    bool hasCursor = false;
    p.step(122, [&] { hasCursor = FileExists(HandCursorPath()); });
    if (hasCursor)
        p.step(124, [&] { m_pointer.setCustomCursor(LoadHandCursor(HandCursorPath())); });
    p.step(126, [&] {
        const int draw = int(m_services.random.uniform() * 100) + 1;
        if (draw == kSiteVisitDraw && vendorSiteVisitsWanted(m_settings))
            m_services.urlOpener.open(QUrl(QString::fromLatin1(AppInfo::kVendorSite)));
    });
    for (int n = 1; n <= AddressFields::kCount; ++n)
        p.step(126 + 2 * n, [&] { field(n)->setText(m_store.restore(n)); });
    // A signal during an earlier step's report ends the start-up here.
    if (programEnding())
        return;
    p.step(152, [&] {
        if (!EnsureWordAvailable(m_services.engines, m_services.messages))
            m_shouldEnd = true;
    });
}

// Ctrl+Z in a field with nothing of its own to undo takes back the sample
// data: setting a field's text clears its own undo history.
bool Form1::undoSample(QLineEdit *edit, QKeyEvent *key)
{
    if (m_beforeSample.isEmpty() || edit->isUndoAvailable() || !key->matches(QKeySequence::Undo))
        return false;
    key->accept();
    if (key->type() == QEvent::KeyPress) {
        const QStringList before = std::exchange(m_beforeSample, {});
        for (int n = 1; n <= AddressFields::kCount; ++n)
            field(n)->setText(before.value(n - 1));
        edit->selectAll();
    }
    return true;
}

bool StartMainWindow(Form1 &form)
{
    form.Form_Load();
    if (form.shouldEnd() || form.programEnding())
        return false;
    form.show();
    form.field(1)->setFocus(Qt::OtherFocusReason);
    form.field(1)->selectAll();
    // Once the main window has been painted, not before it.
    QTimer::singleShot(kPreparePreviewAfter, &form, [&form] { form.preparePreview(); });
    return true;
}

int RunMainWindow(Form1 &form, const std::function<void()> &whenShown)
{
    try {
        RemoveOrphanedDocuments(TemporaryFolder());
    } catch (const Failure &) {
        // No temporary folder: generation reports that when it is clicked.
    }
    RemoveDeadTemporariesAtStart();
    int status = 0;
    if (StartMainWindow(form)) {
        if (whenShown)
            whenShown();
        status = QApplication::exec();
    } else if (form.shouldEnd())
        status = 1; // no document engine: the check has told the user
    // Ended by a closed window or a signal, while the preview showed or a
    // generation was under way: the documents hold the addresses, so they go.
    FinishPreviewFiles();
    DeleteGeneratedDocuments();
    return status;
}

void Form1::PushButton1_Click()
{
    Procedure p(m_services.messages, kTagHelp);
    p.step(100, [&] {
        m_services.messages.show(AddressFields::helpMessage(), AppInfo::applicationTitle(), BoxStyle::Information);
    });
}

void Form1::PushButton3_Click()
{
    QStringList before;
    for (int n = 1; n <= AddressFields::kCount; ++n)
        before << fieldText(n);
    m_beforeSample = before;
    Procedure p(m_services.messages, kTagSample);
    for (int n = 1; n <= AddressFields::kCount; ++n)
        p.step(98 + 2 * n, [&] { field(n)->setText(AddressFields::sampleValue(n)); });
}

void Form1::PushButton6_Click()
{
    GenerateLabelSheet(m_services, *this);
}

QString Form1::fieldText(int number) const
{
    return field(number)->text();
}

void Form1::setBusyPointer()
{
    m_pointer.setKind(PointerKind::Busy);
}

void Form1::setDefaultPointer()
{
    m_pointer.setKind(PointerKind::Default);
}

Form2 *Form1::previewWindow() const
{
    return m_preview;
}

void Form1::preparePreview()
{
    if (programEnding())
        return;
    Form2 *window = preview();
    window->ensurePolished();
    window->winId(); // its native window, still hidden
}

Form2 *Form1::preview()
{
    if (!m_preview) {
        m_preview = new Form2(m_services, this);
        m_preview->setTypedAddress([this] {
            QStringList fields;
            for (int n = 1; n <= AddressFields::kCount; ++n)
                fields << fieldText(n);
            return fields;
        });
        m_preview->setListOpener([this](const QString &path) { OpenAddressList(path); });
        m_preview->setStockSetting(&m_stock);
        connect(m_preview, &Form2::listShown, this, [this] {
            setDefaultPointer();
            hide();
            setBusy(false);
        });
        connect(m_preview, &Form2::listFailed, this, [this] {
            setDefaultPointer();
            setBusy(false);
        });
    }
    return m_preview;
}

void Form1::OpenAddressListDialog()
{
    if ((m_preview && m_preview->isMakingSheets()) || mBusy) {
        m_services.messages.show(QStringLiteral("Sheets are still being made. Open the list once they are done."),
                                 AppInfo::applicationTitle(), BoxStyle::Information);
        return;
    }
    QString path;
    try {
        path = m_services.openDialog.askOpenFileName(
            this, QStringLiteral("Open Address List"),
            QStringLiteral("Address Lists (*.csv *.txt *.tsv *.xlsx *.xlsm *.xls *.ods);;All Files (*)"));
    } catch (const Failure &failure) {
        m_services.messages.show(failure.description(), AppInfo::applicationTitle(), BoxStyle::Warning);
    }
    if (!path.isEmpty())
        OpenAddressList(path);
}

void Form1::OpenAddressList(const QString &path)
{
    const QString title = AppInfo::applicationTitle();
    if ((m_preview && m_preview->isMakingSheets()) || mBusy) {
        m_services.messages.show(QStringLiteral("Sheets are still being made, so %1 was not opened. "
                                                "Open it again once they are done.")
                                     .arg(QFileInfo(path).fileName()),
                                 title, BoxStyle::Information);
        return;
    }
    QStringList typed;
    for (int n = 1; n <= AddressFields::kCount; ++n)
        typed << fieldText(n);
    const QStringList defaults = AddressList::listDefaults(typed);
    std::optional<ListFile> list;
    AddressListReading reading;
    std::optional<ColumnPicking> picking;
    try {
        // A spreadsheet takes the office a moment.
        setBusyPointer();
        const auto pointer = qScopeGuard([this] { setDefaultPointer(); });
        list.emplace(m_services.engines, path);
        try {
            reading = list->read(defaults);
        } catch (const AddressList::ColumnsNotRecognised &refusal) {
            // No --map in a window: the user picks the columns from the list's own.
            picking = columnPicking(*list, refusal.header(), typed);
        }
    } catch (const Failure &failure) {
        m_services.messages.show(failure.description(), title, BoxStyle::Warning);
        return;
    }
    std::optional<LabelChoice> choice;
    try {
        QWidget *over = QApplication::activeWindow();
        if (!over)
            over = m_preview && m_preview->isVisible() ? static_cast<QWidget *>(m_preview) : this;
        const ListOverview overview = picking ? picking->overviewWith(picking->chosen)
                                              : DescribeList(path, list->sheetRead(), typed, reading);
        choice = m_services.placementDialog.askListPlacement(over, overview, picking ? &*picking : nullptr,
                                                             m_stock.current().name);
        if (choice && picking) {
            reading = list->read(defaults, AddressList::columnMapping(choice->columns));
            m_settings.write(AddressList::columnChoiceKey(picking->header),
                             AddressList::encodeColumnChoice(choice->columns));
        }
    } catch (const Failure &failure) {
        m_services.messages.show(failure.description(), title, BoxStyle::Warning);
        return;
    }
    QList<QStringList> addresses;
    QList<int> lines;
    for (const AddressRow &row : std::as_const(reading.rows)) {
        addresses << row.fields;
        lines << row.line;
    }
    if (choice && !choice->stock.isEmpty()) {
        if (const LabelStock *chosen = FindStock(choice->stock))
            m_stock.choose(*chosen);
    }
    const LabelStock &stock = m_stock.current();
    const LabelPlacement placement{choice ? choice->start : 0, choice ? choice->copies : 0, stock.labels()};
    if (!choice || !IsValidPlacement(placement) || programEnding())
        return;
    QList<SheetLabels> sheets;
    try {
        sheets = PlanListSheets(addresses, placement);
    } catch (const Failure &failure) {
        m_services.messages.show(failure.description(), title, BoxStyle::Warning);
        return;
    }
    // A label too long even in the smallest text is named by the list's line, as the command line does.
    // The stocks are a fixed table: the one chosen outlives the list.
    auto describeCut = [path, lines, placement, chosen = &stock](const LabelsCutOff &cut) {
        return DescribeCutAddress(cut, placement, path, lines, *chosen);
    };
    setBusy(true);
    setBusyPointer();
    preview()->ShowList(sheets, describeCut, stock);
}

void Form1::OpenListsGiven(const QStringList &paths)
{
    if (paths.isEmpty())
        return;
    // The list's dialogs are modal: they wait for the event loop.
    QTimer::singleShot(0, this, [this, paths] {
        if (paths.size() > 1) {
            QStringList others;
            for (const QString &path : paths.mid(1))
                others << QFileInfo(path).fileName();
            m_services.messages.show(QStringLiteral("One list is opened at a time: %1 now, not %2.")
                                         .arg(QFileInfo(paths.first()).fileName(), others.join(QStringLiteral(", "))),
                                     AppInfo::applicationTitle(), BoxStyle::Information);
        }
        OpenAddressList(paths.first());
    });
}

ColumnPicking Form1::columnPicking(const ListFile &list, const QStringList &header, const QStringList &typed)
{
    ColumnPicking picking;
    picking.header = header;
    for (const int field : AddressList::pickableFields())
        picking.fields.append({field, AddressList::fieldCaption(field)});
    const QString key = AddressList::columnChoiceKey(header);
    picking.chosen = AddressList::decodeColumnChoice(m_settings.read(key, QString()), header);
    const QString path = list.path();
    picking.overviewWith = [&list, path, typed, sheet = list.sheetRead()](const QMap<int, QStringList> &columns) {
        try {
            const AddressListReading reading = list.read(AddressList::listDefaults(typed),
                                                         AddressList::columnMapping(columns));
            return DescribeList(path, sheet, typed, reading);
        } catch (const Failure &failure) {
            // Who the labels are from, though there are none yet.
            ListOverview none = DescribeList(path, sheet, typed, AddressListReading());
            none.addresses = 0;
            none.summary.clear();
            none.details.clear();
            // The reader's refusal speaks of --map, which the window has no use for.
            none.problem = dynamic_cast<const AddressList::ColumnsNotRecognised *>(&failure)
                ? QStringLiteral("The list's column names are not known: pick the columns of at least the "
                                 "street, city or ZIP code.")
                : failure.description();
            return none;
        }
    };
    return picking;
}

bool Form1::acceptsDrop(const QMimeData *data) const
{
    return data->hasUrls() && data->urls().first().isLocalFile();
}

void Form1::openDropped(const QMimeData *data)
{
    const QString path = data->urls().first().toLocalFile();
    // The drop came from another program, which still has the focus: the
    // list's dialog belongs to this window, and so does the focus after it.
    activateWindow();
    // Opened once the drop has finished: the list's dialog is modal.
    QTimer::singleShot(0, this, [this, path] { OpenAddressList(path); });
}

void Form1::dragEnterEvent(QDragEnterEvent *event)
{
    if (acceptsDrop(event->mimeData()))
        AcceptDropAsCopy(event);
}

void Form1::dropEvent(QDropEvent *event)
{
    if (acceptsDrop(event->mimeData()) && AcceptDropAsCopy(event))
        openDropped(event->mimeData());
}

void Form1::contextMenuEvent(QContextMenuEvent *event)
{
    // The background's and the frames' menu; the fields have their own.
    QMenu menu(this);
    menu.addAction(m_openListAction);
    // The label stock, remembered; the choice only offers known stocks.
    QMenu *stocks = menu.addMenu(QStringLiteral("Label &Stock"));
    auto *group = new QActionGroup(stocks);
    const QString current = m_stock.current().name;
    for (const LabelStock &stock : LabelStocks()) {
        QAction *action = stocks->addAction(QStringLiteral("%1: %2").arg(stock.name, stock.title));
        action->setToolTip(stock.products.join(QStringLiteral(", ")));
        action->setCheckable(true);
        action->setChecked(stock.name == current);
        group->addAction(action);
        connect(action, &QAction::triggered, this, [this, name = stock.name] {
            if (const LabelStock *chosen = FindStock(name))
                m_stock.choose(*chosen);
        });
    }
    // What a list's sheets offer in the preview, named here where lists begin.
    menu.addSection(QStringLiteral("In the preview"));
    const std::pair<const char *, QKeySequence> previewKeys[] = {
        {"Next Sheet", QKeySequence(Qt::Key_PageDown)},
        {"Previous Sheet", QKeySequence(Qt::Key_PageUp)},
        {"Print...", QKeySequence(Qt::CTRL | Qt::Key_P)},
        {"Save as PDF...", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
        {"Print Labels...", QKeySequence(Qt::CTRL | Qt::Key_L)},
    };
    for (const auto &[text, keys] : previewKeys) {
        QAction *named = menu.addAction(QString::fromLatin1(text));
        named->setShortcut(keys);
        named->setEnabled(false);
    }
    menu.exec(event->globalPos());
}

bool Form1::event(QEvent *event)
{
    // The background's tip: not over a field or a button, whose own it would hide.
    if (event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        QWidget *under = childAt(help->pos());
        if (!under || qobject_cast<QGroupBox *>(under) || qobject_cast<QLabel *>(under))
            QToolTip::showText(help->globalPos(), kBackgroundTip, this);
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

void Form1::setPreviewPicture(const QImage &picture)
{
    preview()->setPicture(picture);
}

void Form1::setPreviewWordFile(const QString &path)
{
    preview()->mWordFile = path;
}

void Form1::showPreview()
{
    // A signal during this generation's reports: the program is ending.
    if (!programEnding())
        preview()->show();
}

void Form1::setBusy(bool busy)
{
    if (busy)
        m_inputGuard->setActive(true);
    if (!busy) {
        // Keys and clicks the window system queued while the generation kept
        // the event loop waiting (a double-click, typing, a click on another
        // button) are delivered now, while the guard still holds, so that they
        // are dropped instead of landing in the fields behind the preview.
        QGuiApplication::sync();
    }
    mBusy = busy;
    if (!busy)
        m_inputGuard->setActive(false);
}

bool Form1::programEnding() const
{
    return m_services.exit.ending();
}

void Form1::hideMain()
{
    hide();
}

void Form1::closeEvent(QCloseEvent *event)
{
    // Closing the main window ends the program at once; the fields were saved as typed.
    event->accept();
    m_services.exit.endProgram();
}
